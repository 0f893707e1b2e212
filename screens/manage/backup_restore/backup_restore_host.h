#pragma once

#include <windows.h>

#include <string>

#include "engine/backup_archive.h"

class CDriverScanUpdate;
class CDriverScannerApp;

// What the backup and restore wizards need of the program around them: the main
// window whose page timers they arm, its navigation, the application state they
// work on, and everything a test must not have done for real (message boxes,
// folder pickers, the restart prompt, restarting Windows).
class BackupRestoreHost {
public:
    virtual ~BackupRestoreHost() = default;

    // The main window: its one-shot timers 106 and 115 to 122 move the program on.
    virtual HWND MainWindow() = 0;
    virtual void EnableNavigation(bool enable) = 0;
    // A backup wanted before any scan: the scan runs first.
    virtual void CheckInternetAndContinue() = 0;
    // Asks the scan page to take its next inventory for the wizard alone: no
    // service call, nothing stored, and the wizard is told when it is done
    // (CDlgBkpRstoreParent::OnBackupInventoryTaken). False when there is no scan
    // page to ask, or it is busy with a scan; the scan then runs as any other.
    virtual bool RequestBackupInventory() = 0;
    // The application's busy flag: the main window will not close while it is set.
    virtual void SetBusy(bool busy) = 0;

    virtual CDriverScanUpdate& ScanUpdate() = 0;
    virtual CDriverScannerApp& ScannerApp() = 0;
    virtual BackupList& Backups() = 0;
    virtual bool SaveBackups() = 0;
    virtual std::wstring BackupFolder() = 0;
    virtual void SetBackupFolder(const std::wstring& folder) = 0;
    // Where the folder picker starts when the backup folder cannot be made.
    virtual std::wstring DefaultBackupFolder() { return std::wstring(); }

    // A message box with the program's title; may be called from a worker thread.
    virtual int ShowMessage(HWND owner, const std::wstring& text, UINT style) = 0;
    virtual bool ChooseFolder(HWND owner, std::wstring& folder) = 0;
    // The restart prompt for a restore; its result (0 when the user did not restart).
    virtual int ShowRestartPrompt() = 0;
    virtual void RestartWindows() = 0;
};

// The text of a language key of the program's own section.
std::wstring PageText(const wchar_t* key);
