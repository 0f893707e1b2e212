#include "screens/scan/nag_popups/taskbar_nag.h"

#include "foundation/app_settings.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "shell/scheduled_tasks/overdue_scan_reminder.h"

namespace {

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

void CDlgTaskbarNag::OnDocumentReady() {
    m_webPage.InvokeScript1(L"setlanguage", GetLanguageCode());
    loaded_ = true;
    SetTexts();
}

void CDlgTaskbarNag::SetTexts() {
    if (!loaded_) return;
    const std::vector<std::wstring> texts = TaskbarNagTexts(daysSinceLastScan(), IsDriverBackupModeEnabled());
    if (texts.empty()) return;
    m_webPage.InvokeScriptArgs(L"settext", texts);
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
