#include "screens/scan/scan_screens/html_result_screens.h"

#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/modal_prompts.h"
#include "foundation/system_helpers.h"
#include "platform/ui/modal_popup.h"
#include "screens/scan/scan_screens/scan_screens_ids.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/driver_optimizer_app.h"
#include "shell/exclusions/exclusion_list.h"

namespace {

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

std::wstring OsMajorText() { return std::to_wstring(GetWindowsMajorVersion()); }

// Places a window at (0, 0) in the given size, then centred on `over`.
void PlaceCentred(HWND window, int width, int height, HWND over) {
    MoveWindow(window, 0, 0, width, height, FALSE);
    if (over == nullptr || (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0) return;
    RECT area{};
    GetWindowRect(over, &area);
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR ShowOverBackdrop(HWND mainWindow, CDLG_HTML_DRIVER_DETAILS& popup) {
    ui::Dialog& dialog = popup;
    const INT_PTR result = BringToFront(mainWindow, &dialog, IDD_HTML_DRIVER_DETAILS);
    if (result != -1) return result;
    // No backdrop in this run: the pop-up alone, still counted as open.
    const ScopedPopupBusy open;
    return popup.DoModal(mainWindow);
}

}  // namespace

std::vector<std::wstring> CurrentScanResultsTexts(const CDriverScanUpdate& engine) {
    return ScanResultsPageTexts(CurrentScanStatus().load(), engine.updateResults.GetSize());
}

// ---------------------------------------------------------------- driver details

CDLG_HTML_DRIVER_DETAILS::CDLG_HTML_DRIVER_DETAILS()
    : CChildHtmlDialog(IDD_HTML_DRIVER_DETAILS, IDR_HTML_DRIVER_DETAILS) {}

BOOL CDLG_HTML_DRIVER_DETAILS::OnInitDialog() {
    CChildHtmlDialog::OnInitDialog();
    PlaceCentred(Handle(), 553, 350, GetWindow(Handle(), GW_OWNER));
    return TRUE;
}

std::span<const HtmlEventEntry> CDLG_HTML_DRIVER_DETAILS::EventTable() const {
    static const HtmlEventEntry events[] = {
        OnElement(L"idButtonOKBottom", PageEvent::Click, &CDLG_HTML_DRIVER_DETAILS::OnOkClick),
    };
    return events;
}

void CDLG_HTML_DRIVER_DETAILS::OnDocumentReady() {
    m_webPage.InvokeScript1(L"setheaderImg", IsDriverBackupModeEnabled() ? L"1" : L"0");
    m_webPage.InvokeScriptArgs(L"settext", m_texts);
}

HRESULT CDLG_HTML_DRIVER_DETAILS::OnOkClick(const PageElement&) {
    m_busy = 0;
    if (GetOpenPopupCount() > 0) CloseModalPopup(Handle());
    EndDialog(0);
    return S_OK;
}

LRESULT CDLG_HTML_DRIVER_DETAILS::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        KillTimer(wParam);
        if (wParam == 101 && !m_texts.empty()) m_webPage.InvokeScriptArgs(L"settext", m_texts);
        return 0;
    }
    return CChildHtmlDialog::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------- last scan

CDLG_HTML_LAST_SCAN_INFO::CDLG_HTML_LAST_SCAN_INFO(ScanScreensHost& host)
    : CChildHtmlDialog(IDD_HTML_LAST_SCAN_INFO, IDR_HTML_LAST_SCAN_INFO), host_(host) {}

std::span<const HtmlEventEntry> CDLG_HTML_LAST_SCAN_INFO::EventTable() const {
    using Page = CDLG_HTML_LAST_SCAN_INFO;
    static const HtmlEventEntry events[] = {
        OnElement(L"btnLastScanResults", PageEvent::Click, &Page::OnViewLastResultsClick),
        OnElement(L"btnScanNowClick", PageEvent::Click, &Page::OnStartScanClick),
        OnElement(L"btnScanNow", PageEvent::Click, &Page::OnStartScanClick),
        OnElement(L"btnUpdateNow", PageEvent::Click, &Page::OnUpdateNowClick),
        OnElement(L"btnStartScanNow", PageEvent::Click, &Page::OnStartScanClick),
        OnElement(L"btnStartScanNowUnchecked", PageEvent::Click, &Page::OnStartScanClick),
    };
    return events;
}

void CDLG_HTML_LAST_SCAN_INFO::OnDocumentReady() {
    m_webPage.InvokeScript1(L"setlanguage", GetLanguageCode());
    m_webPage.InvokeScript1(L"setosid", OsMajorText());
    FillPage();
}

void CDLG_HTML_LAST_SCAN_INFO::FillPage() {
    m_webPage.InvokeScript1(L"setlanguage", GetLanguageCode());
    m_webPage.InvokeScript1(L"setosid", OsMajorText());
    const LastScanPage page = FillLastScanPage();
    m_bHasRecentScan = page.hasRecentScan ? 1 : 0;
    m_webPage.InvokeScriptArgs(L"settext", page.values);
}

HRESULT CDLG_HTML_LAST_SCAN_INFO::OnViewLastResultsClick(const PageElement&) {
    m_busy = 0;
    host_.SetMainTimer(105, 90);
    return S_OK;
}

HRESULT CDLG_HTML_LAST_SCAN_INFO::OnStartScanClick(const PageElement&) {
    host_.CheckInternetAndContinue();
    return S_OK;
}

HRESULT CDLG_HTML_LAST_SCAN_INFO::OnUpdateNowClick(const PageElement& element) {
    if (ShownScanStatus().load() == 1) {
        host_.SetMainTimer(105, 90);
        return S_OK;
    }
    return OnStartScanClick(element);
}

LRESULT CDLG_HTML_LAST_SCAN_INFO::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        KillTimer(wParam);
        if (wParam == kRefillTimer) FillPage();
        return 0;
    }
    return CChildHtmlDialog::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------- scan results

