#include "platform/html/script_page_host.h"

#include <algorithm>
#include <cwctype>
#include <cwchar>

#include "platform/com_object_base.h"
#include "platform/html/script_call.h"
#include "platform/html/script_dom_stand_in.h"

// The engine's site: no named items of its own; keeps every error the engine
// reports, with the script it came from.
class ScriptEngineSite : public ComObjectBase<IActiveScriptSite> {
public:
    explicit ScriptEngineSite(std::vector<std::wstring>& errors) : errors_(&errors) {}

    void SetSource(const std::wstring& source) { source_ = source; }
    void Detach() { errors_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == __uuidof(IActiveScriptSite)) return HandOut(this, out);
        return NoInterface(out);
    }
    HRESULT STDMETHODCALLTYPE GetLCID(LCID* locale) override {
        if (locale != nullptr) *locale = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR, DWORD, IUnknown** item, ITypeInfo** type) override {
        if (item != nullptr) *item = nullptr;
        if (type != nullptr) *type = nullptr;
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
        if (errors_ == nullptr || error == nullptr) return S_OK;
        EXCEPINFO exception{};
        std::wstring description = L"script error";
        if (SUCCEEDED(error->GetExceptionInfo(&exception))) {
            if (exception.bstrDescription != nullptr) description = exception.bstrDescription;
            SysFreeString(exception.bstrSource);
            SysFreeString(exception.bstrDescription);
            SysFreeString(exception.bstrHelpFile);
        }
        DWORD context = 0;
        ULONG line = 0;
        LONG column = 0;
        error->GetSourcePosition(&context, &line, &column);
        errors_->push_back(source_ + L": line " + std::to_wstring(line + 1) + L": " + description);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

private:
    std::vector<std::wstring>* errors_;
    std::wstring source_;
};

namespace {

// The page's script object as the program gets it: every call goes to the engine
// and is kept, with its arguments as text, in the page's record.
class RecordedScript : public ComObjectBase<IDispatch> {
public:
    RecordedScript(IDispatch* script, std::shared_ptr<ReceivedPageCalls> record)
        : script_(script), record_(std::move(record)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch) return HandOut(this, out);
        return NoInterface(out);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return script_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return script_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        const HRESULT hr = script_->GetIDsOfNames(iid, names, count, locale, ids);
        if (SUCCEEDED(hr) && names != nullptr && ids != nullptr && count >= 1) names_[ids[0]] = names[0];
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override {
        const auto name = names_.find(member);
        if ((flags & DISPATCH_METHOD) != 0 && name != names_.end()) {
            std::vector<std::wstring> arguments;
            for (UINT i = parameters != nullptr ? parameters->cArgs : 0; i > 0; --i) {
                arguments.push_back(TextOf(parameters->rgvarg[i - 1]));
            }
            record_->calls.emplace_back(name->second, std::move(arguments));
        }
        return script_->Invoke(member, iid, locale, flags, parameters, result, exception, badArgument);
    }

private:
    static std::wstring TextOf(const VARIANT& value) {
        ScopedVariant text;
        VARIANT* source = const_cast<VARIANT*>(&value);  // the call only reads it
        if (FAILED(VariantChangeType(text.Get(), source, 0, VT_BSTR)) || text.Value().bstrVal == nullptr) {
            return std::wstring();
        }
        return std::wstring(text.Value().bstrVal, SysStringLen(text.Value().bstrVal));
    }

    ComPtr<IDispatch> script_;
    std::shared_ptr<ReceivedPageCalls> record_;
    std::map<DISPID, std::wstring> names_;
};

// The document as the script bridge sees it: its script object.
class ScriptDocument : public UntypedDispatchObject<IHTMLDocument> {
public:
    explicit ScriptDocument(IDispatch* script) : script_(script) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument) return HandOut(this, out);
        return NoInterface(out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Script(IDispatch** script) override {
        if (script == nullptr) return E_POINTER;
        *script = ComPtr<IDispatch>(script_).Detach();
        return *script != nullptr ? S_OK : E_FAIL;
    }

private:
    ComPtr<IDispatch> script_;
};

std::wstring FileNameOf(const std::wstring& source) {
    const size_t slash = source.find_last_of(L"/\\");
    return slash == std::wstring::npos ? source : source.substr(slash + 1);
}

bool IsLibraryScript(const std::wstring& fileName) { return _wcsnicmp(fileName.c_str(), L"jquery", 6) == 0; }

}  // namespace

