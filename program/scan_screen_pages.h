#pragma once

#include <memory>

#include "screens/scan/scan_screens/scan_screens_host.h"
#include "shell/app/main_pages.h"

class CHvApp;
class CHvAppDlg;

// The scan and results screens' side of the main window and the program.
class ProgramScanScreensHost final : public ScanScreensHost {
public:
    ProgramScanScreensHost(CHvApp& app, HWND mainWindow) : app_(app), mainWindow_(mainWindow) {}

    HWND MainWindow() override { return mainWindow_; }
    CDriverOptimizerApp& App() override;
    CUpdateServiceHelper& Service() override;
    ExclusionList& Exclusions() override;
    void EnableNavigation(bool enable) override;
    void SetBusy(bool busy) override;
    void CheckInternetAndContinue() override;
    void SetMainTimer(UINT id, UINT milliseconds) override;
    void RefillResultsPage() override;
    void MarkResultsScreen() override;
    int ShowRestartPrompt() override;
    void RequestUpdate(const UpdateRequest& request) override;
    void HandInventoryToBackup(bool devicesFound) override;

private:
    CHvAppDlg* Main() const;

    CHvApp& app_;
    HWND mainWindow_;
};

// Where an update asked for on the results page goes: the download-and-install
// window takes the request (the rows are in the engine's selection already), then
// the main window shows it.
void DeliverUpdateRequest(CHvAppDlg& mainWindow, const UpdateRequest& request);

// The backup wizard asks the main window's scan page to take its next inventory
// for the wizard alone; false when there is no scan page or a scan runs.
bool RequestBackupInventory(HWND mainWindow);

// The home page's start button: on a machine set up for driver backups the scan
// page's run takes the inventory for a backup of the whole machine, which then
// starts on the backup tab.
void StartScanFromHome(HWND mainWindow);

// The request document of the last scan of this run of the program, as it went to
// the service; empty when none went.
std::wstring LastScanRequestText(HWND mainWindow);

// The pages as the main window holds them.
std::unique_ptr<MainPage> MakeScanPage(CHvApp& app);
std::unique_ptr<MainPage> MakeResultsPage(CHvApp& app);
std::unique_ptr<MainPage> MakeLastScanPage(CHvApp& app);