CDLG_HTML_SCAN_RESULTS::CDLG_HTML_SCAN_RESULTS(ScanScreensHost& host)
    : CChildHtmlDialog(IDD_HTML_SCAN_RESULTS, IDR_HTML_SCAN_RESULTS), host_(host) {
    showDetails = [this](CDLG_HTML_DRIVER_DETAILS& popup) { return ShowOverBackdrop(host_.MainWindow(), popup); };
    showMessage = [this](const std::wstring& text, UINT style) {
        return CurrentAppSystem().ShowMessageBox(host_.MainWindow(), text, GetAppTitle(), style);
    };
}

std::span<const HtmlEventEntry> CDLG_HTML_SCAN_RESULTS::EventTable() const {
    using Page = CDLG_HTML_SCAN_RESULTS;
    static const HtmlEventEntry events[] = {
        OnElement(L"idButtonTop", PageEvent::Click, &Page::OnUpdateAllClick),
        OnElement(L"idButtonBottom", PageEvent::Click, &Page::OnUpdateAllClick),
        OnElement(L"downloadid", PageEvent::Click, &Page::OnDownloadClick),
        OnElement(L"learnmoreid", PageEvent::Click, &Page::OnLearnMoreClick),
        OnElement(L"ignoreid", PageEvent::Click, &Page::OnIgnoreClick),
        OnElement(L"btnStartScan", PageEvent::Click, &Page::OnStartScanClick),
        OnElement(L"btnClose", PageEvent::Click, &Page::OnCloseClick),
    };
    return events;
}

void CDLG_HTML_SCAN_RESULTS::OnDocumentReady() {
    m_webPage.InvokeScript1(L"setlanguage", GetLanguageCode());
    m_webPage.InvokeScript1(L"setosid", OsMajorText());
    SetPageTexts();
}

void CDLG_HTML_SCAN_RESULTS::SetPageTexts() {
    m_webPage.InvokeScriptArgs(L"settext", CurrentScanResultsTexts(host_.App().ScanUpdate()));
}

int CDLG_HTML_SCAN_RESULTS::GetCurrentDriverId() {
    int device = -1;
    if (!m_webPage.InvokeScriptInteger(L"getcurrentDriveridid", {}, device)) return -1;
    return device;
}

std::optional<ClickedRow> CDLG_HTML_SCAN_RESULTS::CurrentRow() {
    int row = -1;
    if (!m_webPage.InvokeScriptInteger(L"getcurrentRowid", {}, row)) return std::nullopt;
    const CDriverScanUpdate& engine = host_.App().ScanUpdate();
    std::optional<ClickedRow> clicked = ResolveClickedRow(engine, row);
    if (!clicked) {
        WriteLogLine(L"Results page: row %d is not shown now; the click is ignored", row);
    } else if (GetCurrentDriverId() != clicked->deviceIndex) {
        // The page's own idea of the device does not count; the row decides.
        WriteLogLine(L"Results page: row %d names another device than the one shown there", row);
    }
    return clicked;
}

bool CDLG_HTML_SCAN_RESULTS::ExcludeResultRow(int row) {
    return ::ExcludeResultRow(host_.App().ScanUpdate(), host_.Exclusions(), row);
}

void CDLG_HTML_SCAN_RESULTS::FillRows() {
    host_.MarkResultsScreen();
    m_webPage.InvokeScript(L"clearrows");
    CDriverScanUpdate& engine = host_.App().ScanUpdate();
    if (CurrentScanStatus().load() != 0) {
        ResultsRowsContext rows{host_.App(), &host_.App().AuxiliaryList(), {}};
        FillScanResultsPage(rows, m_webPage);
        const int count = engine.updateResults.GetSize();
        SetPendingUpdateCount(count);
        SaveLastScanResultCount(count);
    }
    SetPageTexts();
}

