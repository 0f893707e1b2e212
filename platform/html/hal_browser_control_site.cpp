#include "platform/html/hal_browser_control_site.h"

#include <utility>

#include "platform/html/page_address_policy.h"

CHalBrowserControlSite::CHalBrowserControlSite(HWND window, std::wstring modulePath)
    : window_(window), modulePath_(std::move(modulePath)) {}

HRESULT CHalBrowserControlSite::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) return HandOut(static_cast<IOleClientSite*>(this), out);
    if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) return HandOut(static_cast<IOleInPlaceSite*>(this), out);
    if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
        return HandOut(static_cast<IOleInPlaceFrame*>(this), out);
    }
    if (iid == IID_IDocHostUIHandler) return HandOut(static_cast<IDocHostUIHandler*>(this), out);
    if (iid == IID_IServiceProvider) return HandOut(static_cast<IServiceProvider*>(this), out);
    if (iid == IID_IInternetSecurityManager) return HandOut(static_cast<IInternetSecurityManager*>(this), out);
    return NoInterface(out);
}

HRESULT CHalBrowserControlSite::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return window_ != nullptr ? S_OK : E_FAIL;
}

HRESULT CHalBrowserControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT CHalBrowserControlSite::GetContainer(IOleContainer** container) {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT CHalBrowserControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                 LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr || info == nullptr) {
        return E_POINTER;
    }
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    GetClientRect(window_, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT CHalBrowserControlSite::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info == nullptr) return E_POINTER;
    info->dwFlags = hostFlags_;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT CHalBrowserControlSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key != nullptr) *key = nullptr;
    return S_FALSE;
}

HRESULT CHalBrowserControlSite::GetDropTarget(IDropTarget*, IDropTarget** target) {
    // Nothing can be dropped onto a page.
    if (target != nullptr) *target = nullptr;
    return S_OK;
}

HRESULT CHalBrowserControlSite::GetExternal(IDispatch** external) {
    if (external != nullptr) *external = nullptr;
    return S_FALSE;
}

HRESULT CHalBrowserControlSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (translated != nullptr) *translated = nullptr;
    return S_FALSE;
}

HRESULT CHalBrowserControlSite::FilterDataObject(IDataObject*, IDataObject** filtered) {
    if (filtered != nullptr) *filtered = nullptr;
    return S_FALSE;
}

HRESULT CHalBrowserControlSite::QueryService(REFGUID service, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (service == IID_IInternetSecurityManager && iid == IID_IInternetSecurityManager) {
        return HandOut(static_cast<IInternetSecurityManager*>(this), out);
    }
    return NoInterface(out);
}

HRESULT CHalBrowserControlSite::MapUrlToZone(LPCWSTR address, DWORD* zone, DWORD) {
    if (zone == nullptr || address == nullptr || !IsOwnPageAddress(address, modulePath_)) {
        return INET_E_DEFAULT_ACTION;
    }
    *zone = URLZONE_TRUSTED;
    return S_OK;
}

HRESULT CHalBrowserControlSite::ProcessUrlAction(LPCWSTR address, DWORD, BYTE* policy, DWORD policySize, BYTE*,
                                                 DWORD, DWORD, DWORD) {
    if (policy == nullptr || policySize < sizeof(DWORD) || address == nullptr ||
        !IsOwnPageAddress(address, modulePath_)) {
        return INET_E_DEFAULT_ACTION;
    }
    const DWORD allow = URLPOLICY_ALLOW;
    CopyMemory(policy, &allow, sizeof(allow));
    return S_OK;
}
