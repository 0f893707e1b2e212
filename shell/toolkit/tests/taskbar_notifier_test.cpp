#include "shell/toolkit/taskbar_notifier.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ui/message_pump.h"
#include "resources/toolkit/toolkit_ids.h"
#include "tests/support/message_wait.h"

namespace {

// A content that counts what the notifier asks of it.
class CountingContent : public NotifierContent {
public:
    bool CreateIn(HWND notifier) override {
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, notifier, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        return window_ != nullptr;
    }
    HWND ContentWindow() const override { return window_; }
    void RefreshTexts() override { ++refreshes; }
    int refreshes = 0;

private:
    HWND window_ = nullptr;
};

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

class TaskbarNotifierTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(notifier_.Create(nullptr, &content_));
        ASSERT_TRUE(notifier_.SetSkin(IDB_NOTIFIER_SKIN));
        notifier_.onHidden = [this] { ++hides_; };
    }
    // The timers as the system would deliver them, without waiting for them.
    void Tick(UINT id) { SendMessageW(notifier_.Handle(), WM_TIMER, id, 0); }
    int TickUntilNot(UINT id, CTaskbarNotifier::State whileState, int limit = 2000) {
        int steps = 0;
        do {
            Tick(id);
            ++steps;
        } while (notifier_.CurrentState() == whileState && steps < limit);
        return steps;
    }

    CountingContent content_;
    CTaskbarNotifier notifier_;
    int hides_ = 0;
};