void CDLG_HTML_SCAN_RESULTS::OnTimer(UINT_PTR id) {
    KillTimer(id);
    switch (id) {
        case kAskRefillTimer: SetTimer(kFillTimer, 27); break;
        case kFillTimer: FillRows(); break;
        case kActionTimer:
            host_.EnableNavigation(false);
            if (m_bUpdateAll != 0) UpdateAllSelected();
            else DownloadResultRow();
            break;
        default: break;
    }
}

void CDLG_HTML_SCAN_RESULTS::DownloadResultRow() {
    int item = 0;
    m_webPage.InvokeScriptInteger(L"getcurrentDownloadid", {}, item);
    const std::optional<ClickedRow> clicked = CurrentRow();
    if (!clicked) {
        host_.EnableNavigation(true);
        return;
    }
    const RowRequest request = ::DownloadResultRow(host_.App().ScanUpdate(), *clicked);
    switch (request.action) {
        case RowAction::Download:
        case RowAction::Install: {
            m_nChosenDevice = clicked->deviceIndex;
            m_nChosenRow = clicked->row;
            m_nMode = request.mode;
            UpdateRequest update;
            update.mode = request.mode;
            update.windowTimer = request.windowTimer;
            update.device = clicked->deviceIndex;
            update.row = clicked->row;
            // A downloaded package goes straight to the backup and the install.
            update.goOnToInstall = request.action == RowAction::Install;
            update.installOnly = request.action == RowAction::Install;
            host_.RequestUpdate(update);
            break;
        }
        case RowAction::RestartPrompt:
            if (host_.ShowRestartPrompt() == 0) host_.EnableNavigation(true);
            break;
        default:
            host_.EnableNavigation(true);
            break;
    }
}

void CDLG_HTML_SCAN_RESULTS::UpdateAllSelected() {
    host_.EnableNavigation(false);
    const UpdateAllOutcome outcome = ::UpdateAllSelected(host_.App().ScanUpdate());
    if (outcome == UpdateAllOutcome::Started) {
        m_nMode = 2;
        UpdateRequest update;
        update.mode = 2;
        update.windowTimer = 109;
        update.goOnToInstall = true;
        host_.RequestUpdate(update);
        return;
    }
    const UINT style = outcome == UpdateAllOutcome::NoRows ? MB_OK : MB_OK | MB_ICONINFORMATION;
    showMessage(LangText(UpdateAllMessageKey(outcome)), style);
    host_.EnableNavigation(true);
}

HRESULT CDLG_HTML_SCAN_RESULTS::OnUpdateAllClick(const PageElement&) {
    m_bUpdateAll = 1;
    SetTimer(kActionTimer, 64);
    return S_OK;
}

HRESULT CDLG_HTML_SCAN_RESULTS::OnDownloadClick(const PageElement&) {
    m_bUpdateAll = 0;
    SetTimer(kActionTimer, 64);
    return S_OK;
}

HRESULT CDLG_HTML_SCAN_RESULTS::OnLearnMoreClick(const PageElement&) {
    int item = 0;
    m_webPage.InvokeScriptInteger(L"getcurrentlearnmoreid", {}, item);
    m_busy = 0;
    const std::optional<ClickedRow> clicked = CurrentRow();
    if (!clicked) return S_OK;
    CDLG_HTML_DRIVER_DETAILS popup;
    popup.m_texts = DriverDetailsTexts(host_.App().ScanUpdate(), clicked->deviceIndex);
    showDetails(popup);
    SetTimer(kFillTimer, 27);
    return S_OK;
}

HRESULT CDLG_HTML_SCAN_RESULTS::OnIgnoreClick(const PageElement&) {
    int item = 0;
    m_webPage.InvokeScriptInteger(L"getcurrentignoreid", {}, item);
    m_busy = 0;
    const std::optional<ClickedRow> clicked = CurrentRow();
    if (!clicked) return S_OK;
    ExcludeResultRow(clicked->row);
    RemoveResultByRow(host_.App().ScanUpdate(), clicked->row);
    SetPendingUpdateCount(host_.App().ScanUpdate().updateResults.GetSize());
    SetTimer(kFillTimer, 27);
    return S_OK;
}

HRESULT CDLG_HTML_SCAN_RESULTS::OnStartScanClick(const PageElement&) {
    host_.CheckInternetAndContinue();
    return S_OK;
}

HRESULT CDLG_HTML_SCAN_RESULTS::OnCloseClick(const PageElement&) { return S_OK; }

LRESULT CDLG_HTML_SCAN_RESULTS::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        OnTimer(wParam);
        return 0;
    }
    return CChildHtmlDialog::WindowProc(message, wParam, lParam);
}
