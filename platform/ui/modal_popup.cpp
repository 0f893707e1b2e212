#include "platform/ui/modal_popup.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

volatile LONG g_openPopups = 0;

struct ActiveRun {
    HWND mainWindow;
    bool released;  // CloseModalPopup has lowered the count for this run
};

// Pop-ups nest (a pop-up may open another), so the runs form a stack on the UI
// thread; a lock keeps a stray call from another thread from tearing it.
std::mutex& RunsLock() {
    static std::mutex lock;
    return lock;
}

std::vector<ActiveRun>& Runs() {
    static std::vector<ActiveRun> runs;
    return runs;
}

BackdropRunner& Runner() {
    static BackdropRunner runner;
    return runner;
}

bool LiesPartlyOffDesktop(const RECT& window) {
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return window.left < desktop.left || window.top < desktop.top || window.right > desktop.right ||
           window.bottom > desktop.bottom;
}

void CentreOnWorkArea(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int left = work.left + ((work.right - work.left) - width) / 2;
    const int top = work.top + ((work.bottom - work.top) - height) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void SetBackdropRunner(BackdropRunner runner) { Runner() = std::move(runner); }

INT_PTR BringToFront(HWND mainWindow, void* dialog, UINT templateId) {
    InterlockedIncrement(&g_openPopups);
    {
        std::lock_guard guard(RunsLock());
        Runs().push_back({mainWindow, false});
    }

    RECT rect{};
    if (mainWindow != nullptr) {
        GetWindowRect(mainWindow, &rect);
        if (LiesPartlyOffDesktop(rect)) {
            ShowWindow(mainWindow, SW_RESTORE);
            SetForegroundWindow(mainWindow);
            CentreOnWorkArea(mainWindow);
            GetWindowRect(mainWindow, &rect);
        }
    }

    INT_PTR result = -1;
    const BackdropRunner runner = Runner();
    if (runner) result = runner(BackdropRequest{mainWindow, dialog, templateId, rect});

    bool released;
    bool outermost;
    {
        std::lock_guard guard(RunsLock());
        released = Runs().back().released;
        Runs().pop_back();
        outermost = Runs().empty();
    }
    // A pop-up closed by Alt+F4 or one that never came up did not lower the count.
    if (!released) InterlockedDecrement(&g_openPopups);
    if (mainWindow != nullptr) {
        if (outermost) EnableWindow(mainWindow, TRUE);
        SetForegroundWindow(mainWindow);
        SetWindowPos(mainWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    return result;
}

void CloseModalPopup(HWND dialog) {
    HWND mainWindow = nullptr;
    bool lower = false;
    {
        std::lock_guard guard(RunsLock());
        for (auto run = Runs().rbegin(); run != Runs().rend(); ++run) {
            if (!run->released) {
                run->released = true;
                mainWindow = run->mainWindow;
                lower = true;
                break;
            }
        }
    }
    if (mainWindow != nullptr) EnableWindow(mainWindow, TRUE);
    if (lower) InterlockedDecrement(&g_openPopups);
    if (dialog != nullptr) {
        if (HWND backdrop = GetParent(dialog)) EndDialog(backdrop, IDOK);
    }
}

LONG GetOpenPopupCount() { return InterlockedCompareExchange(&g_openPopups, 0, 0); }
