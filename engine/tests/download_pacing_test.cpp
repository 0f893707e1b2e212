#include "engine/download_pacing.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/scoped_handle.h"
#include "tests/support/manual_clock.h"

namespace {

// A download's pauses are pauses on the program's clock unless a test hands in its
// own sleep; either way they take no real time here.
TEST(DownloadPacing, PausesPassOnTheProgramsClockOrTheGivenSleep) {
    ManualClock clock;
    const ULONGLONG before = clock.TickCount64();
    const ULONGLONG started = GetTickCount64();
    PaceDownload(60000);
    EXPECT_EQ(clock.TickCount64() - before, 60000u);

    std::vector<DWORD> slept;
    DownloadPacing pacing;
    pacing.sleep = [&slept](DWORD milliseconds) { slept.push_back(milliseconds); };
    SetDownloadPacing(pacing);
    PaceDownload(750);
    SetDownloadPacing(DownloadPacing());
    EXPECT_EQ(slept, std::vector<DWORD>{750});
    EXPECT_EQ(clock.TickCount64() - before, 60000u);
    EXPECT_LT(GetTickCount64() - started, 30000u);
}

// The pause after the last connection's start is over once the transfer has ended.
TEST(DownloadPacing, APauseUntilAnEventEndsWithItOrRunsItsCourse) {
    ManualClock clock;
    UniqueHandle ended(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(ended);
    ULONGLONG before = clock.TickCount64();
    PaceDownloadUntil(750, ended.Get());
    EXPECT_EQ(clock.TickCount64() - before, 750u);

    SetEvent(ended.Get());
    before = clock.TickCount64();
    PaceDownloadUntil(750, ended.Get());
    EXPECT_EQ(clock.TickCount64() - before, 0u);
}

}  // namespace
