// Switches the start-up reminder on or off in a process of its own, so that a test
// can give it another Windows version; exits with the Windows major version it saw.
#include <windows.h>

#include <cwchar>

#include "foundation/system_helpers.h"
#include "shell/scheduled_tasks/startup_reminder.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 100;
    SetStartupReminder(wcscmp(argv[1], L"on") == 0);
    return static_cast<int>(GetWindowsMajorVersion());
}
