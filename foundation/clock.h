#pragma once

#include <windows.h>

// Where the foundation takes ticks and the local time from. The system clock serves
// the program; tests install one they can set, so caches and time stamps can be
// checked without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DWORD TickCount() const = 0;
    virtual SYSTEMTIME LocalTime() const = 0;
};

const Clock& AppClock();

// nullptr restores the system clock. The clock must outlive its installation.
void SetAppClock(const Clock* clock);
