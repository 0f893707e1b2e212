#include "screens/scan/home_screen/home_screen_dialog.h"

#include "foundation/app_settings.h"
#include "foundation/language_strings.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "screens/scan/home_screen/home_status.h"

namespace {

constexpr const wchar_t* kPageStringKeys[] = {
    L"string98",  L"string97",  L"string96",  L"string81",  L"string80",  L"string79",
    L"string78",  L"IDS_DRIVER_AGE", L"string68", L"string68", L"string160", L"string136",
    L"string135", L"string134", L"string133", L"string132", L"string131", L"string130",
    L"string129", L"string118", L"string117", L"string117", L"string116", L"string115",
    L"string114", L"string113", L"string112", L"IDC_SCANTAB_SCAN_NOW", L"string105", L"string104",
    L"string103", L"string102", L"string165", L"string166", L"string167", L"IDS_ALLUPTODATE_DRIVER",
    L"IDS_WHY_BACKUP", L"IDS_BACKUP_TIP_1", L"IDS_BACKUP_TIP_2", L"IDS_BACKUP_TIP_3", L"IDS_ALERT_1",
    L"IDS_ALERT_2",
};

std::wstring PageText(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

std::wstring LanguageCode() {
    std::wstring code;
    DWORD unused = 0;
    GetUserRegistryValue(kProductKeyPath, L"LangCode", code, unused, 1);
    return code.empty() ? L"en" : code;
}

}  // namespace

CDlg_NewHome_Screen_HTML::CDlg_NewHome_Screen_HTML(Actions actions)
    : CChildHtmlDialog(kTemplateId, kPageId), actions_(std::move(actions)) {}

std::span<const wchar_t* const> CDlg_NewHome_Screen_HTML::PageStringKeys() { return kPageStringKeys; }

std::span<const HtmlEventEntry> CDlg_NewHome_Screen_HTML::EventTable() const {
    using Self = CDlg_NewHome_Screen_HTML;
    static const HtmlEventEntry kEvents[] = {
        OnElement(L"idGreenStartScanNowBtnLeftDiv", PageEvent::Click, &Self::OnStartScan),
        OnElement(L"idGreenStartScanNowBtnMiddleDiv", PageEvent::Click, &Self::OnStartScan),
        OnElement(L"idGreenStartScanNowBtnRightDiv", PageEvent::Click, &Self::OnStartScan),
        OnElement(L"btnStartScanNow", PageEvent::Click, &Self::OnStartScan),
        OnElement(L"btnGreenStartScanNow", PageEvent::Click, &Self::OnStartScan),
        OnElement(L"idFixErrors", PageEvent::Click, &Self::OnFixErrors),
        OnElement(L"string103", PageEvent::Click, &Self::OnFixErrors),
        OnElement(L"idOutofDateFiles", PageEvent::Click, &Self::OnOutOfDateFiles),
        OnElement(L"string132", PageEvent::Click, &Self::OnSchedule),
        OnElement(L"idFeedbackLink", PageEvent::Click, &Self::OnFeedback),
    };
    static const std::vector<HtmlEventEntry> table = [] {
        std::vector<HtmlEventEntry> entries(std::begin(kEvents), std::end(kEvents));
        for (const wchar_t* tag : AllHtmlTagNames()) {
            for (PageEvent event : {PageEvent::SelectStart, PageEvent::DragStart, PageEvent::ContextMenu}) {
                entries.push_back(OnTag(tag, event, &CDlg_NewHome_Screen_HTML::OnSelectDragOrMenu));
            }
        }
        return entries;
    }();
    return table;
}

void CDlg_NewHome_Screen_HTML::OnDocumentReady() {
    m_webPage.InvokeScript1(L"setlanguage", LanguageCode());
    std::vector<std::wstring> texts;
    for (const wchar_t* key : kPageStringKeys) texts.push_back(PageText(key));
    m_webPage.InvokeScriptArgs(L"LoadStrings", texts);
    RefreshStatus();
    // The page shows itself once it holds its texts.
    SetTimer(kPageLoadedTimer, 10);
    Run(actions_.pageCompleted);
}

void CDlg_NewHome_Screen_HTML::OnPageUnavailable() { Run(actions_.pageUnavailable); }
void CDlg_NewHome_Screen_HTML::OnPageLoadFailed() { Run(actions_.pageUnavailable); }

void CDlg_NewHome_Screen_HTML::RefreshStatus() {
    const HomeStatus status = BuildHomeStatus(ReadHomeStatusInputs(), HomeStatusTexts{PageText, LocalDateAndTimeText});
    lastStatus_ = status.setTextArguments;
    m_webPage.InvokeScriptArgs(L"setText", lastStatus_);
}

HRESULT CDlg_NewHome_Screen_HTML::OnStartScan(const PageElement&) {
    Run(actions_.startScan);
    return S_OK;
}

HRESULT CDlg_NewHome_Screen_HTML::OnFixErrors(const PageElement& element) {
    if (ReadHomeStatusInputs().outdatedCount > 0 && resultsFlag) {
        Run(actions_.postResults);
        return S_OK;
    }
    return OnStartScan(element);
}

HRESULT CDlg_NewHome_Screen_HTML::OnOutOfDateFiles(const PageElement&) {
    Run(actions_.showResultsNow);
    return S_OK;
}

HRESULT CDlg_NewHome_Screen_HTML::OnSchedule(const PageElement&) {
    Run(actions_.showSchedule);
    return S_OK;
}

HRESULT CDlg_NewHome_Screen_HTML::OnFeedback(const PageElement&) {
    Run(actions_.showFeedback);
    InvalidateRect(Handle(), nullptr, TRUE);
    return S_OK;
}

LRESULT CDlg_NewHome_Screen_HTML::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam >= kRefreshTimer && wParam <= kPageLoadedTimer) {
        KillTimer(static_cast<UINT>(wParam));
        if (wParam == kRefreshTimer) RefreshStatus();
        if (wParam == kPageLoadedTimer) m_webPage.InvokeScript(L"setPageLoaded");
        return 0;
    }
    return CChildHtmlDialog::WindowProc(message, wParam, lParam);
}
