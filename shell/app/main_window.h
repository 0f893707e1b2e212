#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/ui/gdi.h"
#include "shell/app/main_navigation.h"
#include "shell/app/main_pages.h"
#include "shell/app/main_window_ids.h"
#include "shell/app/sub_header.h"
#include "shell/app/tray_icon.h"
#include "shell/toolkit/dialog_font.h"
#include "shell/toolkit/hover_buttons.h"
#include "shell/toolkit/main_border.h"
#include "shell/toolkit/taskbar_notifier.h"

class CHvApp;
class CHvAppDlg;
class CDlgSplash;

// The main window may become visible only once this is set.
std::atomic<bool>& UiReleased();

// The main window's tray icon: a click brings the window back; the window itself
// decides what the tray's own hiding does.
class CXTTrayIconRV : public CXTTrayIcon {
public:
    CXTTrayIconRV(CHvAppDlg& owner, TrayShell shell) : CXTTrayIcon(shell), owner_(owner) {}
    bool HideWindowInTray(HWND) override { return true; }
    LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam) override;

private:
    CHvAppDlg& owner_;
};

// The program's one main window: header with tab buttons, the sub-header, the
// pages, the tray icon, and the commands, timers and messages that move the
// program between its pages.
class CHvAppDlg : public CMainBorder {
public:
    CHvAppDlg(CHvApp& app, PageFactory& pages, TrayShell tray = {});
    ~CHvAppDlg() override;

    // Creates the window modeless and hidden; null when it could not be made.
    HWND Create();
    // The main window object of a main window handle; null for any other window.
    static CHvAppDlg* FromWindow(HWND window);

    void ShowPage(MainPageId id);
    // What screens ask of the main window; every request arms this window's timers.
    MainNavigation Navigation() const { return MainNavigation(Handle()); }
    // The update of every driver that awaits one: the results page's update timer,
    // after a restart with administrator rights where Windows asks for them.
    void StartUpdateAll();
    std::optional<MainPageId> CurrentPage() const { return currentPage_; }
    // Made here when it was not yet (pages after the home page are made once the
    // window is up); null while the window goes.
    MainPage* Page(MainPageId id);
    void ClearTabSelection();
    UINT SelectedNavigationButton() const;
    void EnableNavigation(BOOL enable);
    bool NavigationEnabled() const;
    void CheckInternetAndContinue();
    void RestoreFromTray();
    void RequestQuit();
    void OnLanguageChosen(UINT commandId);
    // Close, Escape and the close box: to the tray or quit, as set; only forward
    // while work runs.
    void OnCancel() override;
    bool HiddenInTray() const { return hiddenInTray_; }
    // The number of devices of the last backup run, kept for the backup wizard.
    int32_t LastBackupCount() const { return lastBackupCount_; }
    CDlgSubHeader& SubHeader() { return subHeader_; }
    CXTTrayIconRV& Tray() { return trayIcon_; }

    // The splash while the window starts hidden: shown only when the start may bring
    // the window up on its own; true when it is on screen.
    bool ShowSplash();
    bool SplashShown() const;
    // The about window, modal over the backdrop; the about flag is set meanwhile.
    void ShowAbout();
    bool AboutOpen() const { return aboutOpen_; }
    // The header's support-telephone line; empty when it is not shown.
    std::wstring SupportLine() const;
    // The number that line offers; empty when it is not shown.
    std::wstring SupportNumber() const;

    // The home page reports its first loaded document, or that it cannot load
    // one: either way the start-up goes on (timer 103).
    void OnHomeDocumentComplete();
    void OnHomePageFailed();

    // The internet check; tests give their own.
    std::function<bool()> internetCheck;
    // Starts the program's update check on its own thread (the start-up's
    // "updatecheck" flag as the argument); tests give their own.
    std::function<void(bool updateCheckStart)> startUpdateCheck;
    // What the first run ever sets up: the default update task in place of older
    // task names; tests give their own.
    std::function<void()> setUpFirstRun;
    UINT updateCheckDelayMs = 2048;

