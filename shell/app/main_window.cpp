#include "shell/app/main_window.h"

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
#include "shell/app/main_window_parts.h"

namespace {

using namespace MainCommand;
using namespace main_window_parts;

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

}  // namespace

std::atomic<bool>& UiReleased() {
    static std::atomic<bool> released{false};
    return released;
}

LRESULT CXTTrayIconRV::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
    if (wParam != Id() || Owner() == nullptr) return 0;
    if (SendMessageW(Owner(), kCallbackMessage, wParam, lParam) != 0) return 1;
    const UINT event = LOWORD(lParam);
    const bool busy = IsAppBusy();
    if (event == WM_CONTEXTMENU || event == WM_LBUTTONUP || event == NIN_SELECT || event == NIN_KEYSELECT) {
        if (GetOpenPopupCount() > 0) return 1;
        if (owner_.HiddenInTray()) {
            owner_.RestoreFromTray();
        } else if (!busy) {
            // While work runs the click only brings the window forward.
            owner_.ShowPage(MainPageId::Home);
            InvalidateRect(Owner(), nullptr, FALSE);
            PostMessageW(Owner(), WM_COMMAND, PendingUpdateCount() == 0 ? kHome : kResults, 0);
        }
        return 1;
    }
    if (event == WM_RBUTTONUP) {
        if (busy) return 1;
        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kTrayIconId));
        HMENU popup = menu != nullptr ? GetSubMenu(menu, 0) : nullptr;
        if (popup == nullptr) {
            if (menu != nullptr) DestroyMenu(menu);
            return 0;
        }
        SetMenuDefaultItem(popup, defaultMenuItem_, defaultByPosition_ ? TRUE : FALSE);
        ModifyMenuW(popup, 0, MF_BYPOSITION | MF_STRING, kTrayAbout, LangText(L"IDS_ABOUTBOX").c_str());
        ModifyMenuW(popup, 2, MF_BYPOSITION | MF_STRING, kTrayExit, LangText(L"string169").c_str());
        POINT cursor{};
        GetCursorPos(&cursor);
        SetForegroundWindow(Owner());
        TrackPopupMenu(popup, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, Owner(), nullptr);
        PostMessageW(Owner(), WM_NULL, 0, 0);
        DestroyMenu(menu);
        Notify(NIM_SETFOCUS);
        return 1;
    }
    return 0;
}

CHvAppDlg::CHvAppDlg(CHvApp& app, PageFactory& pages, TrayShell tray)
    : CMainBorder(kMainWindowTemplate),
      internetCheck(IsConnectedToInternet),
      startUpdateCheck([](bool updateCheckStart) {
          CCheckUpdateThread::Start(ProgramUpdate(), SystemWebRequestHost(), updateCheckStart);
      }),
      setUpFirstRun([] {
          DeleteLegacyScheduledTasks();
          CreateDefaultUpdateTask();
      }),
      app_(app),
      pageFactory_(pages),
      trayIcon_(*this, tray) {
    // The main window is dragged by its edges like any framed window.
    m_bFixedPosition = false;
    // A new main window is hidden until its own start-up releases it.
    UiReleased() = false;
}

CHvAppDlg::~CHvAppDlg() {
    SetMainWindowBackupCountReceiver(nullptr);
    SetBackdropRunner({});
    windowGoing_ = true;
    splash_.reset();
    // What the window knew of the last scan and the texts it looked up outlive it.
    if (!app_.IsSecondInstance()) SaveLastScanResultCount(PendingUpdateCount());
    SaveLangCache(LanguageFileCache());
    pages_.clear();
    RestoreDialogFont(fontState_);
    if (Handle() != nullptr && IsWindow(Handle())) DestroyWindow(Handle());
    if (icon_ != nullptr) DestroyIcon(icon_);
}

HWND CHvAppDlg::Create() {
    // The splash first: building the window and its pages is what the user waits for.
    ShowSplash();
    if (!CMainBorder::Create(nullptr)) {
        splash_.reset();
        return nullptr;
    }
    Show(SW_HIDE);
    SetMainWindowBackupCountReceiver([this](int32_t count) { lastBackupCount_ = count; });
    // Pop-ups of every screen run over the translucent backdrop.
    InstallBackdropRunner();
    return Handle();
}

void CHvAppDlg::GiveChildFont(HWND root) {
    HFONT font = app_.Font(6);
    if (font == nullptr || root == nullptr) return;
    if (root != Handle()) SetFontOnChild(root, reinterpret_cast<LPARAM>(font));
    EnumChildWindows(root, SetFontOnChild, reinterpret_cast<LPARAM>(font));
}

