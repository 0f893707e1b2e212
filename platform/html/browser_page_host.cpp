#include "platform/html/browser_page_host.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <shellapi.h>

#include <vector>

#include "platform/html/page_address_policy.h"

namespace {

// The event's element and its ancestors, the nearest first.
std::vector<PageElement> ElementPath(IHTMLElement* element) {
    std::vector<PageElement> path;
    ComPtr<IHTMLElement> current(element);
    while (current) {
        PageElement entry;
        BSTR text = nullptr;
        if (SUCCEEDED(current->get_id(&text))) entry.id = TakeBstr(text);
        text = nullptr;
        if (SUCCEEDED(current->get_tagName(&text))) entry.tagName = TakeBstr(text);
        CharLowerBuffW(entry.tagName.data(), static_cast<DWORD>(entry.tagName.size()));
        VARIANT_BOOL textEdit = VARIANT_FALSE;
        entry.isTextEdit = SUCCEEDED(current->get_isTextEdit(&textEdit)) && textEdit == VARIANT_TRUE;
        path.push_back(std::move(entry));
        ComPtr<IHTMLElement> parent;
        if (FAILED(current->get_parentElement(parent.Put()))) break;
        current = std::move(parent);
    }
    return path;
}

std::wstring TextArgument(const VARIANT& argument) {
    const VARIANT* value = &argument;
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal != nullptr) value = value->pvarVal;
    if (value->vt == VT_BSTR && value->bstrVal != nullptr) return value->bstrVal;
    if (value->vt == (VT_BYREF | VT_BSTR) && value->pbstrVal != nullptr && *value->pbstrVal != nullptr) {
        return *value->pbstrVal;
    }
    return std::wstring();
}

void SetCancel(VARIANT& argument) {
    if (argument.vt == (VT_BYREF | VT_BOOL) && argument.pboolVal != nullptr) *argument.pboolVal = VARIANT_TRUE;
}

void OpenInUserBrowser(const std::wstring& address) {
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool IsElementEvent(DISPID member) {
    switch (static_cast<PageEvent>(member)) {
        case PageEvent::Click:
        case PageEvent::SelectStart:
        case PageEvent::DragStart:
        case PageEvent::ContextMenu:
            return true;
    }
    return false;
}

}  // namespace

BrowserPageHost::~BrowserPageHost() { Close(); }

bool BrowserPageHost::Open(HWND window, HMODULE module, UINT resourceId, PageHostEvents& events) {
    Close();
    modulePath_ = ModulePath(module);
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(control_.Put())))) {
        return false;
    }
    site_ = MakeComObject<CHalBrowserControlSite>(window, modulePath_);
    site_->SetHostFlags(hostFlags_);
    if (FAILED(control_->SetClientSite(site_.Get()))) {
        Close();
        return false;
    }
    RECT area{};
    GetClientRect(window, &area);
    if (FAILED(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, window, &area))) {
        Close();
        return false;
    }
    browser_ = control_.As<IWebBrowser2>(IID_IWebBrowser2);
    if (!browser_) {
        Close();
        return false;
    }
    events_ = &events;
    browserSink_ = MakeComObject<DispatchSink>(DIID_DWebBrowserEvents2,
                                               [this](DISPID member, DISPPARAMS* parameters, VARIANT*) {
                                                   return OnBrowserEvent(member, parameters);
                                               });
    browserEvents_.Connect(browser_.Get(), DIID_DWebBrowserEvents2, browserSink_.Get());

    ScopedBstr address(PageResourceAddress(modulePath_, resourceId));
    VARIANT target;
    target.vt = VT_BSTR;
    target.bstrVal = address.Get();
    VARIANT empty;
    VariantInit(&empty);
    if (FAILED(browser_->Navigate2(&target, &empty, &empty, &empty, &empty))) {
        Close();
        return false;
    }
    return true;
}

void BrowserPageHost::Close() {
    events_ = nullptr;
    documentEvents_.Disconnect();
    browserEvents_.Disconnect();
    if (documentSink_) documentSink_->Disconnect();
    if (browserSink_) browserSink_->Disconnect();
    documentSink_.Reset();
    browserSink_.Reset();
    browser_.Reset();
    if (control_) {
        if (auto inPlace = control_.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) inPlace->InPlaceDeactivate();
        control_->Close(OLECLOSE_NOSAVE);
        control_->SetClientSite(nullptr);
        control_.Reset();
    }
    if (site_) site_->Detach();
    site_.Reset();
}

void BrowserPageHost::SetHostFlags(DWORD flags) {
    hostFlags_ = flags;
    if (site_) site_->SetHostFlags(flags);
}

void BrowserPageHost::RefuseDrops() {
    if (!browser_) return;
    browser_->put_RegisterAsDropTarget(VARIANT_FALSE);
    browser_->put_RegisterAsBrowser(VARIANT_FALSE);
}

void BrowserPageHost::Resize(const RECT& area) {
    if (auto inPlace = control_.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) inPlace->SetObjectRects(&area, &area);
}

