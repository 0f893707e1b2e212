#include "foundation/window_helpers.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scoped_test_desktop.h"

namespace {

int dispatchedCount = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++dispatchedCount;
    return DefWindowProcW(window, message, wParam, lParam);
}

class MessageSink {
public:
    MessageSink() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = CountingProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"HalvenorPumpTestSink";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    }
    ~MessageSink() { DestroyWindow(window_); }
    HWND Window() const { return window_; }
    void Post(int count) const {
        for (int i = 0; i < count; ++i) PostMessageW(window_, WM_APP, 0, 0);
    }

private:
    HWND window_ = nullptr;
};

// One test drives the process-wide count from its start at 0, so it stands alone.
TEST(PumpPendingMessagesTest, YieldsAfterElevenMessagesCountedAcrossCalls) {
    MessageSink sink;
    ASSERT_NE(sink.Window(), nullptr);

    sink.Post(25);
    dispatchedCount = 0;
    EXPECT_EQ(PumpPendingMessages(), 11);
    EXPECT_EQ(dispatchedCount, 11);

    EXPECT_EQ(PumpPendingMessages(), 11);
    EXPECT_EQ(dispatchedCount, 22);

    // Three left: the queue empties and the count keeps those three.
    EXPECT_EQ(PumpPendingMessages(), 0);
    EXPECT_EQ(dispatchedCount, 25);

    sink.Post(20);
    EXPECT_EQ(PumpPendingMessages(), 11);
    EXPECT_EQ(dispatchedCount, 33) << "only eight more before the limit";
    while (PumpPendingMessages() != 0) {
    }
}

TEST(OpenUrlInBrowserTest, RefusesEverythingButWebAddresses) {
    const std::wstring refused[] = {
        L"",
        L"http://",
        L"file:///C:/windows/win.ini",
        L"C:\\windows\\notepad.exe",
        L"notepad.exe",
        L"javascript:alert(1)",
        L"mailto:user@example.com",
        L"ftp://example.com/",
        L"http://example.com/\" -new-window \"evil",
        L" http://example.com/",
    };
    for (const auto& address : refused) {
        EXPECT_FALSE(OpenUrlInBrowser(address)) << address;
    }
}

TEST(ForceForegroundWindowTest, RestoresAMinimisedWindowAndBringsItToTheFront) {
    ScopedTestDesktop desktop;
    ASSERT_TRUE(desktop.Active());
    const auto make = [](const wchar_t* title) {
        return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    };
    HWND window = make(L"minimised");
    HWND other = make(L"in front");
    ASSERT_NE(window, nullptr);
    ASSERT_NE(other, nullptr);

    // Minimised while it still holds the foreground.
    ShowWindow(window, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(window));
    EXPECT_TRUE(ForceForegroundWindow(window));
    EXPECT_FALSE(IsIconic(window));

    // Minimised behind another window.
    ShowWindow(window, SW_SHOWMINIMIZED);
    ShowWindow(other, SW_SHOW);
    SetForegroundWindow(other);
    ASSERT_TRUE(IsIconic(window));
    EXPECT_TRUE(ForceForegroundWindow(window));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);

    DestroyWindow(other);
    DestroyWindow(window);
}

}  // namespace
