#pragma once

#include <windows.h>

#include <memory>

#include "screens/manage/backup_restore/backup_restore_host.h"
#include "shell/app/main_pages.h"

class CDlgBkpRstoreParent;

// The program's side of the wizards: the main window, the application state of
// the running program and its real message boxes, folder picker and restart.
class ProgramBackupRestoreHost final : public BackupRestoreHost {
public:
    explicit ProgramBackupRestoreHost(HWND mainWindow) : mainWindow_(mainWindow) {}

    HWND MainWindow() override { return mainWindow_; }
    void EnableNavigation(bool enable) override;
    void CheckInternetAndContinue() override;
    void SetBusy(bool busy) override;
    CDriverScanUpdate& ScanUpdate() override;
    CDriverScannerApp& ScannerApp() override;
    BackupList& Backups() override;
    bool SaveBackups() override;
    std::wstring BackupFolder() override;
    void SetBackupFolder(const std::wstring& folder) override;
    int ShowMessage(HWND owner, const std::wstring& text, UINT style) override;
    bool ChooseFolder(HWND owner, std::wstring& folder) override;
    int ShowRestartPrompt() override;
    void RestartWindows() override;

private:
    HWND mainWindow_;
};

// The backup and restore page as the main window holds it.
class BackupRestoreMainPage final : public MainPage {
public:
    BackupRestoreMainPage();
    ~BackupRestoreMainPage() override;
    HWND Create(HWND mainWindow, const RECT& place) override;
    HWND Window() const override;
    void OnSubPage(UINT id) override;

private:
    std::unique_ptr<ProgramBackupRestoreHost> host_;
    std::unique_ptr<CDlgBkpRstoreParent> page_;
};
