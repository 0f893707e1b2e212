#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "screens/manage/backup_restore/backup_restore_host.h"
#include "shell/app/main_pages.h"

class CDlgBkpRstoreParent;

// The program's side of the wizards: the main window, the application state of
// the running program and its real message boxes, folder picker and restart.
class ProgramBackupRestoreHost final : public BackupRestoreHost {
public:
    // `requestInventory` reaches the scan page of the main window; the program
    // gives it, as the scan screens stand beside this page.
    using InventoryRequest = std::function<bool(HWND mainWindow)>;
    ProgramBackupRestoreHost(HWND mainWindow, InventoryRequest requestInventory)
        : mainWindow_(mainWindow), requestInventory_(std::move(requestInventory)) {}

    HWND MainWindow() override { return mainWindow_; }
    void EnableNavigation(bool enable) override;
    void CheckInternetAndContinue() override;
    bool RequestBackupInventory() override;
    void SetBusy(bool busy) override;
    CDriverScanUpdate& ScanUpdate() override;
    CDriverScannerApp& ScannerApp() override;
    BackupList& Backups() override;
    bool SaveBackups() override;
    std::wstring BackupFolder() override;
    void SetBackupFolder(const std::wstring& folder) override;
    std::wstring DefaultBackupFolder() override;
    int ShowMessage(HWND owner, const std::wstring& text, UINT style) override;
    bool ChooseFolder(HWND owner, std::wstring& folder) override;
    int ShowRestartPrompt() override;
    void RestartWindows() override;

private:
    HWND mainWindow_;
    InventoryRequest requestInventory_;
};

// The backup and restore page as the main window holds it.
class BackupRestoreMainPage final : public MainPage {
public:
    explicit BackupRestoreMainPage(ProgramBackupRestoreHost::InventoryRequest requestInventory = {});
    ~BackupRestoreMainPage() override;
    HWND Create(HWND mainWindow, const RECT& place) override;
    HWND Window() const override;
    void OnSubPage(UINT id) override;
    // Null until the page is made.
    CDlgBkpRstoreParent* Wizard() const { return page_.get(); }

private:
    ProgramBackupRestoreHost::InventoryRequest requestInventory_;
    std::unique_ptr<ProgramBackupRestoreHost> host_;
    std::unique_ptr<CDlgBkpRstoreParent> page_;
};
