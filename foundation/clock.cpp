#include "foundation/clock.h"

#include <atomic>

namespace {

class SystemClock final : public Clock {
public:
    DWORD TickCount() const override { return GetTickCount(); }
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
