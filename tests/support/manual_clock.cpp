#include "tests/support/manual_clock.h"

ManualClock::ManualClock(DWORD tick, SYSTEMTIME localTime) : tick_(tick), localTime_(localTime) {
    SetAppClock(this);
}

ManualClock::~ManualClock() { SetAppClock(nullptr); }

DWORD ManualClock::TickCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<DWORD>(tick_);
}

ULONGLONG ManualClock::TickCount64() const {
    std::lock_guard<std::mutex> guard(lock_);
    return tick_;
}

void ManualClock::Sleep(DWORD milliseconds) const {
    std::lock_guard<std::mutex> guard(lock_);
    tick_ += milliseconds;
}

SYSTEMTIME ManualClock::LocalTime() const {
    std::lock_guard<std::mutex> guard(lock_);
    return localTime_;
}

void ManualClock::SetTick(DWORD tick) {
    std::lock_guard<std::mutex> guard(lock_);
    tick_ = tick;
}

void ManualClock::AdvanceTick(DWORD milliseconds) {
    std::lock_guard<std::mutex> guard(lock_);
    tick_ += milliseconds;
}

void ManualClock::SetLocalTime(const SYSTEMTIME& time) {
    std::lock_guard<std::mutex> guard(lock_);
    localTime_ = time;
}

SYSTEMTIME ManualClock::DefaultTime() { return Make(2026, 3, 7, 14, 5, 9); }

SYSTEMTIME ManualClock::Make(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    // Let the system work out the weekday so the record is a real calendar date.
    FILETIME asFileTime{};
    if (SystemTimeToFileTime(&time, &asFileTime)) FileTimeToSystemTime(&asFileTime, &time);
    return time;
}
