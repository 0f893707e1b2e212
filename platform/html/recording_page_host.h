#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/html/page_host.h"
#include "platform/html/page_view_window.h"

class RecordingScript;

// A page host for tests of a screen's logic: no page runs; every script call, text
// and setting that reaches the page is recorded, and the test plays the user.
class RecordingPageHost : public PageHost {
public:
    struct ScriptCall {
        std::wstring function;
        std::vector<std::wstring> arguments;
        bool operator==(const ScriptCall&) const = default;
    };

    RecordingPageHost();
    ~RecordingPageHost() override;

    bool Open(HWND window, HMODULE module, UINT resourceId, PageHostEvents& events) override;
    void Close() override;
    void SetHostFlags(DWORD flags) override { hostFlags_ = flags; }
    void RefuseDrops() override { ++refuseDropsCalls_; }
    void Resize(const RECT& area) override { view_.Resize(area); }
    ComPtr<IHTMLDocument> Document() override;
    bool SetElementText(const std::wstring& id, const std::wstring& text) override;
    bool TranslateKey(MSG&) override { return false; }

    // What the page was given.
    const std::vector<ScriptCall>& Calls() const;
    std::vector<ScriptCall> CallsOf(const std::wstring& function) const;
    const std::map<std::wstring, std::wstring>& ElementTexts() const { return elementTexts_; }
    void ClearRecord();
    UINT ResourceId() const { return resourceId_; }
    DWORD HostFlags() const { return hostFlags_; }
    int RefuseDropsCalls() const { return refuseDropsCalls_; }
    bool IsOpen() const { return open_; }

    // How the page answers: an integer result of a function, a function the page
    // lacks, one that throws; a page that loads without a document.
    void SetResult(const std::wstring& function, int value);
    void RemoveFunction(const std::wstring& function);
    void MakeThrow(const std::wstring& function);
    void SetWithoutDocument(bool without) { withoutDocument_ = without; }

    // The user and the browser: a click on an element (with its ancestors, the
    // nearest first), any element event, a completed load.
    HRESULT Click(const std::wstring& id, const std::vector<std::wstring>& ancestors = {});
    HRESULT Fire(PageEvent event, const std::vector<PageElement>& path);
    void CompleteDocument();

private:
    PageHostEvents* events_ = nullptr;
    PageViewWindow view_;
    ComPtr<RecordingScript> script_;
    std::map<std::wstring, std::wstring> elementTexts_;
    DWORD hostFlags_ = 0;
    int refuseDropsCalls_ = 0;
    UINT resourceId_ = 0;
    bool open_ = false;
    bool withoutDocument_ = false;
};
