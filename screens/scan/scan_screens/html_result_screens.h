#pragma once

#include <windows.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "screens/scan/results_rows/results_pages.h"
#include "screens/scan/scan_screens/scan_screens_host.h"
#include "shell/html_dialog/child_html_dialog.h"

// The driver details pop-up: one device's installed driver beside the offered one.
// The opener fills `m_texts` (the 17 values of "settext") before showing it.
class CDLG_HTML_DRIVER_DETAILS : public CChildHtmlDialog {
public:
    CDLG_HTML_DRIVER_DETAILS();
    std::vector<std::wstring> m_texts;
    int m_busy = 0;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::span<const HtmlEventEntry> EventTable() const override;
    void OnDocumentReady() override;
    // Without its page the pop-up would have no button to close it by.
    void OnPageUnavailable() override { EndDialog(IDCANCEL); }

private:
    HRESULT OnOkClick(const PageElement& element);
};

// The summary of the last scan: how long ago, how many outdated drivers, how old
// the oldest, and the buttons to see the results, update or scan.
class CDLG_HTML_LAST_SCAN_INFO : public CChildHtmlDialog {
public:
    static constexpr UINT kRefillTimer = 101;

    explicit CDLG_HTML_LAST_SCAN_INFO(ScanScreensHost& host);
    void FillPage();

    int m_bHasRecentScan = 1;
    int m_busy = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::span<const HtmlEventEntry> EventTable() const override;
    void OnDocumentReady() override;

private:
    HRESULT OnViewLastResultsClick(const PageElement& element);
    HRESULT OnStartScanClick(const PageElement& element);
    HRESULT OnUpdateNowClick(const PageElement& element);

    ScanScreensHost& host_;
};

// The results of the last scan: one row per outdated driver with its actions, and
// the update-all button. A click on a row tells the program only the row: device
// and state come from the program's own results.
class CDLG_HTML_SCAN_RESULTS : public CChildHtmlDialog {
public:
    static constexpr UINT kAskRefillTimer = 101;
    static constexpr UINT kFillTimer = 102;
    static constexpr UINT kActionTimer = 108;

    explicit CDLG_HTML_SCAN_RESULTS(ScanScreensHost& host);

    void SetPageTexts();
    int GetCurrentDriverId();
    bool ExcludeResultRow(int row);
    void DownloadResultRow();
    void UpdateAllSelected();

    // Shows the details pop-up modally; the default runs it over the backdrop.
    std::function<INT_PTR(CDLG_HTML_DRIVER_DETAILS& popup)> showDetails;
    // The message boxes of update-all.
    std::function<int(const std::wstring& text, UINT style)> showMessage;

    int m_busy = 0;
    int m_nMode = 0;
    int m_nChosenDevice = -1;
    int m_nChosenRow = -1;
    int m_bUpdateAll = 1;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::span<const HtmlEventEntry> EventTable() const override;
    void OnDocumentReady() override;

private:
    void OnTimer(UINT_PTR id);
    void FillRows();
    // The row the page names, checked against what the program shows.
    std::optional<ClickedRow> CurrentRow();
    HRESULT OnUpdateAllClick(const PageElement& element);
    HRESULT OnDownloadClick(const PageElement& element);
    HRESULT OnLearnMoreClick(const PageElement& element);
    HRESULT OnIgnoreClick(const PageElement& element);
    HRESULT OnStartScanClick(const PageElement& element);
    HRESULT OnCloseClick(const PageElement& element);

    ScanScreensHost& host_;
};

// The settext values of the results page as they stand now.
std::vector<std::wstring> CurrentScanResultsTexts(const CDriverScanUpdate& engine);
