#include "engine/segmented_downloader.h"

#include "engine/download_pacing.h"

// A connection's retries: each one asks only for what its range still misses.

std::uint8_t CSegmentedDownloader::RetryRange(CThread& connection, std::uint8_t result) {
    PaceDownload(1000);
    for (int attempt = 0; attempt < 6; ++attempt) {
        if (HasConnectedState() && !IsOnline()) break;
        if (NoProgressLimitPassed()) break;
        if (result == kConnectionFailed || result == kConnectionStopped || result == kNetworkError) {
            std::lock_guard progress(progressLock_);
            connection.start += connection.received;
            connection.length -= connection.received;
            connection.received = 0;
        }
        if (result == kRangeComplete || result == kConnectionStopped) break;
        result = IsConnectionStopped() ? static_cast<std::uint8_t>(kConnectionStopped) : DownloadRangeThread(connection);
        PaceDownload(100);
        if (result == kRangeComplete || result == kConnectionStopped) break;
    }
    return result;
}