std::wstring LoadPageResource(HMODULE module, const wchar_t* name) {
    HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(23));  // RT_HTML
    if (found == nullptr) return std::wstring();
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    int size = static_cast<int>(SizeofResource(module, found));
    if (bytes == nullptr || size == 0) return std::wstring();
    if (size >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF && static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF) {
        bytes += 3;
        size -= 3;
    }
    std::wstring text(MultiByteToWideChar(CP_UTF8, 0, bytes, size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes, size, text.data(), static_cast<int>(text.size()));
    return text;
}

ScriptPageHost::ScriptPageHost() = default;

ScriptPageHost::~ScriptPageHost() { Close(); }

bool ScriptPageHost::Open(HWND window, HMODULE module, UINT resourceId, PageHostEvents& events) {
    resourceId_ = resourceId;
    const std::wstring markup = LoadPageResource(module, MAKEINTRESOURCEW(resourceId));
    if (markup.empty()) {
        errors_.push_back(L"the module has no page " + std::to_wstring(resourceId));
        return false;
    }
    return OpenMarkup(window, module, markup, events);
}

bool ScriptPageHost::OpenMarkup(HWND window, HMODULE module, const std::wstring& markup, PageHostEvents& events) {
    Close();
    outline_ = ReadPageOutline(markup);
    if (!StartEngine() || !RunScript(ScriptDomStandIn(), L"stand-in")) {
        Close();
        return false;
    }
    for (const OutlineElement& element : outline_.elements) {
        CallDom(L"__halDomDefine", {element.id, element.tagName, element.text, element.hidden ? L"1" : L"0",
                                    element.className, element.name, std::to_wstring(element.parent)});
    }
    for (const OutlineScript& script : outline_.scripts) {
        if (script.source.empty()) {
            RunScript(script.text, L"inline script");
            continue;
        }
        const std::wstring fileName = FileNameOf(script.source);
        if (IsLibraryScript(fileName)) continue;  // the stand-in takes its place
        const std::wstring text = LoadPageResource(module, fileName.c_str());
        if (text.empty()) {
            errors_.push_back(fileName + L": the module has no such page resource");
            continue;
        }
        RunScript(text, fileName);
    }
    site_->SetSource(L"ready handlers");
    CallDom(L"__halDomReady", {});

    ComPtr<IDispatch> script;
    engine_->GetScriptDispatch(nullptr, script.Put());
    *received_ = ReceivedPageCalls{};
    ComPtr<IDispatch> recorded = MakeComObject<RecordedScript>(script.Get(), received_).As<IDispatch>(IID_IDispatch);
    document_ = MakeComObject<ScriptDocument>(recorded.Get()).As<IHTMLDocument>(IID_IHTMLDocument);

    events_ = &events;
    view_.Create(window);
    if (answersOthers_) view_.AnswerRequests([this](const std::wstring& request) { return AnswerRequest(request); });
    view_.Post([this] {
        if (events_ != nullptr) events_->OnDocumentComplete();
    });
    return true;
}

void ScriptPageHost::Close() {
    events_ = nullptr;
    view_.Destroy();
    document_.Reset();
    if (engine_) {
        engine_->Close();
        engine_.Reset();
    }
    if (site_) site_->Detach();
    site_.Reset();
}

bool ScriptPageHost::StartEngine() {
    CLSID jscript{};
    if (FAILED(CLSIDFromProgID(L"JScript", &jscript)) ||
        FAILED(CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript),
                                reinterpret_cast<void**>(engine_.Put())))) {
        errors_.push_back(L"the script engine could not be created");
        return false;
    }
    // A page shown in the newest document mode gets the engine's ES5 language.
    // Engines differ in how they take it: alone, or marked as a page's script; an
    // engine without it gets its newest mode before it.
    if (auto properties = engine_.As<IActiveScriptProperty>(__uuidof(IActiveScriptProperty))) {
        constexpr LONG kLanguageEs5 = 0x102;
        constexpr LONG kPageScript = 0x400;
        for (const LONG mode : {kLanguageEs5, kPageScript | kLanguageEs5, LONG{SCRIPTLANGUAGEVERSION_5_8}}) {
            VARIANT version;
            version.vt = VT_I4;
            version.lVal = mode;
            if (SUCCEEDED(properties->SetProperty(SCRIPTPROP_INVOKEVERSIONING, nullptr, &version))) break;
        }
    }
    site_ = MakeComObject<ScriptEngineSite>(errors_);
    auto parser = engine_.As<IActiveScriptParse>(__uuidof(IActiveScriptParse));
    if (!parser || FAILED(engine_->SetScriptSite(site_.Get())) || FAILED(parser->InitNew()) ||
        FAILED(engine_->SetScriptState(SCRIPTSTATE_CONNECTED))) {
        errors_.push_back(L"the script engine could not be started");
        return false;
    }
    return true;
}

