#include "screens/scan/nag_popups/taskbar_nag.h"

#include "foundation/app_settings.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "shell/scheduled_tasks/overdue_scan_reminder.h"

namespace {

constexpr int kPlainTitle = 1003, kPlainAge = 1004, kPlainDescription = 1005;

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

}  // namespace

std::vector<std::wstring> TaskbarNagTexts(int days, bool backupMode) {
    const auto age = DescribeOverdueScan(days);
    if (!age) return {};
    return {LangText(L"IDS_HLV_SYS_TR_MSG"), age->text, LangText(L"IDS_HLV_SYS_TR_MSGDESC"), LangText(L"IDS_HLV_BTN"),
            backupMode ? L"1" : L"0"};
}

CDlgTaskbarNag::CDlgTaskbarNag() : CChildHtmlDialog(kTemplateId, kPageId), daysSinceLastScan(DaysSinceLastScan) {}

std::span<const HtmlEventEntry> CDlgTaskbarNag::EventTable() const {
    static const std::vector<HtmlEventEntry> table = [] {
        std::vector<HtmlEventEntry> entries;
        for (const wchar_t* id : {L"idGreenStartScanNowBtnLeftDiv", L"btnStartScanNow", L"idGreenStartScanNowBtnMiddleDiv",
                                  L"idGreenStartScanNowBtnRightDiv"}) {
            entries.push_back(OnElement(id, PageEvent::Click, &CDlgTaskbarNag::OnScanNow));
        }
        entries.push_back(OnElement(L"btnCloseme", PageEvent::Click, &CDlgTaskbarNag::OnCloseMe));
        for (const wchar_t* tag : AllHtmlTagNames()) {
            for (PageEvent event : {PageEvent::SelectStart, PageEvent::DragStart, PageEvent::ContextMenu}) {
                entries.push_back(OnTag(tag, event, &CDlgTaskbarNag::OnSelectDragOrMenu));
            }
        }
        return entries;
    }();
    return table;
}

BOOL CDlgTaskbarNag::OnInitDialog() {
    CChildHtmlDialog::OnInitDialog();
    if (!pageless_) SetTimer(kPageWatchTimer, kPageWatchMs);
    return TRUE;
}

void CDlgTaskbarNag::OnDocumentReady() {
    m_webPage.InvokeScript1(L"setlanguage", GetLanguageCode());
    loaded_ = true;
    SetTexts();
}

void CDlgTaskbarNag::SetTexts() {
    if (!loaded_) return;
    const std::vector<std::wstring> texts = TaskbarNagTexts(daysSinceLastScan(), IsDriverBackupModeEnabled());
    if (texts.empty()) return;
    if (pageless_) {
        const int ids[] = {kPlainTitle, kPlainAge, kPlainDescription, kPlainScanButton};
        for (int i = 0; i < 4; ++i) SetDlgItemTextW(Handle(), ids[i], texts[static_cast<size_t>(i)].c_str());
        return;
    }
    m_webPage.InvokeScriptArgs(L"settext", texts);
}

void CDlgTaskbarNag::OnPageUnavailable() {
    // The reminder must still say what it is for and let the user scan.
    if (pageless_) return;
    pageless_ = true;
    loaded_ = true;
    const struct {
        int id;
        const wchar_t* className;
        DWORD style;
        RECT place;
    } controls[] = {
        {kPlainTitle, L"STATIC", SS_LEFT | SS_NOPREFIX, {12, 10, 290, 28}},
        {kPlainCloseButton, L"BUTTON", BS_PUSHBUTTON, {292, 6, 314, 28}},
        {kPlainAge, L"STATIC", SS_LEFT | SS_NOPREFIX, {12, 40, 308, 58}},
        {kPlainDescription, L"STATIC", SS_LEFT | SS_NOPREFIX, {12, 62, 308, 124}},
        {kPlainScanButton, L"BUTTON", BS_DEFPUSHBUTTON, {178, 132, 308, 160}},
    };
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (const auto& c : controls) {
        HWND control = CreateWindowExW(0, c.className, c.id == kPlainCloseButton ? L"\x00D7" : L"",
                                       WS_CHILD | WS_VISIBLE | c.style, c.place.left, c.place.top,
                                       c.place.right - c.place.left, c.place.bottom - c.place.top, Handle(),
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleW(nullptr),
                                       nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SetTexts();
}

LRESULT CDlgTaskbarNag::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kPageWatchTimer) {
        KillTimer(kPageWatchTimer);
        // A view that never brings its document (no document engine) stays blank:
        // it goes, and the plain controls come.
        if (!loaded_) {
            if (Host() != nullptr) Host()->Close();
            OnPageUnavailable();
        }
        return 0;
    }
    if (message == WM_COMMAND && pageless_ && HIWORD(wParam) == BN_CLICKED) {
        static const PageElement none;
        if (LOWORD(wParam) == kPlainScanButton) {
            OnScanNow(none);
            return 0;
        }
        if (LOWORD(wParam) == kPlainCloseButton) {
            OnCloseMe(none);
            return 0;
        }
    }
    return CChildHtmlDialog::WindowProc(message, wParam, lParam);
}

HRESULT CDlgTaskbarNag::OnScanNow(const PageElement&) {
    result_ = 0;
    if (onScanNow) onScanNow();
    EndDialog(0);
    return S_OK;
}

HRESULT CDlgTaskbarNag::OnCloseMe(const PageElement&) {
    result_ = 0;
    EndDialog(0);
    if (onClose) onClose();
    return S_OK;
}
