#pragma once

#include <windows.h>

#include <string>

#include "engine/update_run.h"

// What the download-and-install window needs of the program around it: the
// update run's services, and every call a test must not have made for real (the
// service, message boxes from the stage threads, the restore point, the restart
// prompt).
class DownloadInstallHost : public UpdateRunServices {
public:
    // The main window: its timers 105 (results page) and 136 (scan again).
    virtual HWND MainWindow() = 0;
    virtual void EnableNavigation(bool enable) = 0;
    virtual void SetBusy(bool busy) = 0;

    // The program's data folder, where the last scan is kept ("results.du").
    virtual std::wstring DataFolder() = 0;

    // A message box with the program's title; called from stage threads too.
    virtual int ShowMessage(HWND owner, const std::wstring& text, UINT style) = 0;
    // 8 when the user chose to restart now.
    virtual int ShowRestartPrompt() = 0;
    // The results rows changed (the results page refills itself).
    virtual void ResultsChanged() {}
    // The sub-header shows the install step on its first tab.
    virtual void ShowInstallStep() {}
};