CHvAppDlg* CHvAppDlg::FromWindow(HWND window) { return dynamic_cast<CHvAppDlg*>(ui::Window::FromHandle(window)); }

BOOL CHvAppDlg::OnInitDialog() {
    CMainBorder::OnInitDialog();
    // The window keeps the system's caption with its own close and minimise boxes;
    // the frame's caption buttons would stand under the help and language buttons.
    for (CHoverButton* button : {&m_closeButton, &m_minimizeButton, &m_thirdButton}) {
        button->Show(SW_HIDE);
        button->Enable(false);
    }
    SetWindowLongW(Handle(), GWL_STYLE, GetWindowLongW(Handle(), GWL_STYLE) | WS_MINIMIZEBOX);
    ScaleDialogFont(Handle(), kMainWindowTemplate, 96.0, ResourceModule(), fontState_);
    const std::wstring about = LangText(L"IDS_ABOUTBOX");
    if (!about.empty()) {
        HMENU system = GetSystemMenu(Handle(), FALSE);
        AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(system, MF_STRING, kSystemAbout, about.c_str());
    }
    icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId));
    if (icon_ == nullptr) icon_ = LoadIconW(nullptr, IDI_APPLICATION);
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    SetWindowTextW(Handle(), GetProductTitle().c_str());
    MoveWindow(Handle(), 0, 0, kWidth, kHeight, FALSE);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - kWidth) / 2,
                 work.top + (work.bottom - work.top - kHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    SetupNavigationButtons();
    LayoutPages();
    GiveChildFont(Handle());
    // The update check's questions belong to this window.
    SystemWebRequestHost().SetOwnerWindow(Handle());

    const StartupSwitches& switches = app_.Switches();
    if (switches.startActionFullBackup || switches.startActionFullBackupRestore ||
        switches.startActionPartialBackupRestore) {
        PostMessageW(Handle(), WM_COMMAND, kDownloads, 0);
    }
    if (switches.startActionSchedule) {
        PostMessageW(Handle(), WM_COMMAND, kSettings, 0);
        if (MainPage* settings = Page(MainPageId::Settings); settings != nullptr && settings->Window() != nullptr) {
            PostMessageW(settings->Window(), WM_COMMAND, kSettingsScheduleTab, 0);
        }
    }
    if (switches.scanRequested) {
        if (internetCheck()) CheckInternetAndContinue();
        else SetTimer(MainTimer::kShowHome, 90);
    }
    // The window must come up even when no page can be shown: without word from the
    // home page the start goes on after a while.
    SetTimer(kReleaseFallbackTimer, releaseFallbackMs);
    focusTarget_ = kHome;
    return TRUE;
}

void CHvAppDlg::RestoreFromTray() {
    hiddenInTray_ = false;
    trayIcon_.MaximizeFromTray(Handle());
    trayIcon_.HideIcon();
    RestoreAndActivate();
}

void CHvAppDlg::RestoreAndActivate() {
    ShowWindow(Handle(), SW_RESTORE);
    ForceForegroundWindow(Handle());
    BringWindowToTop(Handle());
    SetForegroundWindow(Handle());
}

void CHvAppDlg::RequestQuit() {
    app_.ForgetMainWindow();
    DestroyWindow(Handle());
    PostQuitMessage(0);
}

void CHvAppDlg::EnsureTrayIcon() {
    if (trayIconMade_) return;
    trayIconMade_ = true;
    trayIcon_.Create(GetProductTitle(), Handle(), kAppIconId, kTrayIconId);
    trayIcon_.HideIcon();
}

void CHvAppDlg::EnsureNotifier() {
    if (notifierMade_ || windowGoing_ || Handle() == nullptr) return;
    notifierMade_ = true;
    reminder_ = pageFactory_.MakeReminder({[this] { OnReminderScanNow(); }, [this] { OnReminderClose(); }});
    if (!notifier_.Create(Handle(), reminder_.get())) {
        WriteLogLine(L"The slide-in notifier could not be made");
        return;
    }
    notifier_.SetFonts();
    if (notifier_.SetSkin()) {
        const SIZE size = notifier_.Size();
        notifier_.SetTextRect({10, 40, size.cx - 10, size.cy - 25});
    }
    notifier_.onHidden = [this] {
        if (!reminderRestored_) SetTimer(MainTimer::kQuit, 0);
    };
}

void CHvAppDlg::ShowReminder() {
    EnsureNotifier();
    if (notifier_.Show()) return;
    // A start made only for the reminder would otherwise wait, hidden, for good.
    WriteLogLine(L"The overdue-scan reminder could not be shown");
    if (!reminderRestored_) SetTimer(MainTimer::kQuit, 0);
}

