#include "shell/app/main_window.h"

// The navigation band: the tab buttons, help and language buttons and their menus.
#include <commctrl.h>

#include <vector>

#include "engine/backup_restore_runs.h"
#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/modal_prompts.h"
#include "foundation/product_key.h"
#include "foundation/product_shortcuts.h"
#include "foundation/registry_values.h"
#include "foundation/shared_constants.h"
#include "foundation/system_helpers.h"
#include "foundation/window_helpers.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/app/internet_check.h"
#include "shell/app/kv_menu.h"
#include "shell/app/startup_switches.h"
#include "shell/splash_about/dlg_about.h"
#include "shell/splash_about/dlg_parent_transculent.h"
#include "shell/splash_about/dlg_splash.h"
#include "shell/splash_about/splash_about_ids.h"
#include "shell/toolkit/bitmap_pieces.h"
#include "shell/toolkit/toolkit_context.h"
#include "resources/toolkit/toolkit_ids.h"
#include "platform/ui/message_pump.h"
#include "platform/ui/modal_popup.h"
#include "shell/scheduled_tasks/scheduled_scan_task.h"
#include "shell/web_requests/program_update_check.h"
#include "shell/web_requests/web_request_host.h"
#include "shell/app/dialog_placement.h"
#include "shell/app/main_window_parts.h"
#include "shell/toolkit/hover_buttons.h"

namespace {

using namespace MainCommand;
using namespace main_window_parts;

}  // namespace

