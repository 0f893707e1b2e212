#include "platform/ui/message_pump.h"

#include "platform/ui/app.h"
#include "platform/ui/window.h"

namespace ui {
namespace {

bool IsDialogWindow(HWND hwnd) {
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, static_cast<int>(std::size(className)));
    return lstrcmpW(className, L"#32770") == 0;
}

// The wrappers from the target up to its top-level window, nearest first.
bool WalkPreTranslate(MSG& message) {
    for (HWND hwnd = message.hwnd; hwnd != nullptr && hwnd != GetDesktopWindow();
         hwnd = GetAncestor(hwnd, GA_PARENT)) {
        if (Window* window = Window::FromHandle(hwnd)) {
            if (window->PreTranslateMessage(message)) return true;
        }
        if (!(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) break;
    }
    return false;
}

}  // namespace

void RouteMessage(MSG& message) {
    if (App* app = App::Current(); app != nullptr && app->PreTranslateMessage(message)) return;
    if (message.hwnd != nullptr) {
        if (WalkPreTranslate(message)) return;
        HWND root = GetAncestor(message.hwnd, GA_ROOT);
        if (root != nullptr && IsDialogWindow(root) && IsDialogMessageW(root, &message)) return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool RunMessageLoop(const std::function<bool()>& done, int* quitCode) {
    MSG message;
    while (!done()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) return false;  // only with a bad window argument, which we never pass
        if (got == 0) {
            const int code = static_cast<int>(message.wParam);
            if (quitCode != nullptr) *quitCode = code;
            PostQuitMessage(code);
            return false;
        }
        RouteMessage(message);
    }
    return true;
}

bool PumpPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        RouteMessage(message);
    }
    return true;
}

}  // namespace ui
