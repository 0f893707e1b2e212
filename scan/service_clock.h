#pragma once

#include <windows.h>

// Time as the web-service client sees it: a monotonic tick count, pauses and the
// message pumping between tries. The system clock serves the program; tests put in
// one that jumps, so retry schedules of minutes run in moments.
class ServiceClock {
public:
    virtual ~ServiceClock() = default;
    virtual ULONGLONG TickCountMs() = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    // Handles the calling thread's pending window messages.
    virtual void PumpMessages() = 0;
    virtual SYSTEMTIME LocalTime() = 0;
};

class SystemServiceClock : public ServiceClock {
public:
    ULONGLONG TickCountMs() override { return GetTickCount64(); }
    void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
    void PumpMessages() override {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    SYSTEMTIME LocalTime() override {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return now;
    }
};