ComPtr<IHTMLDocument> BrowserPageHost::Document() {
    ComPtr<IHTMLDocument> document;
    if (!browser_) return document;
    ComPtr<IDispatch> dispatch;
    if (FAILED(browser_->get_Document(dispatch.Put())) || !dispatch) return document;
    return dispatch.As<IHTMLDocument>(IID_IHTMLDocument);
}

bool BrowserPageHost::SetElementText(const std::wstring& id, const std::wstring& text) {
    auto document = Document().As<IHTMLDocument3>(IID_IHTMLDocument3);
    if (!document) return false;
    ScopedBstr name(id);
    ComPtr<IHTMLElement> element;
    if (FAILED(document->getElementById(name.Get(), element.Put())) || !element) return false;
    ScopedBstr value(text);
    return SUCCEEDED(element->put_innerText(value.Get()));
}

bool BrowserPageHost::TranslateKey(MSG& message) {
    auto active = browser_.As<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    return active && active->TranslateAccelerator(&message) == S_OK;
}

bool BrowserPageHost::IsTopBrowser(IDispatch* browser) const {
    if (browser == nullptr || !browser_) return false;
    ComPtr<IUnknown> ours = browser_.As<IUnknown>(IID_IUnknown);
    ComPtr<IUnknown> theirs;
    browser->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(theirs.Put()));
    return ours.Get() == theirs.Get();
}

HRESULT BrowserPageHost::OnBrowserEvent(DISPID member, DISPPARAMS* parameters) {
    if (events_ == nullptr || parameters == nullptr) return S_OK;
    VARIANT* arguments = parameters->rgvarg;  // the last argument first
    switch (member) {
        case DISPID_BEFORENAVIGATE2: {
            if (parameters->cArgs < 7) break;
            const std::wstring address = TextArgument(arguments[5]);
            const NavigationAction action = DecideNavigation(address, modulePath_);
            if (action != NavigationAction::Allow) SetCancel(arguments[0]);
            if (action == NavigationAction::CancelAndOpenInBrowser) OpenInUserBrowser(address);
            break;
        }
        case DISPID_NEWWINDOW3: {
            // A page never opens a browser window of its own.
            if (parameters->cArgs < 5) break;
            SetCancel(arguments[3]);
            const std::wstring address = TextArgument(arguments[0]);
            if (DecideNavigation(address, modulePath_) == NavigationAction::CancelAndOpenInBrowser) {
                OpenInUserBrowser(address);
            }
            break;
        }
        case DISPID_DOCUMENTCOMPLETE: {
            if (parameters->cArgs < 2) break;
            const VARIANT& browser = arguments[1];
            if (browser.vt != VT_DISPATCH || !IsTopBrowser(browser.pdispVal)) break;
            ConnectDocumentEvents();
            events_->OnDocumentComplete();
            break;
        }
        case DISPID_NAVIGATEERROR: {
            // Without this word a window that waits for its page would wait for nothing.
            if (parameters->cArgs < 5) break;
            const VARIANT& browser = arguments[4];
            if (browser.vt != VT_DISPATCH || !IsTopBrowser(browser.pdispVal)) break;
            events_->OnLoadFailed();
            break;
        }
        default:
            break;
    }
    return S_OK;
}

void BrowserPageHost::ConnectDocumentEvents() {
    documentEvents_.Disconnect();
    if (documentSink_) documentSink_->Disconnect();
    documentSink_ = MakeComObject<DispatchSink>(__uuidof(HTMLDocumentEvents2),
                                                [this](DISPID member, DISPPARAMS* parameters, VARIANT* result) {
                                                    return OnDocumentEvent(member, parameters, result);
                                                });
    ComPtr<IHTMLDocument> document = Document();
    documentEvents_.Connect(document.Get(), __uuidof(HTMLDocumentEvents2), documentSink_.Get());
}

HRESULT BrowserPageHost::OnDocumentEvent(DISPID member, DISPPARAMS* parameters, VARIANT* result) {
    if (events_ == nullptr || !IsElementEvent(member) || parameters == nullptr || parameters->cArgs < 1 ||
        parameters->rgvarg[0].vt != VT_DISPATCH || parameters->rgvarg[0].pdispVal == nullptr) {
        return S_OK;
    }
    ComPtr<IHTMLEventObj> event;
    parameters->rgvarg[0].pdispVal->QueryInterface(IID_IHTMLEventObj, reinterpret_cast<void**>(event.Put()));
    if (!event) return S_OK;
    ComPtr<IHTMLElement> source;
    if (FAILED(event->get_srcElement(source.Put())) || !source) return S_OK;
    if (events_->OnElementEvent(static_cast<PageEvent>(member), ElementPath(source.Get())) == S_FALSE) {
        VARIANT no;
        no.vt = VT_BOOL;
        no.boolVal = VARIANT_FALSE;
        event->put_returnValue(no);
        if (result != nullptr) VariantCopy(result, &no);
    }
    return S_OK;
}
