#include "engine/driver_scanner_app.h"

#include "platform/message_wait.h"
#include "platform/scoped_handle.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

constexpr DWORD kShortWaitMs = 5000;

// A worker of an engine operation that stops when it sees `code`, as a real one
// checks between its steps; it gives up unanswered after the test's wait.
void RunWorkerUntilStopped(CDriverScannerApp& app, int32_t code, HWND progressWindow) {
    const ULONGLONG deadline = GetTickCount64() + kShortWaitMs;
    while (!app.StopRequested(code)) {
        if (GetTickCount64() > deadline) return;
        SwitchToThread();
    }
    if (progressWindow != nullptr) SendMessageW(progressWindow, WM_USER + 2, 50, 0);
    app.AcknowledgeStop();
}

TEST(DriverScannerAppTest, StopRequestIsAcknowledgedByTheWorker) {
    CDriverScannerApp app;
    ASSERT_EQ(1, app.Initialize());
    app.SetStopWaitTimeout(kShortWaitMs);
    for (int32_t code : {18, 19, 25, 37, 39}) {
        app.BeginOperation();
        std::thread worker(RunWorkerUntilStopped, std::ref(app), code, nullptr);
        EXPECT_TRUE(app.WaitForOperation(code)) << code;
        worker.join();
        EXPECT_EQ(35, app.StatusCode());
        // The acknowledgement was consumed: the event is not left signalled.
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(app.OperationEvent(), 0));
    }
}

TEST(DriverScannerAppTest, ConstructionBindsTheDriverInstallLibraryAndInitialisationTheRest) {
    CDriverScannerApp app;
    // Wine ships a "difxapi.dll"; the binding is made when the object is built.
    EXPECT_TRUE(app.DifxApi().IsLoaded());
    EXPECT_EQ(nullptr, app.OperationEvent());
    app.SetStatusCode(18);
    EXPECT_EQ(1, app.Initialize());
    EXPECT_EQ(0, app.StatusCode());
    EXPECT_NE(nullptr, app.OperationEvent());
    EXPECT_NE(nullptr, app.DifxApiModule());
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    // A 64-bit build is on 64-bit Windows without WoW64 and takes the same road.
    EXPECT_EQ(wow64 != FALSE || sizeof(void*) == 8, app.IsWow64());
}

TEST(DriverScannerAppTest, UnknownCodesAreRefusedAndChangeNothing) {
    CDriverScannerApp app;
    app.Initialize();
    app.SetStatusCode(35);
    for (int32_t code : {0, 17, 26, 32, 35, 36, 38, 40}) {
        EXPECT_FALSE(app.WaitForOperation(code)) << code;
        EXPECT_EQ(35, app.StatusCode());
    }
}

TEST(DriverScannerAppTest, UnansweredRequestTimesOutAndLeavesTheEngineIdle) {
    CDriverScannerApp app;
    app.Initialize();
    app.SetStopWaitTimeout(50);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(app.WaitForOperation(18));
    EXPECT_GE(GetTickCount64() - start, 40u);
    EXPECT_EQ(35, app.StatusCode());
}

TEST(DriverScannerAppTest, WithoutInitialisationThereIsNoEventToWaitOn) {
    CDriverScannerApp app;
    EXPECT_FALSE(app.WaitForOperation(18));
    EXPECT_EQ(18, app.StatusCode());
}

TEST(DriverScannerAppTest, StaleAcknowledgementDoesNotAnswerTheNextRequest) {
    CDriverScannerApp app;
    app.Initialize();
    app.SetStopWaitTimeout(50);
    app.AcknowledgeStop();  // left over from an operation nobody waited for
    app.BeginOperation();
    EXPECT_FALSE(app.WaitForOperation(18));
}

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 2) {
        auto* received = reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        received->store(static_cast<int>(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(DriverScannerAppTest, WaiterThatOwnsTheProgressWindowStillReceivesTheWorkersReports) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"HalvenorStopWaitTest";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    std::atomic<int> received{0};
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));

    CDriverScannerApp app;
    app.Initialize();
    app.SetStopWaitTimeout(kShortWaitMs);
    app.BeginOperation();
    UniqueHandle workerDone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread worker([&] {
        RunWorkerUntilStopped(app, 18, window);
        SetEvent(workerDone.Get());
    });
    EXPECT_TRUE(app.WaitForOperation(18));
    // Should the wait have given up, the worker still hangs in its SendMessageW;
    // deliver it here so the test ends either way.
    EXPECT_TRUE(WaitPumpingSentMessages(workerDone.Get(), 2 * kShortWaitMs));
    worker.join();
    EXPECT_EQ(50, received.load());
    DestroyWindow(window);
}

WORD MachineOfImage(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    IMAGE_DOS_HEADER dos{};
    DWORD read = 0;
    WORD machine = 0;
    if (ReadFile(file, &dos, sizeof(dos), &read, nullptr) && read == sizeof(dos) &&
        SetFilePointer(file, dos.e_lfanew + 4, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
        ReadFile(file, &machine, sizeof(machine), &read, nullptr);
    }
    CloseHandle(file);
    return machine;
}

TEST(DriverScannerAppTest, RedirectionIsOffOnlyWhileTheGuardLives) {
    CDriverScannerApp app;
    app.Initialize();
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring systemKernel = std::wstring(windows) + L"\\system32\\kernel32.dll";
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (!wow64) GTEST_SKIP() << "not a 32-bit process on 64-bit Windows";

    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOfImage(systemKernel));
    {
        CDriverScannerApp::FsRedirectionOff off(app);
        EXPECT_TRUE(off.Active());
        EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, MachineOfImage(systemKernel));
    }
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOfImage(systemKernel));
}

}  // namespace
