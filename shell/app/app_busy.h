#pragma once

#include <atomic>

// What keeps the main window from closing, quitting or switching pages: a scan,
// a download, a backup or a restore that runs, or a pop-up that is open.
struct AppBusyFlags {
    std::atomic<bool> scanRunning{false};
    std::atomic<bool> operationRunning{false};  // download, backup or restore
};
AppBusyFlags& AppBusy();

// Any of the above, or a modal pop-up over the main window.
bool IsAppBusy();
