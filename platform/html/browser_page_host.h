#pragma once

#include <windows.h>
#include <exdisp.h>

#include "platform/html/dispatch_sink.h"
#include "platform/html/hal_browser_control_site.h"
#include "platform/html/page_host.h"

// The page host of the program: the system's browser control in-place in the
// window, loading the page from the program's resources (res://).
class BrowserPageHost : public PageHost {
public:
    BrowserPageHost() = default;
    ~BrowserPageHost() override;

    bool Open(HWND window, HMODULE module, UINT resourceId, PageHostEvents& events) override;
    void Close() override;
    void SetHostFlags(DWORD flags) override;
    void RefuseDrops() override;
    void Resize(const RECT& area) override;
    ComPtr<IHTMLDocument> Document() override;
    bool SetElementText(const std::wstring& id, const std::wstring& text) override;
    bool TranslateKey(MSG& message) override;

private:
    HRESULT OnBrowserEvent(DISPID member, DISPPARAMS* parameters);
    HRESULT OnDocumentEvent(DISPID member, DISPPARAMS* parameters, VARIANT* result);
    void ConnectDocumentEvents();
    bool IsTopBrowser(IDispatch* browser) const;

    PageHostEvents* events_ = nullptr;
    std::wstring modulePath_;
    DWORD hostFlags_ = 0;
    ComPtr<CHalBrowserControlSite> site_;
    ComPtr<IOleObject> control_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<DispatchSink> browserSink_;
    ComPtr<DispatchSink> documentSink_;
    EventConnection browserEvents_;
    EventConnection documentEvents_;
};
