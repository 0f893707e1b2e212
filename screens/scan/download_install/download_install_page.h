#pragma once

#include <windows.h>

#include <memory>

#include "screens/scan/download_install/download_install_host.h"
#include "shell/app/main_pages.h"

class CDlgNagDownloadAndInstall;

// The program's side of the download-and-install window: the main window, the
// application state, the real service, message boxes, restore point and prompt.
class ProgramDownloadInstallHost final : public DownloadInstallHost {
public:
    explicit ProgramDownloadInstallHost(HWND mainWindow) : mainWindow_(mainWindow) {}

    HWND MainWindow() override { return mainWindow_; }
    void EnableNavigation(bool enable) override;
    void SetBusy(bool busy) override;
    CDriverScanUpdate& ScanUpdate() override;
    CDriverScannerApp& ScannerApp() override;
    std::map<std::wstring, std::wstring>& DownloadedFiles() override;
    bool SaveDownloadedFiles() override;
    std::wstring DownloadFolder() override;
    std::wstring DataFolder() override;
    ScanRequestFacts RequestFacts() override;
    bool RequestDownloadInformation(std::wstring& request, std::wstring& answer) override;
    int ShowMessage(HWND owner, const std::wstring& text, UINT style) override;
    bool CreateRestorePoint(const std::wstring& description) override;
    std::wstring BackupFolder() override;
    BackupList& Backups() override;
    bool SaveBackups() override;
    void PrepareInstallSession(DriverInstallSession& session) override;
    int ShowRestartPrompt() override;
    void ResultsChanged() override;
    void ShowInstallStep() override;

private:
    HWND mainWindow_;
};

// The download-and-install window as the main window holds it (page 123). The
// results page starts it through Window()->StartDownloads.
class DownloadInstallMainPage final : public MainPage {
public:
    DownloadInstallMainPage();
    ~DownloadInstallMainPage() override;
    HWND Create(HWND mainWindow, const RECT& place) override;
    HWND Window() const override;
    CDlgNagDownloadAndInstall* Page() const { return page_.get(); }

private:
    std::unique_ptr<ProgramDownloadInstallHost> host_;
    std::unique_ptr<CDlgNagDownloadAndInstall> page_;
};
