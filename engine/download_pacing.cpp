#include "engine/download_pacing.h"

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

DWORD DownloadRequestTimeout() {
    std::lock_guard lock(g_mutex);
    return g_pacing.requestTimeoutMilliseconds;
}

DWORD DownloadNoProgressLimit() {
    std::lock_guard lock(g_mutex);
    return g_pacing.noProgressLimitMilliseconds;
}
