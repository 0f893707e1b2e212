#pragma once

#include <atomic>

// What keeps the main window from closing, quitting or switching pages: a scan,
// a download, a backup or a restore that runs, or a pop-up that is open.
struct AppBusyFlags {
    std::atomic<bool> scanRunning{false};
    std::atomic<bool> operationRunning{false};  // download, backup or restore
};
AppBusyFlags& AppBusy();

// A scan, a download, a backup or a restore runs.
bool IsWorkRunning();
// A modal pop-up of the program is open over the main window.
bool IsPopupOpen();
// Either of the two.
bool IsAppBusy();
