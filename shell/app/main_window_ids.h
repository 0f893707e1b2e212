#pragma once

#include <windows.h>

// Every number the main window answers to, in one place. Screens do not use these
// to move between pages; they ask through MainNavigation (main_navigation.h).

// Dialog templates of the main window and its tab row.
inline constexpr UINT kMainWindowTemplate = 372;
inline constexpr UINT kSubHeaderTemplate = 220;

inline constexpr UINT kTrayIconId = 439;  // also the tray menu's resource
inline constexpr UINT kAppIconId = 100;
inline constexpr UINT kHelpMenuResource = 431;

// Control and command ids of the main window.
namespace MainCommand {
inline constexpr UINT kHelpPage = 104, kCheckUpdates = 103, kAbout = 102, kLanguagePage = 111, kNothing = 105;
inline constexpr UINT kAboutButton = 207, kDownloads = 210, kHelpMenu = 222, kHome = 223, kScanTab = 234;
inline constexpr UINT kSettings = 237, kFeedback = 240, kBackupTab = 1010, kLanguageButton = 1012;
inline constexpr UINT kTrayAbout = 1013, kTrayExit = 1014, kFirstLanguage = 1021, kLastLanguage = 1040;
inline constexpr UINT kGoToScan = 1124, kResults = 1134, kUpdateAll = 1154, kSaveSettings = 1174;
inline constexpr UINT kSystemAbout = 16;
}  // namespace MainCommand

// The settings page's command that opens its schedule tab.
inline constexpr UINT kSettingsScheduleTab = 235;

// The main window's one-shot timers. Most show a page through a posted
// WM_SHOW_CHILD_HTM_DLG whose wParam is the timer id.
namespace MainTimer {
inline constexpr UINT kUpdateCheck = 102;
inline constexpr UINT kStartupContinue = 103;
inline constexpr UINT kNothing = 104;
inline constexpr UINT kShowResults = 105;
inline constexpr UINT kShowScanPage = 106;
inline constexpr UINT kShowHome = 107;
inline constexpr UINT kReserved108 = 108;
inline constexpr UINT kShowLastScan = 109;
inline constexpr UINT kReserved110 = 110, kReserved111 = 111;
inline constexpr UINT kNothing113 = 113;
inline constexpr UINT kShowBackupStep1 = 115;  // to 118: backup steps 1 to 4
inline constexpr UINT kShowRestoreStep1 = 119;  // to 122: restore steps 1 to 4
inline constexpr UINT kShowDownloadWindow = 123;
inline constexpr UINT kBringToFront = 124;
inline constexpr UINT kQuit = 125;
inline constexpr UINT kRepaint = 127;
inline constexpr UINT kShowHomeAfterRun = 131;
inline constexpr UINT kDownloadMissingDriver = 132;
inline constexpr UINT kShowNotifier = 133;
inline constexpr UINT kStartMachineBackup = 134;
inline constexpr UINT kCloseAfterScheduledRun = 135;
inline constexpr UINT kContinueScan = 136;
inline constexpr UINT kScanFinished = 137;
// Ours: the window comes up without word from the home page, and the tray icon is
// added after the first paint.
inline constexpr UINT kReleaseFallback = 150;
inline constexpr UINT kTrayIcon = 152;
// Looks again whether the pop-up that holds back a handed-over scan has closed.
inline constexpr UINT kWaitingScan = 153;
// Makes the next page that the start left for after the window came up.
inline constexpr UINT kBuildLaterPages = 154;
}  // namespace MainTimer

// The results page's timer that the update-all command arms: it starts the update
// of every chosen driver.
inline constexpr UINT kResultsStartUpdateTimer = 108;
inline constexpr UINT kResultsStartUpdateDelayMs = 64;

// Messages a second start and the download window send; the registered ones
// (MsgPostMainUIContinue, MsgShowChildHtmDlg, MsgShowDlgDownloadMissingDriver)
// come from shared_constants.h.
inline constexpr UINT kMsgScanRequested = WM_APP + 151;  // wParam 6: only remind of an overdue scan
inline constexpr UINT kMsgActivate = WM_APP + 156;
inline constexpr UINT kMsgContinueScan = 0x809B;
inline constexpr WPARAM kOverdueReminderOnly = 6;

// Sub-header pictures: the four steps of an update and the plain header.
namespace HeaderPicture {
inline constexpr int kScan = 224, kResults = 225, kDownload = 226, kInstall = 227, kPlain = 230;
}  // namespace HeaderPicture
