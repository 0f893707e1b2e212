#pragma once

#include <windows.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "shell/html_dialog/child_html_dialog.h"

// The first page of the main window: how up to date the PC is, with the way to a
// scan, to the update of outdated drivers, to the scan schedule and to feedback.
// What the page's links do in the rest of the program comes in as actions, so the
// screen needs no main window of its own to be shown and tested.
class CDlg_NewHome_Screen_HTML : public CChildHtmlDialog {
public:
    static constexpr UINT kTemplateId = 386;
    static constexpr UINT kPageId = 424;
    static constexpr UINT kRefreshTimer = 101;
    static constexpr UINT kIdleTimer = 102;
    static constexpr UINT kPageLoadedTimer = 103;

    struct Actions {
        std::function<void()> startScan = nullptr;        // the main window's internet check and continuation
        std::function<void()> postResults = nullptr;      // WM_COMMAND 1134 posted to the main window
        std::function<void()> showResultsNow = nullptr;   // the main window's 1134 handler, at once
        std::function<void()> showSchedule = nullptr;     // the settings page on its schedule tab
        std::function<void()> showFeedback = nullptr;     // the feedback form, modal
        std::function<void()> pageCompleted = nullptr;    // each completed load: the start-up may go on
        std::function<void()> pageUnavailable = nullptr;  // no page can be shown or it failed to load: the start-up goes on anyway
    };

    explicit CDlg_NewHome_Screen_HTML(Actions actions);

    // Works the status out of the stored scan and backup state and hands it to the
    // page; the texts it sent are kept for a look.
    void RefreshStatus();
    const std::vector<std::wstring>& LastStatus() const { return lastStatus_; }

    // The page's texts by key, in the order of its LoadStrings parameters.
    static std::span<const wchar_t* const> PageStringKeys();

    // The fix link leads to the results only while this is set.
    bool resultsFlag = true;

protected:
    void OnDocumentReady() override;
    void OnPageUnavailable() override;
    void OnPageLoadFailed() override;
    std::span<const HtmlEventEntry> EventTable() const override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HRESULT OnStartScan(const PageElement& element);
    HRESULT OnFixErrors(const PageElement& element);
    HRESULT OnOutOfDateFiles(const PageElement& element);
    HRESULT OnSchedule(const PageElement& element);
    HRESULT OnFeedback(const PageElement& element);
    static void Run(const std::function<void()>& action) {
        if (action) action();
    }

    Actions actions_;
    std::vector<std::wstring> lastStatus_;
};