    // The slide-in notifier with the overdue-scan reminder.
    void ShowReminder();
    CTaskbarNotifier& Notifier() {
        EnsureNotifier();
        return notifier_;
    }
    // The reminder's scan button was chosen: the program stays.
    bool ReminderRestored() const { return reminderRestored_; }

    // The start-up goes on this long after the home page's first document, or after
    // this long without word from the home page at all; tests shorten both.
    static constexpr UINT kReleaseFallbackTimer = MainTimer::kReleaseFallback;
    UINT releaseFallbackMs = 8000;
    UINT startupTimerDelayMs = 2048;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetupNavigationButtons();
    void Paint();
    void PaintCorners(HDC dc, const RECT& client);
    void PaintSupportLine(HDC dc, const RECT& client);
    void LayoutPages();
    RECT PagePlace(MainPageId id) const;
    MainPage* BuildPage(MainPageId id);
    void PlaceAmongPages(MainPageId id, HWND pageWindow);
    void StartBuildingLaterPages();
    // Every control of the window, and of a page made later, shows the program's
    // seventh font.
    void GiveChildFont(HWND root);
    void BuildNextLaterPage();
    void OnCommand(UINT id);
    void OnTimer(UINT id);
    void OnStartupContinuation();
    LRESULT OnPostMainUIContinue();
    LRESULT OnShowChildPage(WPARAM which);
    void OnScanRequested(WPARAM wParam);
    void OnWaitingScanTimer();
    void AskAboutScheduledScan();
    void OnActivate();
    void OnSysCommand(WPARAM command, LPARAM lParam);
    void SelectNavigation(UINT id);
    void ShowScanTab();
    void ShowHelpMenu();
    void ShowLanguageMenu();
    void RestoreAndActivate();
    void GoToTray();
    void EnsureTrayIcon();
    void EnsureNotifier();
    void OnReminderScanNow();
    void OnReminderClose();

    CHvApp& app_;
    PageFactory& pageFactory_;
    DialogFontState fontState_;
    HWND tooltip_ = nullptr;
    CXTTrayIconRV trayIcon_;
    CDlgSubHeader subHeader_;
    std::map<UINT, HWND> navigation_;
    std::map<UINT, bool> selected_;
    std::map<MainPageId, std::unique_ptr<MainPage>> pages_;
    RECT pageArea_{};
    std::optional<MainPageId> pageBeingBuilt_;
    bool laterPagesStarted_ = false;
    bool windowGoing_ = false;
    std::unique_ptr<CDlgSplash> splash_;
    // The header band's three pieces, the header's background and the two logos.
    std::array<ui::ScopedBitmap, 6> headerImages_;
    std::map<UINT, std::unique_ptr<CMyHoverButton>> tabButtons_;
    CHoverButton languageButton_;
    CMyHoverButton helpButton_;
    CMyHoverButton feedbackButton_;
    ui::ScopedBitmap corners_[2];
    std::optional<MainPageId> currentPage_;
    HICON icon_ = nullptr;
    bool hiddenInTray_ = false;
    bool trayIconMade_ = false;
    bool headerBandVisible_ = true;
    bool languageMenuOpen_ = false;
    bool aboutOpen_ = false;
    bool backupModeCached_ = false;
    bool startupContinued_ = false;
    DWORD lastInternetCheck_ = 0;
    bool internetChecked_ = false;
    UINT focusTarget_ = MainCommand::kHome;
    std::atomic<int32_t> lastBackupCount_{0};
    CTaskbarNotifier notifier_;
    bool notifierMade_ = false;
    std::unique_ptr<NotifierContent> reminder_;
    bool reminderRestored_ = false;
    // A scan handed over by another start while a pop-up was open.
    bool scanRequestWaiting_ = false;
    bool scanQuestionOpen_ = false;
};
