#include "platform/worker_thread.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(WorkerThreadTest, BodyRunsOnItsOwnThreadInASingleThreadedApartment) {
    HRESULT secondInit = S_OK;
    DWORD bodyThread = 0;
    {
        WorkerThread worker;
        ASSERT_TRUE(worker.Start([&] {
            bodyThread = GetCurrentThreadId();
            // A second initialisation in another model fails only when the thread
            // already is in an apartment.
            secondInit = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (SUCCEEDED(secondInit)) CoUninitialize();
        }));
    }  // the owner waits for the body
    EXPECT_NE(bodyThread, 0u);
    EXPECT_NE(bodyThread, GetCurrentThreadId());
    EXPECT_EQ(secondInit, RPC_E_CHANGED_MODE);
}

TEST(WorkerThreadTest, OneBodyAtATimeAndARestartAfterItEnds) {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> runs{0};
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([&] {
        WaitForSingleObject(release, INFINITE);
        ++runs;
    }));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start([&] { ++runs; }));
    EXPECT_FALSE(worker.Wait(20));

    SetEvent(release);
    EXPECT_TRUE(worker.Wait(5000));
    EXPECT_FALSE(worker.IsRunning());
    ASSERT_TRUE(worker.Start([&] { ++runs; }));
    EXPECT_TRUE(worker.Wait(5000));
    EXPECT_EQ(runs.load(), 2);
    CloseHandle(release);
}

TEST(WorkerThreadTest, ABodyThatWaitsForItselfDoesNotHang) {
    WorkerThread worker;
    bool waited = true;
    ASSERT_TRUE(worker.Start([&] { waited = worker.Wait(INFINITE); }));
    ASSERT_TRUE(worker.Wait(5000));
    EXPECT_FALSE(waited);
}

}  // namespace