bool ScriptPageHost::RunScript(const std::wstring& text, const std::wstring& source) {
    auto parser = engine_.As<IActiveScriptParse>(__uuidof(IActiveScriptParse));
    if (!parser) return false;
    site_->SetSource(source);
    EXCEPINFO exception{};
    const HRESULT hr = parser->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISVISIBLE,
                                               nullptr, &exception);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return SUCCEEDED(hr);
}

HRESULT ScriptPageHost::CallDom(const std::wstring& name, const std::vector<std::wstring>& arguments,
                                VARIANT* result) {
    if (!engine_) return E_UNEXPECTED;
    ComPtr<IDispatch> script;
    if (FAILED(engine_->GetScriptDispatch(nullptr, script.Put()))) return E_UNEXPECTED;
    return CallScriptFunction(script.Get(), name, arguments, result);
}

std::wstring ScriptPageHost::CallDomText(const std::wstring& name, const std::vector<std::wstring>& arguments) {
    ScopedVariant result;
    if (FAILED(CallDom(name, arguments, result.Get()))) return std::wstring();
    if (FAILED(VariantChangeType(result.Get(), result.Get(), 0, VT_BSTR)) || result.Value().bstrVal == nullptr) {
        return std::wstring();
    }
    return std::wstring(result.Value().bstrVal, SysStringLen(result.Value().bstrVal));
}

ComPtr<IHTMLDocument> ScriptPageHost::Document() { return document_; }

bool ScriptPageHost::SetElementText(const std::wstring& id, const std::wstring& text) {
    if (CallDomText(L"__halDomSetText", {id, text}) != L"true") return false;
    received_->elementTexts[id] = text;
    return true;
}

namespace {

std::wstring JsonText(const std::wstring& text) {
    std::wstring json = L"\"";
    for (const wchar_t c : text) {
        switch (c) {
            case L'"': json += L"\\\""; break;
            case L'\\': json += L"\\\\"; break;
            case L'\n': json += L"\\n"; break;
            case L'\r': json += L"\\r"; break;
            case L'\t': json += L"\\t"; break;
            default:
                if (c < 0x20) {
                    wchar_t escaped[8];
                    swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
                    json += escaped;
                } else {
                    json += c;
                }
        }
    }
    return json + L"\"";
}

}  // namespace

std::wstring ScriptPageHost::ReceivedJson() const {
    std::wstring json = L"{\"resource\": " + std::to_wstring(resourceId_) + L", \"elementTexts\": {";
    const wchar_t* separator = L"";
    for (const auto& [id, text] : received_->elementTexts) {
        json += separator + JsonText(id) + L": " + JsonText(text);
        separator = L", ";
    }
    json += L"}, \"calls\": [";
    separator = L"";
    for (const auto& [function, arguments] : received_->calls) {
        json += separator + std::wstring(L"{\"function\": ") + JsonText(function) + L", \"arguments\": [";
        for (size_t i = 0; i < arguments.size(); ++i) json += (i > 0 ? L", " : L"") + JsonText(arguments[i]);
        json += L"]}";
        separator = L", ";
    }
    return json + L"]}";
}

bool ScriptPageHost::HasElement(const std::wstring& id) { return CallDomText(L"__halDomHas", {id}) == L"true"; }

std::wstring ScriptPageHost::ElementText(const std::wstring& id) { return CallDomText(L"__halDomText", {id}); }

bool ScriptPageHost::IsElementVisible(const std::wstring& id) {
    return CallDomText(L"__halDomVisible", {id}) == L"true";
}

std::wstring ScriptPageHost::ElementValue(const std::wstring& id) { return CallDomText(L"__halDomValue", {id}); }

