#pragma once

#include <windows.h>

// The Windows "Schedule" service, which must run before a task can be written.
struct ScheduleServiceHandle {
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    bool autoStart = false;  // the service's registry start type is 2 (automatic)
};

// Fills the handle; either handle may stay null when it could not be opened.
void OpenScheduleService(ScheduleServiceHandle& handle);
// Closes the service first, then the manager.
void CloseScheduleService(ScheduleServiceHandle& handle);

bool IsScheduleServiceRunning();
// Continues a paused service or starts a stopped one (switching it to automatic
// start when it was not) and waits while it is starting; true when it runs.
bool StartScheduleService();
