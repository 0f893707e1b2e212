#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/ui/window.h"

// The main window's stand-in for a page under test: a framed window of the main
// window's size that a page is made in. The timers a page sets on it are its
// requests to the main window; each fires once and is recorded in `timers`,
// unless `onTimer` is set and answers true (it handled the timer itself).
class HostFrame : public ui::CustomWindow {
public:
    // Registers the common controls the pages use and makes the frame, not shown.
    bool Open(const wchar_t* title);
    // The frame's client area, which a page made in it fills.
    RECT Client() const;

    std::vector<UINT> timers;
    std::function<bool(UINT id)> onTimer;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
