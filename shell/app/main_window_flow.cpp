#include "shell/app/main_window.h"

// The page flow: which page a command, a timer or a message brings up.
#include <commctrl.h>

#include <algorithm>
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
#include "shell/app/dialog_placement.h"
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

constexpr UINT kInternetCheckSpacingMs = 1024;
constexpr UINT kWaitingScanPollMs = 200;

// The pages after the home page, in the order they are made.
constexpr MainPageId kLaterPages[] = {MainPageId::Scan,           MainPageId::BackupRestore, MainPageId::LastScan,
                                      MainPageId::Results,        MainPageId::DownloadInstall, MainPageId::Settings,
                                      MainPageId::Downloads};

}  // namespace

void CHvAppDlg::LayoutPages() {
    // Taken once: a page made later, while the window is minimised, still gets its
    // full place.
    GetClientRect(Handle(), &pageArea_);
    // Only the home page is made now: it decides when the window comes up. The rest
    // follow once it is up (or at once when something asks for one of them).
    BuildPage(MainPageId::Home);
    subHeader_.Create(Handle(), {0, kHeaderHeight, pageArea_.right, kHeaderHeight + 50});
    // The home page reaches the bottom edge; the feedback button there stays above it.
    SetWindowPos(navigation_[kFeedback], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

RECT CHvAppDlg::PagePlace(MainPageId id) const {
    const int w = pageArea_.right;
    const int h = pageArea_.bottom;
    switch (id) {
        case MainPageId::Home: return {0, kHeaderHeight, w, h};
        case MainPageId::DownloadInstall:
        case MainPageId::Settings:
        case MainPageId::Downloads: return {6, 128, 6 + w - 12, 128 + h - 127};
        default: return {0, 128, w, 128 + h - 127};
    }
}

MainPage* CHvAppDlg::BuildPage(MainPageId id) {
    std::unique_ptr<MainPage> page = pageFactory_.Make(id);
    if (!page) page = std::make_unique<EmptyPage>();
    pageBeingBuilt_ = id;
    HWND pageWindow = page->Create(Handle(), PagePlace(id));
    pageBeingBuilt_.reset();
    if (pageWindow != nullptr) ShowWindow(pageWindow, SW_HIDE);
    MainPage* made = (pages_[id] = std::move(page)).get();
    if (id != MainPageId::Home) {
        GiveChildFont(pageWindow);
        PlaceAmongPages(id, pageWindow);
    }
    if (id == MainPageId::Settings) subHeader_.SetSettingsPage(made->Window());
    return made;
}

void CHvAppDlg::PlaceAmongPages(MainPageId id, HWND pageWindow) {
    // Among the window's children a page takes the place it has when all are made at
    // once: below the pages before it, above those after it and the sub-header. What
    // looks for a control by its id finds the same one whichever way the pages came.
    if (pageWindow == nullptr) return;
    HWND below = subHeader_.Handle();
    const auto* after = std::find(std::begin(kLaterPages), std::end(kLaterPages), id);
    for (const auto* next = after == std::end(kLaterPages) ? after : after + 1; next != std::end(kLaterPages); ++next) {
        const auto made = pages_.find(*next);
        if (made != pages_.end() && made->second->Window() != nullptr) {
            below = made->second->Window();
            break;
        }
    }
    if (below == nullptr) return;
    HWND above = GetWindow(below, GW_HWNDPREV);
    if (above == pageWindow) return;
    SetWindowPos(pageWindow, above != nullptr ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CHvAppDlg::StartBuildingLaterPages() {
    if (laterPagesStarted_) return;
    laterPagesStarted_ = true;
    // A timer, not a posted message: the window paints and answers between pages.
    SetTimer(MainTimer::kBuildLaterPages, 0);
}

void CHvAppDlg::BuildNextLaterPage() {
    for (MainPageId id : kLaterPages) {
        if (pages_.contains(id)) continue;
        BuildPage(id);
        SetTimer(MainTimer::kBuildLaterPages, 0);
        return;
    }
    EnsureNotifier();
}

MainPage* CHvAppDlg::Page(MainPageId id) {
    if (const auto it = pages_.find(id); it != pages_.end()) return it->second.get();
    // Asked for before its turn: made now. Never while the window goes, nor twice,
    // nor on another thread, which would own the page's windows.
    if (windowGoing_ || Handle() == nullptr || pageBeingBuilt_ == id) return nullptr;
    if (GetWindowThreadProcessId(Handle(), nullptr) != GetCurrentThreadId()) return nullptr;
    return BuildPage(id);
}

void CHvAppDlg::ShowPage(MainPageId id) {
    MainPage* page = Page(id);
    if (page == nullptr) return;
    if (currentPage_ == id) {
        InvalidateRect(page->Window(), nullptr, TRUE);
        return;
    }
    if (currentPage_) {
        if (MainPage* old = Page(*currentPage_)) {
            EnableWindow(old->Window(), FALSE);
            ShowWindow(old->Window(), SW_HIDE);
        }
    }
    currentPage_ = id;
    EnableWindow(page->Window(), TRUE);
    ShowWindow(page->Window(), SW_SHOW);
    page->OnShown();
}

void CHvAppDlg::CheckInternetAndContinue() {
    const DWORD now = GetTickCount();
    if (internetChecked_ && now - lastInternetCheck_ < kInternetCheckSpacingMs) return;
    internetChecked_ = true;
    lastInternetCheck_ = now;
    PumpPendingMessages();
    if (internetCheck()) {
        PostMessageW(Handle(), WM_COMMAND, kGoToScan, 0);
        ShowPage(MainPageId::Scan);
    } else if (UiReleased().load()) {
        SetTimer(MainTimer::kBringToFront, 90);
        CurrentAppSystem().ShowMessageBox(Handle(), LangText(L"IDS_CHKNETCONN_FIREWALL"), LangText(L"AFX_IDS_APP_TITLE"),
                                      MB_ICONERROR);
    }
}

void CHvAppDlg::OnCommand(UINT id) {
    if (id >= kFirstLanguage && id <= kLastLanguage) {
        OnLanguageChosen(id);
        return;
    }
    switch (id) {
        case IDCANCEL: OnCancel(); break;
        case kHome:
            focusTarget_ = kHome;
            SelectNavigation(kHome);
            ShowWindow(subHeader_.Handle(), SW_HIDE);
            ShowPage(MainPageId::Home);
            break;
        case kScanTab:
            if (internetCheck()) {
                focusTarget_ = kScanTab;
                headerBandVisible_ = false;
                SelectNavigation(kScanTab);
                subHeader_.SetCaptionAndTab(HeaderPicture::kScan, 0);
                CheckInternetAndContinue();
            } else if (UiReleased().load()) {
                CurrentAppSystem().ShowMessageBox(Handle(), LangText(L"IDS_CHKNETCONN_FIREWALL"), LangText(L"AFX_IDS_APP_TITLE"),
                                              MB_ICONERROR);
            }
            break;
        case kGoToScan:
            focusTarget_ = kScanTab;
            SelectNavigation(kScanTab);
            if (backupModeCached_) {
                subHeader_.SetCaptionAndTab(HeaderPicture::kPlain, 1);
                SelectNavigation(kBackupTab);
            } else {
                subHeader_.SetCaptionAndTab(HeaderPicture::kScan, 0);
            }
            ShowPage(MainPageId::Scan);
            break;
        case kResults: {
            subHeader_.SetCaptionAndTab(HeaderPicture::kResults, 0);
            const int pending = PendingUpdateCount();
            SaveLastScanResultCount(pending);
            if (pending > 0) {
                ShowScanTab();
                ShowPage(MainPageId::Results);
            } else if (!app_.Switches().scanRequested) {
                PostMessageW(Handle(), WM_COMMAND, kScanTab, 0);
            }
            break;
        }
        case kUpdateAll: StartUpdateAll(); break;
        case kBackupTab:
            focusTarget_ = kBackupTab;
            headerBandVisible_ = true;
            subHeader_.SetCaptionAndTab(HeaderPicture::kPlain, 1);
            SelectNavigation(kBackupTab);
            ShowPage(MainPageId::BackupRestore);
            break;
        case kDownloads:
            headerBandVisible_ = true;
            subHeader_.SetCaptionAndTab(HeaderPicture::kPlain, 3);
            SelectNavigation(kDownloads);
            ShowPage(MainPageId::Downloads);
            break;
        case kSettings:
        case kLanguagePage:
            headerBandVisible_ = true;
            subHeader_.SetCaptionAndTab(HeaderPicture::kPlain, 2);
            SelectNavigation(kSettings);
            ShowPage(MainPageId::Settings);
            if (id == kLanguagePage) SendMessageW(subHeader_.Handle(), WM_COMMAND, CDlgSubHeader::kLanguageTab, 0);
            break;
        case kHelpMenu: ShowHelpMenu(); break;
        case kCheckUpdates:
            app_.MutableSwitches().updateCheckRequested = false;
            ProgramUpdate().SetAutomaticMode(false);
            if (startUpdateCheck) startUpdateCheck(false);
            break;
        case kHelpPage: OpenHelpPage(); break;
        case kFeedback: ShowDriverFeedbackDialog(); break;
        case kLanguageButton: ShowLanguageMenu(); break;
        case kAbout:
        case kAboutButton: ShowAbout(); break;
        case kTrayAbout:
            RestoreFromTray();
            ShowAbout();
            break;
        case kTrayExit:
            RestoreFromTray();
            if (!IsAppBusy()) RequestQuit();
            break;
        case kSaveSettings: SaveSettings(); break;
        default: break;
    }
}

void CHvAppDlg::OnHomeDocumentComplete() {
    KillTimer(kReleaseFallbackTimer);
    SetTimer(MainTimer::kStartupContinue, startupTimerDelayMs);
    // The window waits a while for its release: the other pages are made meanwhile.
    StartBuildingLaterPages();
}

void CHvAppDlg::OnHomePageFailed() {
    KillTimer(kReleaseFallbackTimer);
    SetTimer(MainTimer::kStartupContinue, 0);
}

void CHvAppDlg::OnTimer(UINT id) {
    KillTimer(id);
    switch (id) {
        case kReleaseFallbackTimer:
            WriteLogLine(L"The home page did not load; the window is shown without it");
            SetTimer(MainTimer::kStartupContinue, 0);
            break;
        case MainTimer::kUpdateCheck:
            ProgramUpdate().SetAutomaticMode(true);
            if (startUpdateCheck) startUpdateCheck(app_.Switches().updateCheckRequested);
            break;
        case MainTimer::kStartupContinue: OnStartupContinuation(); break;
        case MainTimer::kShowResults: case MainTimer::kShowScanPage: case MainTimer::kShowHome:
        case MainTimer::kReserved108: case MainTimer::kShowLastScan: case MainTimer::kReserved110:
        case MainTimer::kReserved111: case MainTimer::kShowBackupStep1: case MainTimer::kShowBackupStep1 + 1:
        case MainTimer::kShowBackupStep1 + 2: case MainTimer::kShowBackupStep1 + 3: case MainTimer::kShowRestoreStep1:
        case MainTimer::kShowRestoreStep1 + 1: case MainTimer::kShowRestoreStep1 + 2:
        case MainTimer::kShowRestoreStep1 + 3: case MainTimer::kShowDownloadWindow: case MainTimer::kShowHomeAfterRun:
        case MainTimer::kScanFinished:
            PostMessageW(Handle(), MsgShowChildHtmDlg, id, 0);
            break;
        case MainTimer::kBringToFront:
            UiReleased() = true;
            ShowWindow(Handle(), SW_RESTORE);
            RestoreAndActivate();
            if (hiddenInTray_) RestoreFromTray();
            break;
        case MainTimer::kQuit:
            // Only a start made for the reminder, whose window never came up, ends here.
            if (app_.Switches().lastScanOverdue && !UiReleased().load()) {
                PostMessageW(Handle(), WM_CLOSE, 0, 0);
                RequestQuit();
            }
            break;
        case MainTimer::kRepaint: InvalidateRect(Handle(), nullptr, FALSE); break;
        case MainTimer::kTrayIcon: EnsureTrayIcon(); break;
        case MainTimer::kBuildLaterPages: BuildNextLaterPage(); break;
        case MainTimer::kWaitingScan: OnWaitingScanTimer(); break;
        case MainTimer::kDownloadMissingDriver: PostMessageW(Handle(), MsgShowDlgDownloadMissingDriver, 0, 0); break;
        case MainTimer::kShowNotifier: ShowReminder(); break;
        case MainTimer::kStartMachineBackup:
            OnCommand(kBackupTab);
            if (MainPage* page = Page(MainPageId::BackupRestore)) page->OnSubPage(MainTimer::kStartMachineBackup);
            break;
        case MainTimer::kCloseAfterScheduledRun:
            SaveSettings();
            OnCancel();
            break;
        case MainTimer::kContinueScan: PostMessageW(Handle(), kMsgContinueScan, 0, 0); break;
        default: break;
    }
}

void CHvAppDlg::OnStartupContinuation() {
    // Whichever comes first, the home page's word or the fallback, starts this once.
    if (startupContinued_) return;
    startupContinued_ = true;
    KillTimer(kReleaseFallbackTimer);
    const StartupSwitches& switches = app_.Switches();
    if (!switches.scanRequested) PostMessageW(Handle(), MsgShowChildHtmDlg, MainTimer::kShowHome, 0);
    if (splash_ && switches.showUi) {
        splash_->Show(SW_HIDE);
        splash_.reset();
    }
    // Posted messages come before timers: the window is up before the other pages
    // are made.
    StartBuildingLaterPages();
    if (switches.defaultRequested) {
        UiReleased() = false;
        SetTimer(MainTimer::kTrayIcon, 0);
        return;
    }
    if (app_.FirstInstall()) {
        app_.firstInstallScan = true;
        backupModeCached_ = IsDriverBackupModeEnabled();
    }
    UiReleased() = !switches.lastScanOverdue && !switches.updateCheckRequested;
    if (switches.lastScanOverdue) ShowReminder();
    PostMessageW(Handle(), MsgPostMainUIContinue, 0, 0);
}

LRESULT CHvAppDlg::OnPostMainUIContinue() {
    if (UiReleased().load()) {
        ShowWindow(Handle(), SW_SHOW);
        SetForegroundWindow(Handle());
        BringWindowToTop(Handle());
    }
    ForceForegroundWindow(Handle());
    EnableWindow(Handle(), TRUE);
    ShowWindow(Handle(), SW_SHOW);
    // Adding the icon can keep the thread waiting for the shell (seconds under Wine
    // without a notification area): it comes after the window is up.
    SetTimer(MainTimer::kTrayIcon, 0);
    if (HasFirstRunValue()) {
        SetTimer(MainTimer::kUpdateCheck, app_.firstInstallScan ? 1062048 : updateCheckDelayMs);
    } else {
        SetUserRegistryValue(true, kProductKeyPath, L"FirstRun", L"", 1, 4);
        if (setUpFirstRun) setUpFirstRun();
        // A start made only for the check has nothing else to do: it checks even on
        // the first run, or it would stay hidden for good.
        if (app_.Switches().updateCheckRequested) SetTimer(MainTimer::kUpdateCheck, updateCheckDelayMs);
    }
    if (app_.firstInstallScan) {
        CheckInternetAndContinue();
        if (ReadStartAutoScanFlag()) ResetStartAutoScanFlag();
    } else if (ReadStartAutoScanFlag()) {
        if (Page(MainPageId::Home) != nullptr) CheckInternetAndContinue();
        ResetStartAutoScanFlag();
    }
    return 0;
}

LRESULT CHvAppDlg::OnShowChildPage(WPARAM which) {
    switch (which) {
        case MainTimer::kShowResults:
        case MainTimer::kScanFinished:
            ShowScanTab();
            ShowPage(MainPageId::Results);
            if (which == MainTimer::kScanFinished && PendingUpdateCount() > 0) Navigation().StartUpdateAll();
            return 1;
        case MainTimer::kShowScanPage: ShowScanTab(); ShowPage(MainPageId::Scan); return 1;
        case MainTimer::kShowHome:
        case MainTimer::kShowHomeAfterRun:
            SelectNavigation(kHome);
            ShowWindow(subHeader_.Handle(), SW_HIDE);
            ShowPage(MainPageId::Home);
            return 1;
        case MainTimer::kShowLastScan: ShowScanTab(); ShowPage(MainPageId::LastScan); return 1;
        case MainTimer::kShowBackupStep1: case MainTimer::kShowBackupStep1 + 1: case MainTimer::kShowBackupStep1 + 2:
        case MainTimer::kShowBackupStep1 + 3: case MainTimer::kShowRestoreStep1: case MainTimer::kShowRestoreStep1 + 1:
        case MainTimer::kShowRestoreStep1 + 2: case MainTimer::kShowRestoreStep1 + 3:
            SelectNavigation(kBackupTab);
            // A wizard step can come while another page's row is up (the results
            // page, refilled after the download window closed, puts up the scan's):
            // the step brings its own row back, as it is, without choosing a side.
            if (subHeader_.Caption() != HeaderPicture::kPlain || !subHeader_.ButtonVisible(CDlgSubHeader::kRestoreTab)) {
                subHeader_.ShowCaptionAndTab(HeaderPicture::kPlain, 1, NavigationEnabled());
            }
            ShowPage(MainPageId::BackupRestore);
            if (MainPage* page = Page(MainPageId::BackupRestore)) page->OnSubPage(static_cast<UINT>(which));
            return 1;
        case MainTimer::kShowDownloadWindow: ShowScanTab(); ShowPage(MainPageId::DownloadInstall); return 1;
        default: return 0;
    }
}

void CHvAppDlg::OnScanRequested(WPARAM wParam) {
    if (wParam == kOverdueReminderOnly) {
        WriteLogLine(L"Another start asked for the overdue-scan reminder");
        ShowReminder();
        return;
    }
    // A scheduled scan never interrupts work that runs.
    if (IsWorkRunning()) {
        WriteLogLine(L"Scheduled scan refused: the program is busy");
        return;
    }
    if (scanQuestionOpen_) {
        WriteLogLine(L"Scheduled scan already asked about");
        return;
    }
    // A pop-up is no work: the request is kept and asked about once it has closed.
    if (IsPopupOpen()) {
        if (!scanRequestWaiting_) WriteLogLine(L"Scheduled scan waits for the open pop-up");
        scanRequestWaiting_ = true;
        SetTimer(MainTimer::kWaitingScan, kWaitingScanPollMs);
        return;
    }
    AskAboutScheduledScan();
}

void CHvAppDlg::OnWaitingScanTimer() {
    if (!scanRequestWaiting_) return;
    if (IsWorkRunning()) {
        scanRequestWaiting_ = false;
        WriteLogLine(L"Scheduled scan refused: the program is busy");
        return;
    }
    if (IsPopupOpen() || scanQuestionOpen_) {
        SetTimer(MainTimer::kWaitingScan, kWaitingScanPollMs);
        return;
    }
    AskAboutScheduledScan();
}

void CHvAppDlg::AskAboutScheduledScan() {
    scanRequestWaiting_ = false;
    // The question's own message loop hands further requests in: they are this one.
    scanQuestionOpen_ = true;
    const int answer =
        CurrentAppSystem().ShowMessageBox(Handle(), LangText(L"IDS_SCHEDULE_RUNNING"), GetProductTitle(), MB_YESNO);
    scanQuestionOpen_ = false;
    if (answer != IDYES) return;
    if (AppBusy().scanRunning.load()) return;
    if (hiddenInTray_) RestoreFromTray();
    CheckInternetAndContinue();
}

void CHvAppDlg::OnActivate() {
    UiReleased() = true;
    hiddenInTray_ = false;
    trayIcon_.MaximizeFromTray(Handle());
    trayIcon_.HideIcon();
    ShowWindow(Handle(), SW_RESTORE);
    ForceForegroundWindow(Handle());
    BringWindowToTop(Handle());
    SetForegroundWindow(Handle());
}

void CHvAppDlg::StartUpdateAll() {
    SetUserRegistryValue(true, kProductKeyPath, L"RegErrsFixedLast", L"", 0, REG_DWORD);
    subHeader_.SetCaptionAndTab(HeaderPicture::kDownload, 0);
    AppSystem& system = CurrentAppSystem();
    if (system.WindowsMajorVersion() == 6 && !system.IsAdmin()) {
        // Installing needs the rights this start was not given: a new start with
        // them takes over, and this one ends.
        if (system.LaunchThroughShell(Handle(), L"runas", GetModulePath(), L"tolvanescan", L"")) {
            system.EndProcess(0);
        } else {
            system.ShowMessageBox(Handle(), LangText(L"IDS_STR_LACK_OF_PERMISSION"), LangText(L"AFX_IDS_APP_TITLE"),
                                  MB_ICONERROR);
        }
        return;
    }
    ClearTabSelection();
    ShowScanTab();
    PumpPendingMessages();
    if (MainPage* results = Page(MainPageId::Results); results != nullptr && results->Window() != nullptr) {
        ::SetTimer(results->Window(), kResultsStartUpdateTimer, kResultsStartUpdateDelayMs, nullptr);
    }
    PumpPendingMessages();
}