void CHvAppDlg::OnReminderScanNow() {
    reminderRestored_ = true;
    SetTimer(MainTimer::kBringToFront, 90);
    CheckInternetAndContinue();
    notifier_.Hide();
}

void CHvAppDlg::OnReminderClose() {
    notifier_.Hide();
    if (!reminderRestored_) SetTimer(MainTimer::kQuit, 0);
}

void CHvAppDlg::GoToTray() {
    EnsureTrayIcon();
    hiddenInTray_ = true;
    trayIcon_.MinimizeToTray(Handle());
    trayIcon_.ShowIcon();
}

void CHvAppDlg::OnCancel() {
    // Closing while work runs or a pop-up is open would lose that work: the window
    // only comes forward.
    if (IsAppBusy()) {
        if (hiddenInTray_) RestoreFromTray();
        else if (IsWindowVisible(Handle())) RestoreAndActivate();
        return;
    }
    if (GetAppSettings().goToSystemTrayOnClose != 0) GoToTray();
    else RequestQuit();
}

bool CHvAppDlg::ShowSplash() {
    if (!app_.Switches().showUi) return false;
    if (!splash_) {
        splash_ = std::make_unique<CDlgSplash>();
        if (!splash_->Create(nullptr)) {
            splash_.reset();
            return false;
        }
    }
    splash_->Show(SW_SHOW);
    ui::PumpPendingMessages();
    UpdateWindow(splash_->Handle());
    ui::PumpPendingMessages();
    return splash_->Exists();
}

bool CHvAppDlg::SplashShown() const { return splash_ && splash_->Exists() && splash_->IsVisible(); }

void CHvAppDlg::ShowAbout() {
    if (aboutOpen_) return;
    aboutOpen_ = true;
    CDlgAboutMain about;
    BringToFront(Handle(), &about, IDD_ABOUT_MAIN);
    aboutOpen_ = false;
    SetFocus(navigation_[focusTarget_]);
}

void CHvAppDlg::OnSysCommand(WPARAM command, LPARAM lParam) {
    const UINT kind = static_cast<UINT>(command & 0xFFF0);
    if (GetOpenPopupCount() > 0 && kind != SC_CLOSE) return;
    if (command == kSystemAbout) {
        if (!AppBusy().scanRunning.load()) PostMessageW(Handle(), WM_COMMAND, kAboutButton, 0);
        return;
    }
    if (kind == SC_KEYMENU && !UiReleased().load()) return;
    if (kind == SC_CLOSE) {
        if (languageMenuOpen_ || aboutOpen_) return;
        SaveSettings();
        OnCancel();
        return;
    }
    DefWindowProcW(Handle(), WM_SYSCOMMAND, command, lParam);
}

// Enter on the main window (the dialog's default command) neither hides nor ends it.
void CHvAppDlg::OnOK() {}

LRESULT CHvAppDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MsgPostMainUIContinue) return OnPostMainUIContinue();
    if (message == MsgShowChildHtmDlg) return OnShowChildPage(wParam);
    if (message == MsgShowDlgDownloadMissingDriver) return 0;
    switch (message) {
        case WM_COMMAND: {
            const UINT id = LOWORD(wParam);
            // The frame's own caption buttons are the frame's business.
            if (id == kMinimizeId || id == kThirdButtonId || id == kCloseId) break;
            if (id == IDOK) {
                OnOK();
                return 0;
            }
            OnCommand(id);
            return 0;
        }
        case WM_TIMER: OnTimer(static_cast<UINT>(wParam)); return 0;
        case WM_SYSCOMMAND: OnSysCommand(wParam, lParam); return 0;
        case WM_CLOSE: OnCancel(); return 0;
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return TRUE;
        case kMsgScanRequested: OnScanRequested(wParam); return 0;
        case kMsgActivate: OnActivate(); return 0;
        case kMsgContinueScan: CheckInternetAndContinue(); return 0;
        case WM_WINDOWPOSCHANGING: {
            auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
            if (!UiReleased().load() || app_.Switches().updateCheckRequested) position->flags &= ~SWP_SHOWWINDOW;
            break;
        }
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMaxSize = {770, 577};
            info->ptMaxTrackSize = {770, 577};
            return 0;
        }
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
            if (wParam == 0 && KVMenu::HandleMenuMessage(message, lParam)) return TRUE;
            break;
        case WM_DESTROY: windowGoing_ = true; break;
        case WM_QUERYENDSESSION: SaveSettings(); break;
        case WM_ENDSESSION:
            pageFactory_.SaveScanSummary();
            break;
        case kMsgArmMainTimer: SetTimer(static_cast<UINT_PTR>(wParam), static_cast<UINT>(lParam)); return 0;
        default: break;
    }
    return CMainBorder::WindowProc(message, wParam, lParam);
}
