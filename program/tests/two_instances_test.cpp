// Two real starts of the program in one prefix: the second one hands its request
// to the first and ends. And a start made only to check for a newer version.
// The stand-in site's server first: its header needs Winsock before windows.h.
#include "tools/http_stand_in_server.h"
#include "tools/program_site_stand_in.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "shell/app/main_window.h"
#include "shell/app/single_instance.h"
#include "shell/toolkit/taskbar_notifier.h"
#include "tests/support/child_process.h"
#include "tests/support/message_wait.h"
#include "tests/support/process_log_watch.h"

namespace {

std::wstring ProgramPath() { return WindowsPathFromHost(HALVENOR_PROGRAM_HOST_PATH); }

constexpr wchar_t kReleaseWaitVariable[] = L"HALVENOR_TEST_RELEASE_WAIT_MS";

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) { return PumpMessagesUntil(done, timeoutMs); }

struct WindowSearch {
    DWORD processId;
    bool mainWindow;  // the marked main window, or any other dialog of the process
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") != 0) return TRUE;
    const bool marked = GetPropW(window, kMainWindowProperty) != nullptr;
    if (marked != search->mainWindow || (!marked && !IsWindowVisible(window))) return TRUE;
    search->found = window;
    return FALSE;
}

struct NotifierSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchNotifier(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<NotifierSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || GetPropW(window, CTaskbarNotifier::kWindowProperty) == nullptr) return TRUE;
    search->found = window;
    return FALSE;
}

