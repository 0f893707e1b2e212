#include "platform/ui/app.h"

#include "platform/ui/message_pump.h"

namespace ui {
namespace {
App* g_currentApp = nullptr;
}

App::App() { g_currentApp = this; }

App::~App() {
    if (g_currentApp == this) g_currentApp = nullptr;
}

App* App::Current() { return g_currentApp; }

bool App::PreTranslateMessage(MSG&) { return false; }

int App::Run() {
    if (InitInstance()) {
        RunMessageLoop([] { return false; }, &quitCode_);
        // The loop posted the quit message again for enclosing loops; there are
        // none, and a message box of ExitInstance must not see it.
        MSG leftover;
        PeekMessageW(&leftover, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    return ExitInstance();
}

}  // namespace ui