void ScriptPageHost::SetElementValue(const std::wstring& id, const std::wstring& value) {
    CallDom(L"__halDomSetValue", {id, value});
}

std::wstring ScriptPageHost::ElementAttribute(const std::wstring& id, const std::wstring& name) {
    return CallDomText(L"__halDomAttribute", {id, name});
}

void ScriptPageHost::RunTimers() { CallDom(L"__halDomRunTimers", {}); }

std::wstring ScriptPageHost::AnswerRequest(const std::wstring& request) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t end; (end = request.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        parts.push_back(request.substr(start, end - start));
    }
    parts.push_back(request.substr(start));
    const std::wstring& verb = parts[0];
    const std::wstring first = parts.size() > 1 ? parts[1] : std::wstring();
    const int index = parts.size() > 2 ? _wtoi(parts[2].c_str()) : 0;
    const auto yes = [](bool value) { return std::wstring(value ? L"1" : L"0"); };
    if (verb == L"has") return yes(HasElement(first));
    if (verb == L"text") return ElementText(first);
    if (verb == L"visible") return yes(IsElementVisible(first));
    if (verb == L"value") return ElementValue(first);
    if (verb == L"setvalue" && parts.size() > 2) {
        SetElementValue(first, parts[2]);
        return L"1";
    }
    if (verb == L"count") return std::to_wstring(Count(first));
    if (verb == L"textat") return TextAt(first, index);
    if (verb == L"click" && HasElement(first)) {
        view_.Post([this, first] { Click(first); });
        return L"1";
    }
    if (verb == L"clickat" && Count(first) > index) {
        view_.Post([this, first, index] { ClickAt(first, index); });
        return L"1";
    }
    if (verb == L"timers") {
        view_.Post([this] { RunTimers(); });
        return L"1";
    }
    if (verb == L"received") return ReceivedJson();
    if (verb == L"errors") {
        std::wstring all;
        for (const std::wstring& error : errors_) all += error + L"\n";
        return all;
    }
    return L"";
}

std::vector<PageElement> ScriptPageHost::PathOf(const std::wstring& id) const {
    std::vector<PageElement> path;
    const auto found = std::find_if(outline_.elements.begin(), outline_.elements.end(),
                                    [&](const OutlineElement& element) { return element.id == id; });
    if (found == outline_.elements.end()) return path;
    for (int index = static_cast<int>(found - outline_.elements.begin()); index >= 0;
         index = outline_.elements[index].parent) {
        const OutlineElement& element = outline_.elements[index];
        path.push_back({element.id, element.tagName, element.isTextEdit});
    }
    return path;
}

void ScriptPageHost::Click(const std::wstring& id) {
    if (!site_) return;
    site_->SetSource(L"click on " + id);
    CallDom(L"__halDomClick", {id});
    FireScriptClicks();
    Fire(PageEvent::Click, id);
}

bool ScriptPageHost::ClickAt(const std::wstring& selector, int index) {
    if (!site_) return false;
    site_->SetSource(L"click on " + selector);
    const bool found = CallDomText(L"__halDomClickAt", {selector, std::to_wstring(index)}) == L"true";
    FireScriptClicks();
    return found;
}

void ScriptPageHost::FireScriptClicks() {
    const std::wstring ids = CallDomText(L"__halDomTakeClicks", {});
    size_t start = 0;
    while (start < ids.size()) {
        size_t end = ids.find(L'|', start);
        if (end == std::wstring::npos) end = ids.size();
        if (end > start) Fire(PageEvent::Click, ids.substr(start, end - start));
        start = end + 1;
    }
}

int ScriptPageHost::Count(const std::wstring& selector) {
    return _wtoi(CallDomText(L"__halDomCount", {selector}).c_str());
}

std::wstring ScriptPageHost::TextAt(const std::wstring& selector, int index) {
    return CallDomText(L"__halDomTextAt", {selector, std::to_wstring(index)});
}

std::wstring ScriptPageHost::AttributeAt(const std::wstring& selector, int index, const std::wstring& name) {
    return CallDomText(L"__halDomAttributeAt", {selector, std::to_wstring(index), name});
}

HRESULT ScriptPageHost::Fire(PageEvent event, const std::wstring& id) {
    const std::vector<PageElement> path = PathOf(id);
    if (events_ == nullptr || path.empty()) return S_OK;
    return events_->OnElementEvent(event, path);
}