TEST_F(TaskbarNotifierTest, SlidesInFromTheTaskbarEdgeAndOutAgainOnEveryEdge) {
    const SIZE skin = notifier_.Size();
    ASSERT_GT(skin.cx, 0);
    ASSERT_GT(skin.cy, 0);
    // A 1000 x 700 screen with a 40-pixel taskbar on each edge in turn.
    const struct Case {
        const char* edge;
        RECT work;
        CTaskbarNotifier::Direction direction;
        POINT start;
        POINT shown;
        int size;  // the side the notifier slides along
    } cases[] = {
        {"bottom", {0, 0, 1000, 660}, CTaskbarNotifier::kFromBottom, {1000 - skin.cx, 660}, {1000 - skin.cx, 660 - skin.cy},
         static_cast<int>(skin.cy)},
        {"top", {0, 40, 1000, 700}, CTaskbarNotifier::kFromTop, {1000 - skin.cx, 40 - skin.cy}, {1000 - skin.cx, 40},
         static_cast<int>(skin.cy)},
        {"left", {40, 0, 1000, 700}, CTaskbarNotifier::kFromLeft, {40 - skin.cx, 700 - skin.cy}, {40, 700 - skin.cy},
         static_cast<int>(skin.cx)},
        {"right", {0, 0, 960, 700}, CTaskbarNotifier::kFromRight, {960, 700 - skin.cy}, {960 - skin.cx, 700 - skin.cy},
         static_cast<int>(skin.cx)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        notifier_.display = [&c] { return NotifierDisplay{c.work, {1000, 700}}; };
        hides_ = 0;
        const int refreshes = content_.refreshes;
        ASSERT_TRUE(notifier_.Show());
        EXPECT_EQ(content_.refreshes, refreshes + 1);
        EXPECT_EQ(notifier_.CurrentDirection(), c.direction);
        EXPECT_EQ(notifier_.StartPosition().x, c.start.x);
        EXPECT_EQ(notifier_.StartPosition().y, c.start.y);
        EXPECT_EQ(notifier_.ShowPeriod(), std::max(1u, 500u / static_cast<UINT>(c.size / 2)));
        EXPECT_TRUE(IsWindowVisible(notifier_.Handle()));
        EXPECT_EQ(WindowRect(content_.ContentWindow()).right - WindowRect(content_.ContentWindow()).left, skin.cx);

        // In two pixels a step, until it stands fully inside the work area.
        const int steps = TickUntilNot(CTaskbarNotifier::kShowTimer, CTaskbarNotifier::kShowing);
        EXPECT_EQ(notifier_.CurrentState(), CTaskbarNotifier::kWaiting);
        EXPECT_EQ(steps, (c.size + 1) / 2 + 1);  // the last tick only sees it has arrived
        const RECT shown = WindowRect(notifier_.Handle());
        EXPECT_EQ(shown.right - shown.left, skin.cx);
        EXPECT_LE(std::abs(shown.left - c.shown.x), 1);
        EXPECT_LE(std::abs(shown.top - c.shown.y), 1);

        // The wait ends in the slide-out, which ends where it started, hidden.
        Tick(CTaskbarNotifier::kWaitTimer);
        TickUntilNot(CTaskbarNotifier::kHideTimer, CTaskbarNotifier::kHiding);
        EXPECT_EQ(notifier_.CurrentState(), CTaskbarNotifier::kHidden);
        EXPECT_FALSE(IsWindowVisible(notifier_.Handle()));
        EXPECT_EQ(hides_, 1);
    }
}

TEST_F(TaskbarNotifierTest, ABottomTaskbarUnderA1080PixelWorkAreaStepsTwoPixelsAtHalfASecondOverTheSteps) {
    notifier_.display = [] { return NotifierDisplay{{0, 0, 1920, 1080}, {1920, 1120}}; };
    // The program's skin sets the size; this case takes its own numbers from it.
    const int height = notifier_.Size().cy;
    ASSERT_TRUE(notifier_.Show());
    EXPECT_EQ(notifier_.StartPosition().y, 1080);
    EXPECT_EQ(notifier_.ShowPeriod(), 500u / static_cast<UINT>(height / 2));
    EXPECT_EQ(notifier_.HidePeriod(), 500u / static_cast<UINT>(height / 2));
    const int steps = TickUntilNot(CTaskbarNotifier::kShowTimer, CTaskbarNotifier::kShowing);
    EXPECT_EQ(steps - 1, (height + 1) / 2);
    EXPECT_EQ(notifier_.Position().y, 1080 - 2 * ((height + 1) / 2));
}

TEST_F(TaskbarNotifierTest, ShowAgainWhileSlidingOutComesBackAtOnceAndWaitsAgain) {
    notifier_.display = [] { return NotifierDisplay{{0, 0, 1000, 660}, {1000, 700}}; };
    ASSERT_TRUE(notifier_.Show());
    TickUntilNot(CTaskbarNotifier::kShowTimer, CTaskbarNotifier::kShowing);
    const POINT shown = notifier_.Position();
    Tick(CTaskbarNotifier::kWaitTimer);
    for (int i = 0; i < 10; ++i) Tick(CTaskbarNotifier::kHideTimer);
    ASSERT_EQ(notifier_.CurrentState(), CTaskbarNotifier::kHiding);
    ASSERT_GT(notifier_.Position().y, shown.y);

    ASSERT_TRUE(notifier_.Show());
    EXPECT_EQ(notifier_.CurrentState(), CTaskbarNotifier::kWaiting);
    EXPECT_EQ(notifier_.Position().y, 660 - notifier_.Size().cy);
    EXPECT_EQ(WindowRect(notifier_.Handle()).top, 660 - notifier_.Size().cy);
    EXPECT_EQ(hides_, 0);
    // The next slide-out starts from the shown place and goes all the way.
    Tick(CTaskbarNotifier::kWaitTimer);
    const int steps = TickUntilNot(CTaskbarNotifier::kHideTimer, CTaskbarNotifier::kHiding);
    EXPECT_GE(steps, notifier_.Size().cy / 2);
    EXPECT_EQ(hides_, 1);
}

TEST_F(TaskbarNotifierTest, HideStopsEveryTimerAndShowNeedsASkin) {
    notifier_.display = [] { return NotifierDisplay{{0, 0, 1000, 660}, {1000, 700}}; };
    ASSERT_TRUE(notifier_.Show());
    for (int i = 0; i < 5; ++i) Tick(CTaskbarNotifier::kShowTimer);
    notifier_.Hide();
    EXPECT_EQ(hides_, 1);
    EXPECT_EQ(notifier_.CurrentState(), CTaskbarNotifier::kHidden);
    // No timer of the slide is left to move it or show it again.
    PumpMessagesUntilQuiet(300);
    EXPECT_EQ(notifier_.CurrentState(), CTaskbarNotifier::kHidden);
    EXPECT_FALSE(IsWindowVisible(notifier_.Handle()));
    EXPECT_EQ(hides_, 1);

    CTaskbarNotifier bare;
    ASSERT_TRUE(bare.Create(nullptr));
    EXPECT_FALSE(bare.SetSkin(4242));
    EXPECT_FALSE(bare.Show());
    EXPECT_FALSE(IsWindowVisible(bare.Handle()));
}

TEST_F(TaskbarNotifierTest, RunsOnItsOwnTimersFromShowToHidden) {
    notifier_.display = [] { return NotifierDisplay{{0, 0, 1000, 660}, {1000, 700}}; };
    ASSERT_TRUE(notifier_.Show());
    PumpMessagesUntil([this] { return hides_ != 0; }, 8000);
    EXPECT_EQ(hides_, 1);
    EXPECT_EQ(notifier_.CurrentState(), CTaskbarNotifier::kHidden);
}

}  // namespace
