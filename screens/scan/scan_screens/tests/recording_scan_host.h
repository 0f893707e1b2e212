#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "screens/scan/scan_screens/scan_screens_host.h"
#include "shell/app/app_system.h"
#include "shell/driver_optimizer_app.h"
#include "shell/exclusions/exclusion_list.h"

// The main window as the scan screens see it, recording what they ask of it.
class RecordingScanHost final : public ScanScreensHost {
public:
    RecordingScanHost(CDriverOptimizerApp& app, CUpdateServiceHelper& service, HWND mainWindow)
        : app_(app), service_(service), mainWindow_(mainWindow) {}

    HWND MainWindow() override { return mainWindow_; }
    CDriverOptimizerApp& App() override { return app_; }
    CUpdateServiceHelper& Service() override { return service_; }
    ExclusionList& Exclusions() override { return exclusions; }
    void EnableNavigation(bool enable) override { navigationEnabled = enable; }
    void SetBusy(bool value) override { busy = value; }
    void CheckInternetAndContinue() override { ++scanRequests; }
    void SetMainTimer(UINT id, UINT) override { mainTimers.push_back(id); }
    void RefillResultsPage() override { ++refills; }
    void MarkResultsScreen() override { ++resultsMarks; }
    int ShowRestartPrompt() override {
        ++restartPrompts;
        return 0;
    }
    void RequestUpdate(const UpdateRequest& request) override { updates.push_back(request); }
    void HandInventoryToBackup(bool devicesFound) override { backupHandOvers.push_back(devicesFound); }

    bool TimerArmed(UINT id) const { return std::find(mainTimers.begin(), mainTimers.end(), id) != mainTimers.end(); }

    ExclusionList exclusions{nullptr, ExclusionList::DefaultPath()};
    bool navigationEnabled = true;
    bool busy = false;
    int scanRequests = 0;
    int refills = 0;
    int resultsMarks = 0;
    int restartPrompts = 0;
    std::vector<UINT> mainTimers;
    std::vector<UpdateRequest> updates;
    std::vector<bool> backupHandOvers;

private:
    CDriverOptimizerApp& app_;
    CUpdateServiceHelper& service_;
    HWND mainWindow_;
};

// Message boxes answered by the test and recorded; nothing else of the system is
// used by these screens.
class AnsweringBoxes final : public AppSystem {
public:
    struct Box {
        std::wstring text;
        UINT style;
    };
    int answer = IDNO;
    std::vector<Box> boxes;
    std::function<void()> whileOpen;  // runs while a box is "open"

    bool IsAdmin() override { return true; }
    unsigned WindowsMajorVersion() override { return 6; }
    void Sleep(DWORD) override {}
    bool LaunchThroughShell(HWND, const std::wstring&, const std::wstring&, const std::wstring&,
                            const std::wstring&) override {
        return true;
    }
    void EndProcess(UINT) override {}
    int ShowMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT style) override {
        boxes.push_back({text, style});
        if (whileOpen) whileOpen();
        return answer;
    }
};
