#include "foundation/clock.h"

#include <atomic>

namespace {

class SystemClock final : public Clock {
public:
    DWORD TickCount() const override { return GetTickCount(); }
    ULONGLONG TickCount64() const override { return GetTickCount64(); }
    void Sleep(DWORD milliseconds) const override { ::Sleep(milliseconds); }
    SYSTEMTIME LocalTime() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return now;
    }
};

const SystemClock kSystemClock;
std::atomic<const Clock*> installedClock{nullptr};

}  // namespace

const Clock& AppClock() {
    const Clock* clock = installedClock.load();
    return clock != nullptr ? *clock : kSystemClock;
}

void SetAppClock(const Clock* clock) { installedClock.store(clock); }
