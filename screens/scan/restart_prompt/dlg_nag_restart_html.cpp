#include "screens/scan/restart_prompt/dlg_nag_restart_html.h"

#include <atomic>

#include "engine/system_restore_point.h"
#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/modal_prompts.h"
#include "foundation/product_shortcuts.h"
#include "platform/checked_format.h"
#include "platform/ui/modal_popup.h"
#include "screens/scan/restart_prompt/restart_prompt_ids.h"

namespace {

std::atomic<bool> restartChosen{false};

std::wstring LangText(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

}  // namespace

bool RestartWasChosen() { return restartChosen.load(); }

const HtmlEventEntry CDlg_NAG_RESTART_HTML::kEvents[] = {
    OnElement(L"btnRestart", PageEvent::Click, &CDlg_NAG_RESTART_HTML::OnRestart),
    OnElement(L"btnRestartLater", PageEvent::Click, &CDlg_NAG_RESTART_HTML::OnRestartLater),
    OnElement(L"btnClose", PageEvent::Click, &CDlg_NAG_RESTART_HTML::OnCloseButton),
};

CDlg_NAG_RESTART_HTML::CDlg_NAG_RESTART_HTML(RestartPromptActions actions)
    : CChildHtmlDialog(IDD_NAG_RESTART_HTML, IDR_NAG_RESTART_PAGE), actions_(std::move(actions)) {
    if (!actions_.restartWindows) actions_.restartWindows = [] { RestartWindows(); };
}

std::span<const HtmlEventEntry> CDlg_NAG_RESTART_HTML::EventTable() const { return kEvents; }

BOOL CDlg_NAG_RESTART_HTML::OnInitDialog() {
    CChildHtmlDialog::OnInitDialog();
    HWND owner = GetWindow(Handle(), GW_OWNER);
    RECT around{};
    if (owner == nullptr || !GetWindowRect(owner, &around)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    }
    const int width = 568;
    const int height = 410;
    SetWindowPos(Handle(), nullptr, around.left + (around.right - around.left - width) / 2,
                 around.top + (around.bottom - around.top - height) / 2, width, height, SWP_NOZORDER);
    return TRUE;
}

std::array<std::wstring, CDlg_NAG_RESTART_HTML::kTextCount> CDlg_NAG_RESTART_HTML::PageTexts(int operationKind) {
    const std::wstring title = GetProductTitle();
    std::array<std::wstring, kTextCount> texts;
    texts[0] = LangText(L"IDS_PLEASE_SAVE_WORK");
    texts[1] = FormatChecked(LangText(L"IDS_SYS_REBOOT"), {title});
    texts[2] = LangText(L"IDS_CLICK_ON");
    texts[3] = FormatChecked(LangText(L"IDS_APPL_REBOOT_SYS"), {title});
    texts[4] = LangText(L"IDS_SRESTARTORLOGOFF");
    texts[5] = LangText(L"string407");
    texts[6] = LangText(L"IDS_MANU_REBOOT_LATER");
    texts[7] = LangText(L"IDS_NOTE");
    texts[8] = FormatChecked(LangText(L"IDS_CONTINU_RUN_SYS"),
                             {LangText(operationKind == 2 ? L"IDS_INCOMP_RESTORE" : L"IDS_M_SINSTALLORRESTORE"), title});
    texts[9] = texts[4] + L" button";
    texts[10] = LangText(L"IDS_RESTART_NAG_RESTART_NOW");
    texts[11] = LangText(L"IDS_RESTART_NAG_RESTART_LATER");
    return texts;
}

void CDlg_NAG_RESTART_HTML::OnDocumentReady() {
    m_webPage.InvokeScript1(L"setlanguage", GetLanguageCode());
    m_webPage.InvokeScript1(L"setheaderImg", IsDriverBackupModeEnabled() ? L"1" : L"0");
    const auto texts = PageTexts(actions_.operationKind);
    m_webPage.InvokeScriptArgs(L"settext", std::vector<std::wstring>(texts.begin(), texts.end()));
}

const wchar_t* CDlg_NAG_RESTART_HTML::ProcessName() const {
    return actions_.operationKind == 2 ? L"Restore" : L"Update";
}

HRESULT CDlg_NAG_RESTART_HTML::OnRestart(const PageElement&) {
    restartChosen = true;
    // The next start shows how many drivers still wait.
    SaveLastScanResultCount(actions_.pendingCount ? actions_.pendingCount() : 0);
    Sleep(1);
    result_ = kRestartChosen;
    WriteLogLine(L"Restarting PC!, Current Process: %ls", ProcessName());
    actions_.restartWindows();
    ClosePopup();
    return S_OK;
}

HRESULT CDlg_NAG_RESTART_HTML::OnRestartLater(const PageElement&) {
    result_ = 0;
    WriteLogLine(L"Restart Later Pressed!, Current Process: %ls", ProcessName());
    ClosePopup();
    return S_OK;
}

HRESULT CDlg_NAG_RESTART_HTML::OnCloseButton(const PageElement&) {
    result_ = 0;
    ClosePopup();
    return S_OK;
}

void CDlg_NAG_RESTART_HTML::ClosePopup() {
    if (GetOpenPopupCount() > 0) CloseModalPopup(Handle());
    EndDialog(result_);
}

void RegisterRestartPrompt(HWND mainWindow, std::function<int()> operationKind, std::function<int()> pendingCount) {
    RegisterModalPrompt(ModalPrompt::Restart, [mainWindow, operationKind, pendingCount] {
        RestartPromptActions actions;
        actions.operationKind = operationKind ? operationKind() : 0;
        actions.pendingCount = pendingCount;
        CDlg_NAG_RESTART_HTML prompt(std::move(actions));
        const INT_PTR shown = prompt.DoModal(mainWindow);
        return shown < 0 ? 0 : prompt.Result();
    });
}