// The slide-in notifier of the process, shown or not.
HWND FindNotifier(DWORD processId) {
    NotifierSearch search{processId, nullptr};
    EnumWindows(MatchNotifier, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindProcessWindow(DWORD processId, bool mainWindow) {
    WindowSearch search{processId, mainWindow, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first start: a running program with its window up.
class RunningProgram {
public:
    RunningProgram() {
        std::wstring line = L"\"" + ProgramPath() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        // Wine never completes the home page: these tests are not about the wait for
        // it, and the window comes up after a moment instead of the full wait (the
        // update-check start below keeps the real one).
        SetEnvironmentVariableW(kReleaseWaitVariable, L"100");
        const BOOL started =
            CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_);
        SetEnvironmentVariableW(kReleaseWaitVariable, nullptr);
        if (!started) {
            ADD_FAILURE() << "cannot start " << testing::PrintToString(ProgramPath()) << ": " << GetLastError();
            return;
        }
        WaitFor([this] {
            window_ = FindProcessWindow(process_.dwProcessId, true);
            return window_ != nullptr && IsWindowVisible(window_);
        }, 60000);
    }
    ~RunningProgram() {
        if (process_.hProcess == nullptr) return;
        // The tray menu's Exit ends it the way a user would.
        if (window_ != nullptr) PostMessageW(window_, WM_COMMAND, MainCommand::kTrayExit, 0);
        if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the first start did not end on Exit";
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    HWND Window() const { return window_; }
    DWORD Id() const { return process_.dwProcessId; }
    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

private:
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

// A second start with `argument`; its exit code, or nullopt when it did not end.
std::optional<DWORD> StartAgain(const std::wstring& argument) {
    return RunProgramAndWait(L"\"" + ProgramPath() + L"\" " + argument, 30000);
}

class TwoInstances : public testing::Test {
protected:
    TwoInstances() {
        // A schedule is stored, so the first start does not write the default scan task.
        SetUserRegistryValue(true, kProductKeyPath, L"m_rBtnEvery", L"", 3, 4);
    }
    void PutInTray() {
        PostMessageW(first_.Window(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitFor([this] { return !IsWindowVisible(first_.Window()); }, 10000));
    }
    void SetLastScan(int daysAgo) {
        FILETIME file{};
        GetSystemTimeAsFileTime(&file);
        ULARGE_INTEGER when{{file.dwLowDateTime, file.dwHighDateTime}};
        when.QuadPart -= static_cast<ULONGLONG>(daysAgo) * 24 * 3600 * 10000000ULL;
        file = {when.LowPart, when.HighPart};
        FILETIME local{};
        FileTimeToLocalFileTime(&file, &local);
        SYSTEMTIME time{};
        FileTimeToSystemTime(&local, &time);
        WriteUserSystemTime(time, kProductKeyPath, L"CurrentScanTime");
    }

    RunningProgram first_;
};

TEST_F(TwoInstances, AScanStartIsHandedToTheRunningProgramWhichAsksFirst) {
    ASSERT_NE(first_.Window(), nullptr) << "the first start's window did not show";
    EXPECT_EQ(StartAgain(L"-scan"), 0u);
    // The running program asks whether to scan now, over its own window.
    HWND question = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (question = FindProcessWindow(first_.Id(), false)) != nullptr; }, 10000));
    PostMessageW(question, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(question); }, 10000));
    EXPECT_TRUE(first_.Running());
}

TEST_F(TwoInstances, AStartWithoutSwitchBringsTheProgramBackFromTheTray) {
    ASSERT_NE(first_.Window(), nullptr) << "the first start's window did not show";
    PutInTray();
    EXPECT_EQ(StartAgain(L""), 0u);
    EXPECT_TRUE(WaitFor([this] { return IsWindowVisible(first_.Window()) != FALSE; }, 10000));
    EXPECT_TRUE(first_.Running());
}

TEST_F(TwoInstances, ReminderStartSendsOnlyWhenTheLastScanIsOverdue) {
    ASSERT_NE(first_.Window(), nullptr) << "the first start's window did not show";
    PutInTray();
    const struct {
        int daysAgo;
        bool reminderAsked;
    } cases[] = {{0, false}, {3, false}, {45, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "last scan " << c.daysAgo << " days ago");
        SetLastScan(c.daysAgo);
        DataFolderLogWatch log;
        EXPECT_EQ(StartAgain(L"-checklastscan"), 0u);
        // A request is posted before the second start ends; where none is due, the
        // bound is the time one takes to arrive and be logged.
        const bool asked = WaitFor([&] { return log.NewText().find(L"overdue-scan reminder") != std::wstring::npos; },
                                   c.reminderAsked ? 10000 : 1000);
        EXPECT_EQ(asked, c.reminderAsked);
        // The reminder slides in above the taskbar (and away again on its own).
        const HWND notifier = FindNotifier(first_.Id());
        ASSERT_NE(notifier, nullptr);
        if (c.reminderAsked) {
            EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(notifier) != FALSE; }, 5000));
            EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(notifier) == FALSE; }, 15000));
        } else {
            EXPECT_FALSE(IsWindowVisible(notifier));
        }
        // A reminder that ends on its own never ends a program its user runs.
        EXPECT_TRUE(first_.Running());
        // Neither way does the window come back or a question show.
        EXPECT_FALSE(IsWindowVisible(first_.Window()));
        EXPECT_EQ(FindProcessWindow(first_.Id(), false), nullptr);
    }
}

// The scheduled update check: the program asks the site for the version file with
// its own version, shows nothing and ends by itself.
TEST(UpdateCheckStart, FetchesTheVersionFileAndEndsWithoutAWindow) {
    HttpStandInServer server;
    ProgramSiteStandIn site(server);
    ASSERT_TRUE(server.Start());
    site.SetVersionFile("[Application]\r\nPROGRAM_VERSION=99.0.0.0\r\nPROGRAM_URL=" +
                        std::string(ProgramSiteStandIn::kSetupPath) + "\r\n");
    const std::wstring address = server.Url(ProgramSiteStandIn::kVersionFilePath);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kProductKeyPath, L"ProgramUpdateAddress", REG_SZ, address.c_str(),
                              static_cast<DWORD>((address.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(RunProgramAndWait(L"\"" + ProgramPath() + L"\" -updatecheck", 60000), 0u);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kProductKeyPath, L"ProgramUpdateAddress");
    const auto calls = site.CallsTo(ProgramSiteStandIn::kVersionFilePath);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].fields.at("ver"), L"1.0.0.1");
    // A newer version on offer changes nothing in such a start: no setup fetched.
    EXPECT_TRUE(site.CallsTo(ProgramSiteStandIn::kSetupPath).empty());
    server.Stop();
}

}  // namespace