void CHvAppDlg::SetupNavigationButtons() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = client.right;
    const bool backupMode = IsDriverBackupModeEnabled();
    struct Tab {
        UINT id;
        const wchar_t* caption;
        UINT bitmap;
        int x;
    };
    const Tab tabs[] = {{kHome, L"IDS_BTN_HOME", 143, 168},
                        {kScanTab, L"TABBTN1", 147, backupMode ? 338 : 253},
                        {kBackupTab, L"TABBTN2", 137, backupMode ? 253 : 338},
                        {kSettings, L"IDS_BTN_SETTINGS", 148, 423},
                        {kDownloads, L"IDS_DOWNLOADS", 146, 508}};
    const auto make = [this](CHoverButton& button, UINT id, const std::wstring& caption, int x, int y, int w, int h) {
        ui::ControlArgs args;
        args.parent = Handle();
        args.id = static_cast<int>(id);
        args.text = caption.c_str();
        args.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
        args.x = x;
        args.y = y;
        args.width = w;
        args.height = h;
        button.Create(args);
        navigation_[id] = button.Handle();
    };
    for (const Tab& tab : tabs) {
        auto& button = tabButtons_[tab.id];
        button = std::make_unique<CMyHoverButton>();
        button->m_bWhiteText = true;
        const std::wstring caption = LangText(tab.caption);
        make(*button, tab.id, caption, tab.x, 0, 85, 74);
        button->LoadImages(tab.bitmap, 0, caption);
        MoveWindow(button->Handle(), tab.x, 0, 85, 74, FALSE);
    }

    languageButton_.m_bLanguageFlag = true;
    make(languageButton_, kLanguageButton, L"", width - 28, 1, 28, 16);
    languageButton_.LoadBitmap(kLanguageButtonBitmap);

    const std::wstring help = LangText(L"IDS_BTN_HELP");
    helpButton_.m_bWhiteText = true;
    make(helpButton_, kHelpMenu, help, 0, 1, 0, 0);
    helpButton_.LoadImages(kHelpButtonBitmap, 0, help);
    SetWindowPos(helpButton_.Handle(), nullptr, width - helpButton_.m_frameWidth - 28, 1, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    const std::wstring feedback = LangText(L"IDS_SUBMIT_FEEEDBACK");
    feedbackButton_.m_bBlueText = true;
    feedbackButton_.m_bAutoWidth = true;
    make(feedbackButton_, kFeedback, feedback, 10, 0, 0, 0);
    feedbackButton_.LoadImages(kFeedbackButtonBitmap, 0, feedback);
    SetWindowPos(feedbackButton_.Handle(), nullptr, 10, client.bottom - feedbackButton_.m_frameHeight, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EnableWindow(feedbackButton_.Handle(), TRUE);

    SelectNavigation(kHome);
    // Each button as large as the image that sized its client area.
    for (const auto& [id, window] : navigation_) FitDialogToClient(window);
    InvalidateRect(helpButton_.Handle(), nullptr, FALSE);

    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, Handle(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
}

void CHvAppDlg::ClearTabSelection() {
    for (UINT id : kNavigationIds) {
        selected_[id] = false;
        if (auto it = tabButtons_.find(id); it != tabButtons_.end()) it->second->m_bLatched = false;
        InvalidateRect(navigation_[id], nullptr, FALSE);
    }
}

void CHvAppDlg::SelectNavigation(UINT id) {
    ClearTabSelection();
    selected_[id] = true;
    if (auto it = tabButtons_.find(id); it != tabButtons_.end()) it->second->m_bLatched = true;
}

UINT CHvAppDlg::SelectedNavigationButton() const {
    for (UINT id : kNavigationIds) {
        const auto it = selected_.find(id);
        if (it != selected_.end() && it->second) return id;
    }
    return 0;
}

void CHvAppDlg::EnableNavigation(BOOL enable) {
    for (UINT id : {kHome, kScanTab, kBackupTab, kDownloads, kSettings, kHelpMenu, kLanguageButton}) {
        EnableWindow(navigation_[id], enable);
        // An owner-drawn button shows a change of state only when it paints again.
        InvalidateRect(navigation_[id], nullptr, FALSE);
    }
    subHeader_.EnableButtons(enable != FALSE);
}

bool CHvAppDlg::NavigationEnabled() const {
    const auto it = navigation_.find(kHome);
    return it != navigation_.end() && IsWindowEnabled(it->second);
}

void CHvAppDlg::ShowScanTab() { SelectNavigation(kScanTab); }

void CHvAppDlg::OnLanguageChosen(UINT commandId) {
    const unsigned language = commandId - kFirstLanguage;
    if (language >= kLanguageCount || language == GetLanguageId()) return;
    AppSystem& system = CurrentAppSystem();
    if (system.ShowMessageBox(Handle(), LangText(L"IDS_LANG_CHANGE_PROMPT"), GetProductTitle(), MB_YESNO | MB_ICONQUESTION) ==
        IDNO) {
        return;
    }
    const std::wstring subKey = std::wstring(kProductKeyPath) + kLanguageSubKey;
    const std::wstring code = LanguageTable[language].code;
    const struct {
        HKEY root;
        REGSAM view;
    } roots[] = {{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, {HKEY_CURRENT_USER, 0}};
    for (const auto& r : roots) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(r.root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | r.view, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            continue;
        }
        const DWORD id = language;
        RegSetValueExW(key, L"LangID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&id), sizeof(id));
        RegSetValueExW(key, L"LangCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(code.c_str()),
                       static_cast<DWORD>((code.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    system.LaunchThroughShell(Handle(), L"open", L"\"" + GetModulePath() + L"\"", L"-changelang", L"");
    system.EndProcess(0);
}

void CHvAppDlg::ShowHelpMenu() {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kHelpMenuResource));
    HMENU popup = menu != nullptr ? GetSubMenu(menu, 0) : nullptr;
    if (popup == nullptr) {
        if (menu != nullptr) DestroyMenu(menu);
        return;
    }
    DeleteMenu(popup, kNothing, MF_BYCOMMAND);
    const std::pair<UINT, const wchar_t*> captions[] = {
        {kHelpPage, L"IDS_BTN_HELP"}, {kLanguagePage, L"IDS_SEL_LANG"}, {kCheckUpdates, L"IDS_CHK_FOR_UPDATES"},
        {kAbout, L"IDS_BTN_ABOUT"}};
    for (const auto& [id, key] : captions) ModifyMenuW(popup, id, MF_BYCOMMAND | MF_STRING, id, LangText(key).c_str());
    RECT button{};
    GetWindowRect(navigation_[kHelpMenu], &button);
    TrackPopupMenu(popup, TPM_LEFTBUTTON, button.left + 5, button.top + 17, 0, Handle(), nullptr);
    DestroyMenu(menu);
}

void CHvAppDlg::ShowLanguageMenu() {
    languageMenuOpen_ = true;
    KVMenu menu;
    HIMAGELIST flags = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(221), 14, 25,
                                            RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    for (unsigned row = 0; row < kLanguageCount; ++row) {
        if (LanguageTable[row].available == 0) continue;
        menu.AppendMenuItem(LanguageTable[row].displayName, kFirstLanguage + row, flags, static_cast<int>(row));
    }
    // The language in use is the checked one.
    CheckMenuItem(menu.Handle(), kFirstLanguage + GetLanguageId(), MF_BYCOMMAND | MF_CHECKED);
    if (flags != nullptr) ImageList_Destroy(flags);
    RECT button{};
    GetWindowRect(navigation_[kLanguageButton], &button);
    TrackPopupMenu(menu.Handle(), TPM_LEFTBUTTON, button.left + 5, button.top + 17, 0, Handle(), nullptr);
    languageMenuOpen_ = false;
}
