#include "platform/html/recording_page_host.h"

#include "platform/com_object_base.h"

// The page's script object: knows every function name unless told otherwise and
// records each call with its arguments in the order the page receives them.
// The document and its script object are one object here.
class RecordingScript : public UntypedDispatchObject<IHTMLDocument> {
public:
    std::vector<RecordingPageHost::ScriptCall> calls;
    std::map<std::wstring, int> results;
    std::set<std::wstring> missing;
    std::set<std::wstring> throwing;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument) return HandOut(this, out);
        return NoInterface(out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (names == nullptr || ids == nullptr || count != 1) return E_INVALIDARG;
        const std::wstring name = names[0];
        if (missing.count(name) != 0) {
            ids[0] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        for (size_t i = 0; i < names_.size(); ++i) {
            if (names_[i] == name) {
                ids[0] = static_cast<DISPID>(i + 1);
                return S_OK;
            }
        }
        names_.push_back(name);
        ids[0] = static_cast<DISPID>(names_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        if (member < 1 || static_cast<size_t>(member) > names_.size()) return DISP_E_MEMBERNOTFOUND;
        if ((flags & DISPATCH_METHOD) == 0 || parameters == nullptr) return DISP_E_MEMBERNOTFOUND;
        RecordingPageHost::ScriptCall call{names_[member - 1], {}};
        for (UINT i = parameters->cArgs; i > 0; --i) {
            const VARIANT& argument = parameters->rgvarg[i - 1];
            call.arguments.push_back(argument.vt == VT_BSTR && argument.bstrVal != nullptr
                                         ? std::wstring(argument.bstrVal, SysStringLen(argument.bstrVal))
                                         : std::wstring());
        }
        calls.push_back(call);
        if (throwing.count(call.function) != 0) {
            if (exception != nullptr) {
                ZeroMemory(exception, sizeof(*exception));
                exception->bstrDescription = SysAllocString(L"thrown by the page");
                exception->scode = E_FAIL;
            }
            return DISP_E_EXCEPTION;
        }
        if (result != nullptr) {
            VariantInit(result);
            const auto answer = results.find(call.function);
            if (answer != results.end()) {
                result->vt = VT_I4;
                result->lVal = answer->second;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Script(IDispatch** script) override {
        if (script == nullptr) return E_POINTER;
        AddRef();
        *script = this;
        return S_OK;
    }

private:
    std::vector<std::wstring> names_;
};

RecordingPageHost::RecordingPageHost() : script_(MakeComObject<RecordingScript>()) {}

RecordingPageHost::~RecordingPageHost() { Close(); }

bool RecordingPageHost::Open(HWND window, HMODULE, UINT resourceId, PageHostEvents& events) {
    Close();
    resourceId_ = resourceId;
    events_ = &events;
    open_ = true;
    view_.Create(window);
    view_.Post([this] { CompleteDocument(); });
    return true;
}

void RecordingPageHost::Close() {
    events_ = nullptr;
    open_ = false;
    view_.Destroy();
}

ComPtr<IHTMLDocument> RecordingPageHost::Document() {
    if (!open_ || withoutDocument_) return ComPtr<IHTMLDocument>();
    return script_.As<IHTMLDocument>(IID_IHTMLDocument);
}

bool RecordingPageHost::SetElementText(const std::wstring& id, const std::wstring& text) {
    if (!open_ || withoutDocument_) return false;
    elementTexts_[id] = text;
    return true;
}

const std::vector<RecordingPageHost::ScriptCall>& RecordingPageHost::Calls() const { return script_->calls; }

std::vector<RecordingPageHost::ScriptCall> RecordingPageHost::CallsOf(const std::wstring& function) const {
    std::vector<ScriptCall> found;
    for (const ScriptCall& call : script_->calls) {
        if (call.function == function) found.push_back(call);
    }
    return found;
}

void RecordingPageHost::ClearRecord() {
    script_->calls.clear();
    elementTexts_.clear();
}

void RecordingPageHost::SetResult(const std::wstring& function, int value) { script_->results[function] = value; }

void RecordingPageHost::RemoveFunction(const std::wstring& function) { script_->missing.insert(function); }

void RecordingPageHost::MakeThrow(const std::wstring& function) { script_->throwing.insert(function); }

HRESULT RecordingPageHost::Click(const std::wstring& id, const std::vector<std::wstring>& ancestors) {
    std::vector<PageElement> path{{id, L"div", false}};
    for (const std::wstring& ancestor : ancestors) path.push_back({ancestor, L"div", false});
    return Fire(PageEvent::Click, path);
}

HRESULT RecordingPageHost::Fire(PageEvent event, const std::vector<PageElement>& path) {
    if (events_ == nullptr) return S_OK;
    return events_->OnElementEvent(event, path);
}

void RecordingPageHost::CompleteDocument() {
    if (events_ != nullptr) events_->OnDocumentComplete();
}
