#pragma once

#include <windows.h>

#include <string>

#include "shell/app/main_window_ids.h"

// What the first command-line argument asks of this start. The argument is
// compared after NormaliseSwitch, so "-Scan", "/scan" and "SCAN" are one switch.
struct StartupSwitches {
    bool showUi = false;  // the window may come up on its own (with the splash)
    bool scanRequested = false;
    bool updateCheckRequested = false;
    // Start actions a partner product asks for; they need administrator rights.
    bool startActionScan = false;
    bool startActionDefrag = false;
    bool startActionOneClick = false;
    bool startActionFullBackup = false;
    bool startActionFullBackupRestore = false;
    bool startActionPartialBackupRestore = false;
    bool startActionSchedule = false;
    bool defaultRequested = false;
    bool lastScanOverdue = false;  // "checklastscan" found the last scan 31 days old or more
    bool firstInstall = false;     // the application state acts on it
    // "checklastscan" with a recent scan: there is nothing to remind of, the
    // program ends without a window.
    bool endAtOnce = false;
    // The reminder start waits this long before it comes up.
    DWORD delayMilliseconds = 0;
};

inline constexpr DWORD kReminderStartDelayMs = 124361;
// Scans at most this many days old count as recent for "checklastscan".
inline constexpr int kOverdueScanDays = 31;

// Every "\", "/" and "-" removed, lower case, blanks trimmed on both sides.
std::wstring NormaliseSwitch(const std::wstring& argument);

// The switches of a start from its normalised first argument. `daysSinceLastScan`
// is -1 when no scan time is stored.
StartupSwitches ReadStartupSwitches(const std::wstring& normalisedArgument, bool hasAdminRights,
                                    int daysSinceLastScan);

// How a second start is handed to the instance that runs already.
struct HandOverRequest {
    bool post = false;      // post `message` with `wParam` to the running main window
    UINT message = 0;
    WPARAM wParam = 0;
    bool activate = false;  // show the running window and bring it to the front first
};

HandOverRequest DecideHandOver(const std::wstring& normalisedArgument, int daysSinceLastScan);
