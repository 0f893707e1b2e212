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
// start when it was not) and waits while it is starting, also when it was found
// starting; true when it runs.
bool StartScheduleService();

// What waiting for a starting service takes from outside, so that its rules can be
// stepped through without a service and without the time passing.
class ServiceStartWait {
public:
    virtual ~ServiceStartWait() = default;
    virtual bool Query(SERVICE_STATUS& status) = 0;
    virtual DWORD Ticks() = 0;
    virtual void Pause(DWORD ms) = 0;
};

// However the service reports its progress, the wait ends after this long.
inline constexpr DWORD kServiceStartLimitMs = 30000;

// Waits while `status` says the service is starting; true when it ends up running.
// Gives up when the check point stops moving for longer than the service's wait hint,
// and in any case after kServiceStartLimitMs: a service may report a wait hint of 0
// and never move on.
bool WaitWhileServiceStarts(ServiceStartWait& wait, SERVICE_STATUS& status);

// Lets the time pass; on a thread with windows their messages are handled meanwhile,
// so that the windows keep painting and answering.
void PauseAnswering(DWORD ms);
