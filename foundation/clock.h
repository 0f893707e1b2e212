#pragma once

#include <windows.h>

// The program's one clock: ticks, the local time and pauses. The system clock
// serves the program; a test installs one it moves by hand, so caches, time
// stamps, retry schedules and pacing pauses can be checked without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DWORD TickCount() const = 0;
    // Milliseconds that do not wrap after 49 days.
    virtual ULONGLONG TickCount64() const = 0;
    virtual SYSTEMTIME LocalTime() const = 0;
    // Lets `milliseconds` pass on this clock.
    virtual void Sleep(DWORD milliseconds) const = 0;
};

const Clock& AppClock();

// nullptr restores the system clock. The clock must outlive its installation.
void SetAppClock(const Clock* clock);
