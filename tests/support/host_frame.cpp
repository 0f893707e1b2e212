#include "tests/support/host_frame.h"

#include <commctrl.h>

bool HostFrame::Open(const wchar_t* title) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ui::WindowArgs args;
    args.title = title;
    args.style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    args.x = 10;
    args.y = 10;
    args.width = 740;
    args.height = 480;
    args.background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    return Create(args);
}

RECT HostFrame::Client() const {
    RECT client{};
    GetClientRect(Handle(), &client);
    return client;
}

LRESULT HostFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        KillTimer(static_cast<UINT_PTR>(wParam));
        const UINT id = static_cast<UINT>(wParam);
        if (!onTimer || !onTimer(id)) timers.push_back(id);
        return 0;
    }
    return ui::CustomWindow::WindowProc(message, wParam, lParam);
}
