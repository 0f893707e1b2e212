#include "shell/scheduled_tasks/schedule_service.h"

#include <algorithm>

#include "platform/registry.h"

namespace {

constexpr wchar_t kServiceKeyPath[] = L"SYSTEM\\CurrentControlSet\\Services\\Schedule";
constexpr DWORD kManagerAccess = 0xF003F;
constexpr DWORD kServiceAccessAutoStart = 0x15;  // query configuration and status, start
constexpr DWORD kServiceAccessManual = 0x17;     // and change configuration

class ScopedScheduleService {
public:
    ScopedScheduleService() { OpenScheduleService(handle_); }
    ~ScopedScheduleService() { CloseScheduleService(handle_); }
    ScopedScheduleService(const ScopedScheduleService&) = delete;
    ScopedScheduleService& operator=(const ScopedScheduleService&) = delete;
    const ScheduleServiceHandle& Get() const { return handle_; }
    bool Opened() const { return handle_.manager != nullptr && handle_.service != nullptr; }

private:
    ScheduleServiceHandle handle_;
};

class ScopedWaitCursor {
public:
    ScopedWaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~ScopedWaitCursor() { SetCursor(previous_); }
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;

private:
    HCURSOR previous_;
};

bool QueryState(SC_HANDLE service, SERVICE_STATUS& status) { return QueryServiceStatus(service, &status) != FALSE; }

class LiveServiceStartWait : public ServiceStartWait {
public:
    explicit LiveServiceStartWait(SC_HANDLE service) : service_(service) {}
    bool Query(SERVICE_STATUS& status) override { return QueryState(service_, status); }
    DWORD Ticks() override { return GetTickCount(); }
    void Pause(DWORD ms) override { PauseAnswering(ms); }

private:
    SC_HANDLE service_;
};

bool WaitWhileStarting(SC_HANDLE service, SERVICE_STATUS& status) {
    LiveServiceStartWait wait(service);
    return WaitWhileServiceStarts(wait, status);
}

}  // namespace

void OpenScheduleService(ScheduleServiceHandle& handle) {
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadOnlyMask);
    DWORD startType = 0;
    handle.autoStart = key.Open(kServiceKeyPath, HKEY_LOCAL_MACHINE, false) &&
                       key.ReadDwordChecked(L"Start", startType) && startType == SERVICE_AUTO_START;
    handle.manager = OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, kManagerAccess);
    if (handle.manager == nullptr) return;
    handle.service = OpenServiceW(handle.manager, L"Schedule",
                                  handle.autoStart ? kServiceAccessAutoStart : kServiceAccessManual);
}

void CloseScheduleService(ScheduleServiceHandle& handle) {
    if (handle.service != nullptr) CloseServiceHandle(handle.service);
    if (handle.manager != nullptr) CloseServiceHandle(handle.manager);
    handle.service = nullptr;
    handle.manager = nullptr;
}

bool IsScheduleServiceRunning() {
    ScopedScheduleService schedule;
    if (!schedule.Opened()) return false;
    SERVICE_STATUS status{};
    return QueryState(schedule.Get().service, status) && status.dwCurrentState == SERVICE_RUNNING;
}

bool WaitWhileServiceStarts(ServiceStartWait& wait, SERVICE_STATUS& status) {
    const DWORD begun = wait.Ticks();
    DWORD clockStart = begun;
    DWORD lastCheckPoint = status.dwCheckPoint;
    while (status.dwCurrentState == SERVICE_START_PENDING) {
        const DWORD waited = wait.Ticks() - begun;
        if (waited >= kServiceStartLimitMs) return false;
        const DWORD pause = std::clamp<DWORD>(status.dwWaitHint / 10, 500, 5000);
        wait.Pause(std::min(pause, kServiceStartLimitMs - waited));
        if (!wait.Query(status)) return false;
        if (status.dwCheckPoint > lastCheckPoint) {
            lastCheckPoint = status.dwCheckPoint;
            clockStart = wait.Ticks();
        } else if (status.dwWaitHint != 0 && wait.Ticks() - clockStart > status.dwWaitHint) {
            return false;
        }
    }
    return status.dwCurrentState == SERVICE_RUNNING;
}

void PauseAnswering(DWORD ms) {
    if (!IsGUIThread(FALSE)) {
        Sleep(ms);
        return;
    }
    const DWORD begun = GetTickCount();
    for (;;) {
        const DWORD passed = GetTickCount() - begun;
        if (passed >= ms) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, ms - passed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The quit belongs to the thread's own message loop.
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool StartScheduleService() {
    ScopedScheduleService schedule;
    const SC_HANDLE service = schedule.Get().service;
    SERVICE_STATUS status{};
    if (service == nullptr || !QueryState(service, status)) return false;

    switch (status.dwCurrentState) {
    case SERVICE_RUNNING:
        return true;
    case SERVICE_PAUSED:
        if (!ControlService(service, SERVICE_CONTROL_CONTINUE, &status)) return false;
        PauseAnswering(500);
        return true;
    case SERVICE_START_PENDING: {
        ScopedWaitCursor waitCursor;
        return WaitWhileStarting(service, status);
    }
    case SERVICE_STOPPED: {
        ScopedWaitCursor waitCursor;
        StartServiceW(service, 0, nullptr);
        if (!QueryState(service, status)) return false;
        if (!schedule.Get().autoStart) {
            ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr);
        }
        return WaitWhileStarting(service, status);
    }
    default:
        return false;
    }
}
