#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "engine/backup_archive.h"
#include "scan/scan_request_facts.h"

class CDriverScanUpdate;
class CDriverScannerApp;
struct DriverInstallSession;

// What the download-and-install window needs of the program around it, and every
// call a test must not have made for real (the service, message boxes from the
// stage threads, the restore point, the restart prompt).
class DownloadInstallHost {
public:
    virtual ~DownloadInstallHost() = default;

    // The main window: its timers 105 (results page) and 136 (scan again).
    virtual HWND MainWindow() = 0;
    virtual void EnableNavigation(bool enable) = 0;
    virtual void SetBusy(bool busy) = 0;

    virtual CDriverScanUpdate& ScanUpdate() = 0;
    virtual CDriverScannerApp& ScannerApp() = 0;
    // The program's downloaded-files map ("Download.dat"); used only while
    // DownloadedFilesLock() is held.
    virtual std::map<std::wstring, std::wstring>& DownloadedFiles() = 0;
    virtual bool SaveDownloadedFiles() = 0;
    virtual std::wstring DownloadFolder() = 0;
    // The program's data folder, where the last scan is kept ("results.du").
    virtual std::wstring DataFolder() = 0;

    virtual ScanRequestFacts RequestFacts() = 0;
    // One GetDriverDownloadInformation call; true when an answer came.
    virtual bool RequestDownloadInformation(std::wstring& request, std::wstring& answer) = 0;

    // A message box with the program's title; called from stage threads too.
    virtual int ShowMessage(HWND owner, const std::wstring& text, UINT style) = 0;
    virtual bool CreateRestorePoint(const std::wstring& description) = 0;
    // Where backups before an update go and how they are recorded.
    virtual std::wstring BackupFolder() = 0;
    virtual BackupList& Backups() = 0;
    virtual bool SaveBackups() = 0;
    // Fills the folders and seams of an install session.
    virtual void PrepareInstallSession(DriverInstallSession& session) = 0;
    // 8 when the user chose to restart now.
    virtual int ShowRestartPrompt() = 0;
    // The results rows changed (the results page refills itself).
    virtual void ResultsChanged() {}
    // The sub-header shows the install step on its first tab.
    virtual void ShowInstallStep() {}
};
