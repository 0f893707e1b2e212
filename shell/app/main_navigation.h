#pragma once

#include <windows.h>

// How screens and workers ask the main window for another page or step. Each call
// arms the main window's one-shot timer for it (or posts its command), so the
// change happens later on the window's own thread and never inside the caller's
// handler. Any thread may call; a timer of another thread's window is asked for by
// message.
class MainNavigation {
public:
    explicit MainNavigation(HWND mainWindow) : main_(mainWindow) {}

    static constexpr UINT kDefaultDelayMs = 90;

    void ShowResults(UINT delayMs = kDefaultDelayMs) const;
    void ShowScanPage(UINT delayMs = kDefaultDelayMs) const;
    void ShowLastScan(UINT delayMs = kDefaultDelayMs) const;
    // Steps 1 to 4 of the backup or the restore wizard.
    void ShowBackupStep(int step, UINT delayMs = kDefaultDelayMs) const;
    void ShowRestoreStep(int step, UINT delayMs = kDefaultDelayMs) const;
    void ShowDownloadWindow(UINT delayMs = kDefaultDelayMs) const;
    void BringToFront(UINT delayMs = kDefaultDelayMs) const;
    void ShowHomeAfterRun(UINT delayMs = kDefaultDelayMs) const;
    // A run that took the machine's inventory for a backup: the backup tab shows
    // and the backup starts.
    void StartMachineBackup(UINT delayMs = kDefaultDelayMs) const;
    // A scheduled run is over: to the tray or quit, as the user has set.
    void CloseAfterScheduledRun(UINT delayMs = kDefaultDelayMs) const;
    // The download window has finished: a scan it waited for goes on.
    void ContinueScan(UINT delayMs = kDefaultDelayMs) const;
    // A scan has finished: its results show, and when drivers await an update the
    // update of all of them starts.
    void ScanFinished(UINT delayMs = kDefaultDelayMs) const;

    // Posted commands.
    void ShowBackupTab() const;
    void ShowResultsTab() const;
    void StartUpdateAll() const;
    void ShowHome() const;

    HWND Window() const { return main_; }

private:
    void Arm(UINT timer, UINT delayMs) const;
    void Post(UINT command) const;

    HWND main_;
};

// The message that carries a timer request from another thread: wParam the timer
// id, lParam its delay.
inline constexpr UINT kMsgArmMainTimer = WM_APP + 170;
