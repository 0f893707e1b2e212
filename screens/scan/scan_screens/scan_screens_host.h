#pragma once

#include <windows.h>

#include <functional>

class CDriverOptimizerApp;
class CUpdateServiceHelper;
class ExclusionList;

// What the results page asks of the download-and-install window: the rows to act
// on are in the engine's selection (and its update list) already.
struct UpdateRequest {
    int mode = 0;          // 1 download one, 2 update all chosen, 4 install one downloaded
    UINT windowTimer = 0;  // the window's own timer: 108, 109 or 112
    int device = -1;       // one row: its device and row number
    int row = -1;
    bool goOnToInstall = false;  // the backup stage goes on to install
    bool installOnly = false;    // the package is on disk: no download
};

// What the scan and results screens ask of the main window and the program. Every
// call comes on the window thread.
class ScanScreensHost {
public:
    virtual ~ScanScreensHost() = default;
    virtual HWND MainWindow() = 0;
    virtual CDriverOptimizerApp& App() = 0;
    virtual CUpdateServiceHelper& Service() = 0;
    virtual ExclusionList& Exclusions() = 0;

    virtual void EnableNavigation(bool enable) = 0;
    virtual void SetBusy(bool busy) = 0;
    // A new scan, after the connection check.
    virtual void CheckInternetAndContinue() = 0;
    // One of the main window's one-shot page timers (123, 131, 134, 137, ...).
    virtual void SetMainTimer(UINT id, UINT milliseconds) = 0;
    // The results page fills itself again (its timer 102).
    virtual void RefillResultsPage() = 0;
    // The results screen is the current one: its header caption and tab.
    virtual void MarkResultsScreen() = 0;
    // The restart prompt; 0 when the user put the restart off.
    virtual int ShowRestartPrompt() = 0;
    // The download-and-install window takes over.
    virtual void RequestUpdate(const UpdateRequest& request) = 0;
    // A run for the backup wizard has ended with navigation and busy state restored:
    // with `devicesFound` the wizard goes on from its first page with the inventory
    // just taken, else its first page is shown again.
    virtual void HandInventoryToBackup(bool devicesFound) = 0;
};
