#include <gtest/gtest.h>

#include <vector>

#include "shell/scheduled_tasks/schedule_service.h"

namespace {

struct Report {
    DWORD state;
    DWORD checkPoint;
    DWORD waitHint;
};

// A service that answers each query with the next report of its script (the last one
// for ever after) and a clock that moves only when the wait pauses.
class ScriptedService : public ServiceStartWait {
public:
    explicit ScriptedService(std::vector<Report> script, bool queryFails = false)
        : script_(std::move(script)), queryFails_(queryFails) {}

    bool Query(SERVICE_STATUS& status) override {
        if (queryFails_) return false;
        const Report& report = script_[std::min(next_++, script_.size() - 1)];
        status.dwCurrentState = report.state;
        status.dwCheckPoint = report.checkPoint;
        status.dwWaitHint = report.waitHint;
        return true;
    }
    DWORD Ticks() override { return now_; }
    void Pause(DWORD ms) override {
        pauses_.push_back(ms);
        now_ += ms;
    }

    SERVICE_STATUS First() {
        SERVICE_STATUS status{};
        Query(status);
        return status;
    }
    DWORD Elapsed() const { return now_ - kStart; }
    const std::vector<DWORD>& Pauses() const { return pauses_; }

private:
    static constexpr DWORD kStart = 0xFFFFF000;  // the tick count wraps during the wait
    std::vector<Report> script_;
    bool queryFails_;
    size_t next_ = 0;
    DWORD now_ = kStart;
    std::vector<DWORD> pauses_;
};

TEST(ServiceStartWait, EndsRunningStoppedOrAfterTheLimit) {
    constexpr DWORD kPending = SERVICE_START_PENDING;
    struct Case {
        const char* what;
        std::vector<Report> script;
        bool running;
        DWORD minElapsed;
        DWORD maxElapsed;
    } cases[] = {
        {"already running", {{SERVICE_RUNNING, 0, 0}}, true, 0, 0},
        {"starts after two polls", {{kPending, 1, 3000}, {kPending, 2, 3000}, {SERVICE_RUNNING, 0, 0}}, true, 1000, 1000},
        {"stops while starting", {{kPending, 1, 3000}, {SERVICE_STOPPED, 0, 0}}, false, 500, 500},
        // The check point stands still for longer than the hint of 2 s.
        {"stuck with a hint", {{kPending, 4, 2000}}, false, 2000, 3000},
        // Wine's service at session start: no hint, no progress. It would be waited
        // for without end.
        {"stuck without a hint", {{kPending, 0, 0}}, false, kServiceStartLimitMs, kServiceStartLimitMs},
        // Progress that never ends is cut off too.
        {"progress without end",
         [] {
             std::vector<Report> script;
             for (DWORD point = 1; point < 400; ++point) script.push_back({kPending, point, 60000});
             return script;
         }(),
         false, kServiceStartLimitMs, kServiceStartLimitMs},
    };
    for (const auto& c : cases) {
        ScriptedService service(c.script);
        SERVICE_STATUS status = service.First();
        EXPECT_EQ(WaitWhileServiceStarts(service, status), c.running) << c.what;
        EXPECT_GE(service.Elapsed(), c.minElapsed) << c.what;
        EXPECT_LE(service.Elapsed(), c.maxElapsed) << c.what;
        for (DWORD pause : service.Pauses()) {
            EXPECT_GE(pause, 1u) << c.what;
            EXPECT_LE(pause, 5000u) << c.what;
        }
    }
}

TEST(ServiceStartWait, PausesFollowTheWaitHintWithinBounds) {
    struct Case {
        DWORD waitHint;
        DWORD pause;
    } cases[] = {{0, 500}, {4000, 500}, {20000, 2000}, {120000, 5000}};
    for (const auto& c : cases) {
        ScriptedService service({{SERVICE_START_PENDING, 1, c.waitHint}, {SERVICE_RUNNING, 0, 0}});
        SERVICE_STATUS status = service.First();
        ASSERT_TRUE(WaitWhileServiceStarts(service, status)) << c.waitHint;
        EXPECT_EQ(service.Pauses(), std::vector<DWORD>{c.pause}) << c.waitHint;
    }
}

TEST(ServiceStartWait, AFailedQueryEndsTheWait) {
    ScriptedService service({{SERVICE_START_PENDING, 1, 0}}, true);
    SERVICE_STATUS status{};
    status.dwCurrentState = SERVICE_START_PENDING;
    EXPECT_FALSE(WaitWhileServiceStarts(service, status));
    EXPECT_EQ(service.Pauses().size(), 1u);
}

int timerCalls = 0;
void CALLBACK CountTimerCall(HWND, UINT, UINT_PTR, DWORD) { ++timerCalls; }

// A window of the waiting thread is answered while the wait lasts.
TEST(ServiceStartWait, AWaitOnAWindowThreadHandlesItsMessages) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    timerCalls = 0;
    SetTimer(window, 1, 20, CountTimerCall);
    const DWORD begun = GetTickCount();
    PauseAnswering(300);
    const DWORD passed = GetTickCount() - begun;
    KillTimer(window, 1);
    DestroyWindow(window);
    EXPECT_GE(passed, 290u);
    EXPECT_GT(timerCalls, 2);
}

}  // namespace
