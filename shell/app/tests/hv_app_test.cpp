#include "shell/app/hv_app.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/product_key.h"
#include "foundation/product_shortcuts.h"
#include "foundation/registry_values.h"
#include "shell/app/app_system.h"
#include "tests/support/process_log_watch.h"
#include "tests/support/scoped_app_data_folder.h"

namespace {

struct Launch {
    std::wstring verb, file, parameters;
    bool mutexFreeAtLaunch;
};

class RecordingSystem final : public AppSystem {
public:
    bool admin = true;
    unsigned major = 6;
    std::wstring instanceName;
    std::vector<DWORD> sleeps;
    std::vector<Launch> launches;
    std::vector<UINT> boxes;

    bool IsAdmin() override { return admin; }
    unsigned WindowsMajorVersion() override { return major; }
    void Sleep(DWORD milliseconds) override { sleeps.push_back(milliseconds); }
    bool LaunchThroughShell(HWND, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                      const std::wstring&) override {
        // What the raised copy would find at this moment.
        SingleInstanceMutex probe(instanceName);
        launches.push_back({verb, file, parameters, !probe.AnotherInstanceRuns()});
        return true;
    }
    void EndProcess(UINT) override { ADD_FAILURE() << "the process must not end"; }
    int ShowMessageBox(HWND, const std::wstring&, const std::wstring&, UINT style) override {
        boxes.push_back(style);
        return IDOK;
    }
};

class HvAppStart : public testing::Test {
protected:
    HvAppStart() : scope_(system_) {
        system_.instanceName = L"HalvenorTest_App_" + std::to_wstring(GetCurrentProcessId());
        // A schedule is stored, so no start here writes the default scan task.
        SetUserRegistryValue(true, kProductKeyPath, L"m_rBtnEvery", L"", 3, 4);
        SetUserRegistryValue(true, kProductKeyPath, L"StrLastScanResults", L"7", 0, 1);
        app_.SetInstanceName(system_.instanceName);
    }
    ~HvAppStart() override {
        for (HWND window : windows_) DestroyWindow(window);
        // The startup drained the queue of posted quit messages it may have left.
        MSG message;
        while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    HWND MakeDialog(const std::wstring& title) {
        HWND window = CreateWindowExW(0, L"#32770", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        windows_.push_back(window);
        return window;
    }
    void CreateWindowOnStart() {
        app_.SetMainWindowCreator([this](CHvApp&) { return MakeDialog(GetProductTitle() + L" test"); });
    }
    static std::wstring StoredCount() {
        std::wstring text;
        DWORD number = 0;
        GetUserRegistryValue(kProductKeyPath, L"StrLastScanResults", text, number, 1);
        return text;
    }

    // The process's log stays open in the folder of its first line: it must be
    // the user's folder, not the test's, or the test's folder cannot be removed.
    ProcessLogWatch log_;
    ScopedAppDataFolder data_;
    RecordingSystem system_;
    ScopedAppSystem scope_;
    CHvApp app_;
    std::vector<HWND> windows_;
};

TEST_F(HvAppStart, WithoutRightsOnVistaRelaunchesRaisedWithNoArgumentsAndTheMutexClosed) {
    system_.admin = false;
    CreateWindowOnStart();
    EXPECT_FALSE(app_.InitInstance({L"-scan"}));
    ASSERT_EQ(system_.launches.size(), 1u);
    EXPECT_EQ(system_.launches[0].verb, L"runas");
    EXPECT_EQ(system_.launches[0].parameters, L"");
    EXPECT_TRUE(system_.launches[0].mutexFreeAtLaunch);
    EXPECT_TRUE(system_.boxes.empty());
    EXPECT_EQ(app_.MainWindow(), nullptr);
    EXPECT_EQ(log_.NewText().find(L"Application Started"), std::wstring::npos);
}

TEST_F(HvAppStart, WithoutRightsBeforeVistaWarnsAndEnds) {
    system_.admin = false;
    system_.major = 5;
    EXPECT_FALSE(app_.InitInstance({}));
    EXPECT_TRUE(system_.launches.empty());
    ASSERT_EQ(system_.boxes.size(), 1u);
    EXPECT_EQ(system_.boxes[0], static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(HvAppStart, SecondStartHandsOverAndNeverStoresTheCount) {
    SingleInstanceMutex firstInstance(system_.instanceName);
    HWND running = MakeDialog(GetProductTitle());
    MarkAsMainWindow(running);
    CreateWindowOnStart();

    EXPECT_FALSE(app_.InitInstance({L"/SCAN"}));
    EXPECT_TRUE(app_.IsSecondInstance());
    MSG posted{};
    ASSERT_TRUE(PeekMessageW(&posted, running, WM_APP, WM_APP + 200, PM_REMOVE));
    EXPECT_EQ(posted.message, static_cast<UINT>(WM_APP + 151));
    EXPECT_EQ(posted.wParam, 0u);
    EXPECT_EQ(system_.sleeps, std::vector<DWORD>{2048});

    SetPendingUpdateCount(2);
    app_.ExitInstance();
    EXPECT_EQ(StoredCount(), L"7");
}

TEST_F(HvAppStart, FirstStartCreatesAMarkedWindowLogsAndStoresTheCountAtExit) {
    SetUserRegistryValue(true, kProductKeyPath, L"NumTimesHalRunned", L"", 4, 4);
    CreateWindowOnStart();
    ASSERT_TRUE(app_.InitInstance({}));
    EXPECT_TRUE(system_.sleeps.empty() || system_.sleeps == std::vector<DWORD>{0});
    EXPECT_TRUE(app_.Switches().showUi);
    EXPECT_EQ(FindRunningMainWindow(GetProductTitle() + L" test"), app_.MainWindow());
    EXPECT_EQ(GetAppSettings().numTimesHalRunned, 5);
    EXPECT_EQ(PendingUpdateCount(), 7);
    EXPECT_NE(log_.NewText().find(L"Application Started"), std::wstring::npos);

    SetPendingUpdateCount(3);
    app_.ExitInstance();
    EXPECT_EQ(StoredCount(), L"3");
    EXPECT_NE(log_.NewText().find(L"Application Exit"), std::wstring::npos);
}

TEST_F(HvAppStart, ReminderStartsWaitOrEndWithoutAWindow) {
    CreateWindowOnStart();
    {
        CHvApp reminder;
        reminder.SetInstanceName(system_.instanceName + L"r");
        reminder.SetMainWindowCreator([this](CHvApp&) { return MakeDialog(L"reminder"); });
        ASSERT_TRUE(reminder.InitInstance({L"-rem"}));
        EXPECT_EQ(system_.sleeps, (std::vector<DWORD>{2048, 0, 124361}));
        EXPECT_TRUE(reminder.Switches().showUi);
    }
    system_.sleeps.clear();

    // A scan made today: nothing to remind of, no window, and the stored count of
    // the last scan stays as it was.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    WriteUserSystemTime(now, kProductKeyPath, L"CurrentScanTime");
    EXPECT_FALSE(app_.InitInstance({L"-checklastscan"}));
    EXPECT_EQ(app_.MainWindow(), nullptr);
    SetPendingUpdateCount(0);
    app_.ExitInstance();
    EXPECT_EQ(StoredCount(), L"7");
}

TEST_F(HvAppStart, AWindowThatCannotBeMadeEndsTheStart) {
    app_.SetMainWindowCreator([](CHvApp&) { return HWND{}; });
    EXPECT_FALSE(app_.InitInstance({}));
    SetPendingUpdateCount(0);
    app_.ExitInstance();
    EXPECT_EQ(StoredCount(), L"7");
}

}  // namespace
