#pragma once

// CHvApp: start-up and exit. Message loop: ui::App; shared state: CDriverOptimizerApp; engine: CDriverScannerApp.

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/app.h"
#include "shell/driver_optimizer_app.h"
#include "shell/app/app_fonts.h"
#include "shell/app/single_instance.h"
#include "shell/app/startup_switches.h"

// The one application object of the main program: the start-up (language,
// single instance, rights, settings, switches, main window), the keys it keeps from
// the pages, and the exit step.
class CHvApp : public CDriverOptimizerApp, public ui::App {
public:
    // Builds the language file's path and opens its cache.
    CHvApp();
    ~CHvApp() override;

    // The whole start-up for these arguments (the program's path left out); false
    // ends the program at once (a second start, missing rights, a relaunch, or a
    // reminder check with nothing to remind of).
    bool InitInstance(const std::vector<std::wstring>& arguments);
    // The start-up for the process's own command line.
    bool InitInstance() override;
    // The exit step; the process's exit code.
    int ExitInstance() override;
    // True for the keys the program swallows; the first filter of every message of
    // the message loop and of the modal loops.
    bool PreTranslateMessage(MSG& message) override;

    // Makes, creates and hides the main window for the last start-up step; false
    // when it could not be made. Set by the program's entry before InitInstance.
    using MainWindowCreator = std::function<HWND(CHvApp& app)>;
    void SetMainWindowCreator(MainWindowCreator creator) { mainWindowCreator_ = std::move(creator); }
    HWND MainWindow() const { return mainWindow_; }
    // The single-instance name; tests give each process its own.
    void SetInstanceName(std::wstring name) { instanceName_ = std::move(name); }
    // The main window is gone: the exit step must not rely on it any more, but it
    // still counts as created.
    void ForgetMainWindow() { mainWindow_ = nullptr; }

    const StartupSwitches& Switches() const { return switches_; }
    StartupSwitches& MutableSwitches() { return switches_; }
    bool IsSecondInstance() const { return isSecondInstance_; }
    bool MainWindowWasCreated() const { return mainWindowCreated_; }
    bool firstInstallScan = false;  // set by the main window's start-up timer

    const std::wstring& LanguageFilePath() const { return languageFilePath_; }
    unsigned LanguageId() const { return languageId_; }
    bool SegoeUiAvailable() const { return segoeUiAvailable_; }
    HFONT Font(std::size_t index) const { return fonts_.Get(index); }
    const std::wstring& SupportTelephone() const { return supportTelephone_; }
    const std::wstring& SupportTelephoneRegistered() const { return supportTelephoneRegistered_; }
    const std::wstring& AppName() const { return appName_; }

    // The language file of the current row beside the program; also kept here.
    std::wstring BuildLanguageFilePath();

private:
    bool HandOverAndEnd(const std::wstring& argument);
    bool EnsureRights();

    std::wstring instanceName_ = kSingleInstanceMutexName;
    std::unique_ptr<SingleInstanceMutex> mutex_;
    MainWindowCreator mainWindowCreator_;
    HWND mainWindow_ = nullptr;
    bool mainWindowCreated_ = false;
    StartupSwitches switches_;
    bool isSecondInstance_ = false;
    std::wstring languageFilePath_;
    bool segoeUiAvailable_ = false;
    unsigned languageId_ = 0;
    std::wstring supportTelephone_;
    std::wstring supportTelephoneRegistered_;
    std::wstring appName_;
    AppFonts fonts_;
    bool oleInitialised_ = false;
    bool comInitialised_ = false;
};

// The application object while it exists (null before and after).
CHvApp* HvApp();

// The number of drivers that still await an update after the last scan; the
// results screens keep it, the exit step stores it as "StrLastScanResults".
int PendingUpdateCount();
void SetPendingUpdateCount(int count);
