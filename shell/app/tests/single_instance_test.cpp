#include "shell/app/single_instance.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring UniqueMutexName() {
    return L"HalvenorTest_SingleInstance_" + std::to_wstring(GetCurrentProcessId());
}

TEST(SingleInstance, SecondHolderOfTheNameSeesTheFirstUntilItCloses) {
    const std::wstring name = UniqueMutexName();
    SingleInstanceMutex first(name);
    EXPECT_FALSE(first.AnotherInstanceRuns());
    {
        SingleInstanceMutex second(name);
        EXPECT_TRUE(second.AnotherInstanceRuns());
    }
    first.Close();
    SingleInstanceMutex afterClose(name);
    EXPECT_FALSE(afterClose.AnotherInstanceRuns());
}

// A top-level dialog of the system's dialog class, as a message box or our main
// window would be.
class TopLevelDialog {
public:
    explicit TopLevelDialog(const std::wstring& title) {
        window_ = CreateWindowExW(0, L"#32770", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~TopLevelDialog() { DestroyWindow(window_); }
    HWND Get() const { return window_; }

private:
    HWND window_ = nullptr;
};

MSG TakePosted(HWND window) {
    MSG message{};
    PeekMessageW(&message, window, WM_APP, WM_APP + 200, PM_REMOVE);
    return message;
}

TEST(SingleInstance, HandOverFindsTheMarkedWindowNotAMessageBoxWithTheSameTitle) {
    const std::wstring title = L"Halvenor hand-over " + std::to_wstring(GetCurrentProcessId());
    TopLevelDialog messageBox(title);
    TopLevelDialog mainWindow(title);
    TopLevelDialog otherTitle(title + L" 2");
    ASSERT_NE(messageBox.Get(), nullptr);
    ASSERT_NE(mainWindow.Get(), nullptr);
    EXPECT_EQ(FindRunningMainWindow(title), nullptr);

    MarkAsMainWindow(otherTitle.Get());
    MarkAsMainWindow(mainWindow.Get());
    EXPECT_EQ(FindRunningMainWindow(title), mainWindow.Get());

    HandOverRequest scan{true, kMsgScanRequested, 0, false};
    ASSERT_TRUE(HandOverToRunningInstance(FindRunningMainWindow(title), scan));
    const MSG posted = TakePosted(mainWindow.Get());
    EXPECT_EQ(posted.message, kMsgScanRequested);
    EXPECT_EQ(posted.wParam, 0u);
    EXPECT_EQ(TakePosted(messageBox.Get()).message, 0u);
    // A scan request leaves the running window where it is.
    EXPECT_FALSE(IsWindowVisible(mainWindow.Get()));

    HandOverRequest activate{true, kMsgActivate, 0, true};
    ASSERT_TRUE(HandOverToRunningInstance(mainWindow.Get(), activate));
    EXPECT_EQ(TakePosted(mainWindow.Get()).message, kMsgActivate);
    EXPECT_TRUE(IsWindowVisible(mainWindow.Get()));

    EXPECT_FALSE(HandOverToRunningInstance(nullptr, scan));
    EXPECT_FALSE(HandOverToRunningInstance(mainWindow.Get(), HandOverRequest{}));
}

}  // namespace
