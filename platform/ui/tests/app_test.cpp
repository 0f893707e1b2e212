#include "platform/ui/app.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ScriptedApp : public ui::App {
public:
    bool initResult_ = true;
    std::string steps_;

protected:
    bool InitInstance() override {
        steps_ += "init ";
        if (initResult_) PostQuitMessage(5);
        return initResult_;
    }
    int ExitInstance() override {
        steps_ += "exit";
        return QuitCode() + 100;
    }
};

TEST(AppTest, ExitInstanceRunsWhetherOrNotInitInstanceSucceeded) {
    struct Case {
        bool init;
        int exitCode;
    };
    for (const Case c : {Case{true, 105}, Case{false, 100}}) {
        ScriptedApp app;
        app.initResult_ = c.init;
        EXPECT_EQ(ui::App::Current(), &app);
        EXPECT_EQ(app.Run(), c.exitCode);
        EXPECT_EQ(app.steps_, "init exit");
        // The loop's quit message is not left behind for anything after it.
        MSG message;
        EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
    EXPECT_EQ(ui::App::Current(), nullptr);
}

}  // namespace
