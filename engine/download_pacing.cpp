#include "engine/download_pacing.h"

#include <algorithm>
#include <mutex>

#include "foundation/clock.h"

namespace {

std::mutex g_mutex;
DownloadPacing g_pacing;

}  // namespace

void SetDownloadPacing(DownloadPacing pacing) {
    std::lock_guard lock(g_mutex);
    g_pacing = std::move(pacing);
}

DownloadPacing GetDownloadPacing() {
    std::lock_guard lock(g_mutex);
    return g_pacing;
}

void PaceDownload(DWORD milliseconds) {
    std::function<void(DWORD)> sleep;
    {
        std::lock_guard lock(g_mutex);
        sleep = g_pacing.sleep;
    }
    if (sleep) sleep(milliseconds);
    else AppClock().Sleep(milliseconds);
}

void PaceDownloadUntil(DWORD milliseconds, HANDLE event) {
    bool given = false;
    {
        std::lock_guard lock(g_mutex);
        given = static_cast<bool>(g_pacing.sleep);
    }
    if (given) {
        PaceDownload(milliseconds);
        return;
    }
    constexpr DWORD kStepMs = 20;
    for (DWORD slept = 0; slept < milliseconds && WaitForSingleObject(event, 0) != WAIT_OBJECT_0; slept += kStepMs) {
        AppClock().Sleep(std::min(kStepMs, milliseconds - slept));
    }
}

DWORD DownloadRequestTimeout() {
    std::lock_guard lock(g_mutex);
    return g_pacing.requestTimeoutMilliseconds;
}

DWORD DownloadNoProgressLimit() {
    std::lock_guard lock(g_mutex);
    return g_pacing.noProgressLimitMilliseconds;
}
