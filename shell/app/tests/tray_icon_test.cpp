#include "shell/app/tray_icon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/shared_constants.h"

namespace {

struct Call {
    DWORD message;
    UINT flags;
    DWORD state;
    std::wstring tip;
};
std::vector<Call> calls;
bool shellAccepts = true;
bool modern = true;

BOOL WINAPI RecordingNotify(DWORD message, PNOTIFYICONDATAW data) {
    calls.push_back({message, data->uFlags, data->dwState, data->szTip});
    return shellAccepts ? TRUE : FALSE;
}
bool Modern() { return modern; }

class TrayIconTest : public testing::Test {
protected:
    TrayIconTest() {
        calls.clear();
        shellAccepts = true;
        modern = true;
        owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    ~TrayIconTest() override { DestroyWindow(owner_); }
    HWND owner_ = nullptr;
};

TEST_F(TrayIconTest, AFailedAddIsRetriedWhenTheTaskbarComesBack) {
    shellAccepts = false;
    CXTTrayIcon tray(TrayShell{RecordingNotify, Modern});
    EXPECT_FALSE(tray.Create(L"Halvenor", owner_, 100, 439));
    EXPECT_TRUE(tray.AddPending());
    EXPECT_TRUE(tray.IsRemoved());

    shellAccepts = true;
    calls.clear();
    SendMessageW(tray.Window(), MsgTaskbarCreated, 0, 0);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().message, static_cast<DWORD>(NIM_ADD));
    EXPECT_FALSE(tray.AddPending());
    EXPECT_FALSE(tray.IsRemoved());

    // Added and visible: the next restart of Explorer adds it again with the
    // flags of the first add.
    calls.clear();
    SendMessageW(tray.Window(), MsgTaskbarCreated, 0, 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));

    // Hidden: nothing comes back.
    ASSERT_TRUE(tray.HideIcon());
    calls.clear();
    SendMessageW(tray.Window(), MsgTaskbarCreated, 0, 0);
    EXPECT_TRUE(calls.empty());
}

TEST_F(TrayIconTest, HidingAndBalloonsDependOnTheShell) {
    {
        CXTTrayIcon tray(TrayShell{RecordingNotify, Modern});
        ASSERT_TRUE(tray.Create(L"Halvenor", owner_, 100, 439));
        calls.clear();
        EXPECT_TRUE(tray.HideIcon());
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(calls[0].state, static_cast<DWORD>(NIS_HIDDEN));
        EXPECT_TRUE(tray.IsHidden());
        EXPECT_TRUE(tray.ShowIcon());
        EXPECT_FALSE(tray.IsHidden());
        EXPECT_TRUE(tray.ShowBalloonTip(L"Scan overdue", L"Halvenor"));
    }
    modern = false;
    CXTTrayIcon tray(TrayShell{RecordingNotify, Modern});
    ASSERT_TRUE(tray.Create(L"Halvenor", owner_, 100, 439));
    calls.clear();
    EXPECT_TRUE(tray.HideIcon());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(tray.IsRemoved());
    EXPECT_FALSE(tray.ShowBalloonTip(L"Scan overdue"));
}

TEST_F(TrayIconTest, TooltipsAreCutAndEmptyAnimationsDoNothing) {
    CXTTrayIcon tray(TrayShell{RecordingNotify, Modern});
    ASSERT_TRUE(tray.Create(L"Halvenor", owner_, 100, 439));
    const struct {
        std::size_t length;
        std::size_t kept;
    } tips[] = {{10, 10}, {126, 126}, {127, 126}, {300, 126}};
    for (const auto& t : tips) {
        tray.SetTooltipText(std::wstring(t.length, L'x'));
        EXPECT_EQ(tray.Tooltip().size(), t.kept) << t.length;
        EXPECT_EQ(calls.back().tip.size(), t.kept) << t.length;
    }

    calls.clear();
    EXPECT_TRUE(tray.SetAnimationIcons(nullptr, 0));
    tray.StepAnimation();
    tray.StepAnimation();
    EXPECT_TRUE(calls.empty());
    const UINT missing[] = {60001};
    EXPECT_FALSE(tray.SetAnimationIcons(missing, 1));
    EXPECT_EQ(tray.AnimationFrameCount(), 0u);
}

TEST_F(TrayIconTest, NotificationsForOtherIconsOrWithoutOwnerAreNotHandled) {
    CXTTrayIcon tray(TrayShell{RecordingNotify, Modern});
    EXPECT_EQ(tray.OnTrayNotification(0, WM_LBUTTONUP), 0);
    ASSERT_TRUE(tray.Create(L"Halvenor", owner_, 100, 439));
    EXPECT_EQ(tray.OnTrayNotification(438, WM_LBUTTONUP), 0);
    EXPECT_EQ(tray.OnTrayNotification(439, WM_MOUSEMOVE), 1);
    // No menu resource 439 in the test program: the menu gestures end with 0.
    EXPECT_EQ(tray.OnTrayNotification(439, WM_RBUTTONUP), 0);
}

TEST(TrayRectangle, ByWhatTheShellReports) {
    const RECT work{0, 0, 1024, 738};
    const RECT notify{900, 740, 1020, 768};
    const RECT bar{0, 738, 1024, 768};
    const struct {
        const RECT* notifyArea;
        const RECT* bar;
        UINT edge;
        RECT expected;
    } cases[] = {
        {&notify, &bar, 3, notify},
        {nullptr, &bar, 1, {924, 738, 1008, 768}},
        {nullptr, &bar, 3, {924, 738, 1008, 768}},
        {nullptr, &bar, 0, {0, 668, 1024, 752}},
        {nullptr, &bar, 2, {0, 668, 1024, 752}},
        {nullptr, nullptr, 0, {874, 708, 1024, 738}},
    };
    for (const auto& c : cases) {
        const RECT r = TrayRectangleFrom(c.notifyArea, c.bar, c.edge, work);
        EXPECT_TRUE(EqualRect(&r, &c.expected)) << (&c - cases) << ": " << r.left << "," << r.top << ","
                                                << r.right << "," << r.bottom;
    }
}

}  // namespace
