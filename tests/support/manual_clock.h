#pragma once

#include <windows.h>

#include <mutex>

#include "foundation/clock.h"

// A clock the test moves by hand. Installed as the program's clock for its lifetime.
// A pause on it returns at once and moves the ticks on by its length.
class ManualClock final : public Clock {
public:
    explicit ManualClock(DWORD tick = 100000, SYSTEMTIME localTime = DefaultTime());
    ~ManualClock() override;
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    DWORD TickCount() const override;
    ULONGLONG TickCount64() const override;
    SYSTEMTIME LocalTime() const override;
    void Sleep(DWORD milliseconds) const override;

    void SetTick(DWORD tick);
    void AdvanceTick(DWORD milliseconds);
    void SetLocalTime(const SYSTEMTIME& time);

    // 7 March 2026, 14:05:09, a Saturday.
    static SYSTEMTIME DefaultTime();
    static SYSTEMTIME Make(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);

private:
    mutable std::mutex lock_;
    mutable ULONGLONG tick_;
    SYSTEMTIME localTime_;
};
