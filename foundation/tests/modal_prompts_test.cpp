#include "foundation/modal_prompts.h"

#include <gtest/gtest.h>

namespace {

TEST(ShowPopupOfKindTest, ShowsOnlyTheSignupForKindTen) {
    int signups = 0;
    RegisterModalPrompt(ModalPrompt::DriverAlertSignup, [&signups] {
        ++signups;
        return 6;
    });
    struct Case {
        int kind;
        int result;
        int signupsAfter;
    } cases[] = {{10, 6, 1}, {2, 0, 1}, {3, 0, 1}, {5, 0, 1}, {1, -1, 1}, {6, -1, 1}, {0, -1, 1}, {-3, -1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(ShowPopupOfKind(c.kind), c.result) << c.kind;
        EXPECT_EQ(signups, c.signupsAfter) << c.kind;
    }
    RegisterModalPrompt(ModalPrompt::DriverAlertSignup, nullptr);
    EXPECT_EQ(ShowPopupOfKind(10), 0) << "no screen registered: nothing shown";
}

TEST(ModalPromptsTest, RaiseTheBusyFlagsOnlyWhileShown) {
    struct Seen {
        bool popup = false;
        bool prompt = false;
    };
    Seen restart, feedback, signup;
    RegisterModalPrompt(ModalPrompt::Restart, [&restart] {
        restart = {IsPopupBusy(), IsPromptBusy()};
        return 8;
    });
    RegisterModalPrompt(ModalPrompt::DriverFeedback, [&feedback] {
        feedback = {IsPopupBusy(), IsPromptBusy()};
        return 5;
    });
    RegisterModalPrompt(ModalPrompt::DriverAlertSignup, [&signup] {
        signup = {IsPopupBusy(), IsPromptBusy()};
        return 0;
    });

    EXPECT_EQ(ShowRestartPrompt(), 8);
    EXPECT_EQ(ShowDriverFeedbackDialog(), 0) << "the form's own result is not passed on";
    EXPECT_EQ(ShowDriverAlertSignupDialog(), 0);

    EXPECT_TRUE(restart.popup && restart.prompt);
    EXPECT_TRUE(feedback.popup && feedback.prompt);
    EXPECT_TRUE(signup.popup);
    EXPECT_FALSE(signup.prompt);
    EXPECT_FALSE(IsPopupBusy());
    EXPECT_FALSE(IsPromptBusy());

    RegisterModalPrompt(ModalPrompt::Restart, nullptr);
    RegisterModalPrompt(ModalPrompt::DriverFeedback, nullptr);
    RegisterModalPrompt(ModalPrompt::DriverAlertSignup, nullptr);
}

}  // namespace
