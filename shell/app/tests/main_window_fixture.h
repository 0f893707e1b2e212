#pragma once

// What the main window's test programs share: a main window over blank pages,
// a recording system seam and an accepting tray.
#include "shell/app/main_window.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <thread>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "foundation/shared_constants.h"
#include "platform/html/recording_page_host.h"
#include "platform/ui/modal_popup.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/app/kv_menu.h"
#include "shell/app/startup_switches.h"
#include "shell/splash_about/dlg_splash.h"
#include "shell/toolkit/main_border.h"
#include "tests/support/message_wait.h"
#include "tests/support/page_languages.h"
#include "tests/support/process_log_watch.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/scoped_registry.h"

namespace {

using namespace MainCommand;

class RecordingSystem final : public AppSystem {
public:
    int answer = IDNO;
    std::vector<std::wstring> boxes;
    std::vector<std::wstring> launchedParameters;
    std::vector<std::wstring> launchedVerbs;
    bool endExpected = false;
    bool ended = false;
    bool admin = true;
    unsigned majorVersion = 6;
    bool launchSucceeds = true;

    bool IsAdmin() override { return admin; }
    unsigned WindowsMajorVersion() override { return majorVersion; }
    void Sleep(DWORD) override {}
    bool LaunchThroughShell(HWND, const std::wstring& verb, const std::wstring&, const std::wstring& parameters,
                            const std::wstring&) override {
        launchedVerbs.push_back(verb);
        launchedParameters.push_back(parameters);
        return launchSucceeds;
    }
    void EndProcess(UINT code) override {
        if (!endExpected) ADD_FAILURE() << "the process must not end";
        EXPECT_EQ(code, 0u);
        ended = true;
    }
    int ShowMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        boxes.push_back(text);
        popupsAtBox.push_back(GetOpenPopupCount());
        // What reaches the window while the box's own message loop would run.
        if (whileShown) std::exchange(whileShown, nullptr)();
        return answer;
    }
    std::vector<LONG> popupsAtBox;
    std::function<void()> whileShown;
};

BOOL WINAPI AcceptingShell(DWORD, PNOTIFYICONDATAW) { return TRUE; }
bool ModernShell() { return true; }

// The commands and timers that reached any blank page, newest last.
std::vector<UINT> pageCommands;
std::vector<std::pair<HWND, UINT_PTR>> pageTimers;

LRESULT CALLBACK RecordPageCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_COMMAND) pageCommands.push_back(LOWORD(wParam));
    if (message == WM_TIMER) {
        KillTimer(hwnd, wParam);
        pageTimers.emplace_back(hwnd, wParam);
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Which pages were made, in order, and whether the main window was on screen then.
struct MadePage {
    MainPageId id;
    bool windowVisible;
};
std::vector<MadePage> madePages;

class BlankPage final : public MainPage {
public:
    explicit BlankPage(MainPageId id) : id_(id) {}
    HWND Create(HWND mainWindow, const RECT& place) override {
        madePages.push_back({id_, IsWindowVisible(mainWindow) != FALSE});
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, place.left, place.top, place.right - place.left,
                                  place.bottom - place.top, mainWindow, nullptr, nullptr, nullptr);
        SetWindowSubclass(window_, RecordPageCommand, 1, 0);
        return window_;
    }
    HWND Window() const override { return window_; }

private:
    MainPageId id_;
    HWND window_ = nullptr;
};

// The reminder's place in the notifier; the test presses its buttons.
class BlankReminder final : public NotifierContent {
public:
    bool CreateIn(HWND notifier) override {
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, notifier, nullptr, nullptr, nullptr);
        return window_ != nullptr;
    }
    HWND ContentWindow() const override { return window_; }
    void RefreshTexts() override {}

private:
    HWND window_ = nullptr;
};

class BlankPages final : public PageFactory {
public:
    std::unique_ptr<MainPage> Make(MainPageId id) override { return std::make_unique<BlankPage>(id); }
    std::unique_ptr<NotifierContent> MakeReminder(ReminderActions given) override {
        actions = std::move(given);
        return std::make_unique<BlankReminder>();
    }
    ReminderActions actions;
};

enum class Host { Completes, Fails, NeverAnswers };

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest() : scope_(system_) {
        ForgetQuitMessage();
        AppBusy().scanRunning = false;
        AppBusy().operationRunning = false;
        SetPendingUpdateCount(0);
    }
    ~MainWindowTest() override {
        AppBusy().scanRunning = false;
        AppBusy().operationRunning = false;
        window_.reset();
        PumpWaitingMessages();
    }

    // A main window through its start-up with these switches and this home page.
    CHvAppDlg& Start(const StartupSwitches& switches = {}, Host host = Host::Fails) {
        Create(switches);
        if (host == Host::Completes) window_->OnHomeDocumentComplete();
        if (host == Host::Fails) window_->OnHomePageFailed();
        // Until the start's timers (the longest is the 300 ms fallback) and what they
        // post have run.
        PumpMessagesUntilQuiet(400);
        return *window_;
    }
    // The window made, before its start goes on.
    CHvAppDlg& Create(const StartupSwitches& switches) {
        app_.MutableSwitches() = switches;
        window_ = std::make_unique<CHvAppDlg>(app_, pages_, TrayShell{AcceptingShell, ModernShell});
        window_->internetCheck = [this] { return online_; };
        window_->startUpdateCheck = [this](bool updateCheckStart) { updateChecks_.push_back(updateCheckStart); };
        window_->setUpFirstRun = [this] { ++firstRunSetUps_; };
        window_->updateCheckDelayMs = 100;
        window_->startupTimerDelayMs = 50;
        window_->releaseFallbackMs = 300;
        EXPECT_NE(window_->Create(), nullptr);
        return *window_;
    }
    HWND Window() const { return window_->Handle(); }

    // The process's log stays open in the folder of its first line: it must be
    // the user's folder, not the test's, or the test's folder cannot be removed.
    ProcessLogWatch log_;
    ScopedAppDataFolder data_;
    RecordingSystem system_;
    ScopedAppSystem scope_;
    CHvApp app_;
    BlankPages pages_;
    bool online_ = true;
    std::vector<bool> updateChecks_;
    int firstRunSetUps_ = 0;
    std::unique_ptr<CHvAppDlg> window_;
};

}  // namespace
