#pragma once

#include <windows.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "shell/html_dialog/child_html_dialog.h"
#include "shell/toolkit/taskbar_notifier.h"

// The overdue-scan reminder that the slide-in notifier carries: how long ago the
// PC was scanned, and a button that starts a scan.
class CDlgTaskbarNag : public CChildHtmlDialog, public NotifierContent {
public:
    static constexpr UINT kTemplateId = 232;
    static constexpr UINT kPageId = 5426;

    CDlgTaskbarNag();

    // What the two buttons ask of the program: bring its window up and scan (the
    // notifier hides and the program stays), or only hide the notifier.
    std::function<void()> onScanNow;
    std::function<void()> onClose;
    // Days since the last scan; the stored scan time unless a test gives another.
    std::function<int()> daysSinceLastScan;

    // Sends the texts once the page has loaded and the scan is overdue.
    void SetTexts();
    bool Loaded() const { return loaded_; }
    // No page could be shown: the reminder shows its texts and buttons as plain
    // controls instead.
    bool Pageless() const { return pageless_; }
    static constexpr int kPlainScanButton = 1001, kPlainCloseButton = 1002;
    // How long the page may take to load before the plain controls take its place.
    static constexpr UINT kPageWatchTimer = 7, kPageWatchMs = 1500;
    int Result() const { return result_; }

    bool CreateIn(HWND notifier) override { return Create(notifier); }
    HWND ContentWindow() const override { return Handle(); }
    void RefreshTexts() override { SetTexts(); }

protected:
    std::span<const HtmlEventEntry> EventTable() const override;
    BOOL OnInitDialog() override;
    void OnDocumentReady() override;
    void OnPageUnavailable() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HRESULT OnScanNow(const PageElement& element);
    HRESULT OnCloseMe(const PageElement& element);

    bool loaded_ = false;
    bool pageless_ = false;
    int result_ = 0;
};

// The five texts of the reminder for `days` since the last scan; none while the
// scan is not overdue.
std::vector<std::wstring> TaskbarNagTexts(int days, bool backupMode);
