#include "engine/segmented_downloader.h"

#include "engine/download_pacing.h"

#include <algorithm>

// How a connection's range changes while it runs: shrunk to what is missing for a
// retry, or shortened at its end for a connection that has finished its own.

namespace {

constexpr std::int64_t kLeastHalfTakenOver = 1048576;
// A range is taken over in part only from a connection that would need longer than
// this for it, judged from its rate once it has fetched for a moment.
constexpr double kWorthTakingOverMs = 1000;
constexpr ULONGLONG kRateSampleMs = 250;

}  // namespace

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

bool CSegmentedDownloader::TakeOverRangePart(CThread& connection) {
    if (IsConnectionStopped()) return false;
    std::lock_guard progress(progressLock_);
    CThread* donor = nullptr;
    std::int64_t spare = 0;
    const ULONGLONG now = GetTickCount64();
    for (auto& other : connections_) {
        if (other.get() == &connection || !other->fetching) continue;
        // A block past what the donor has written may be in its buffer or its read
        // already; that stays with it.
        const std::int64_t end = static_cast<std::int64_t>(other->start) + other->length;
        const std::int64_t firstSpare = static_cast<std::int64_t>(other->start) + other->received + other->blockSize;
        // A donor that has asked for its range already keeps what it fetches soon
        // itself: the end it loses is read and thrown away when its request closes,
        // which on a fast line costs more than a new request gains.
        if (other->askedAt != 0) {
            const ULONGLONG asking = now - other->askedAt;
            if (asking < kRateSampleMs) continue;
            const double msLeft = static_cast<double>(end - firstSpare) * static_cast<double>(asking) /
                                  static_cast<double>(std::max<std::int32_t>(other->received, 1));
            if (msLeft < kWorthTakingOverMs) continue;
        }
        if (end - firstSpare > spare) {
            spare = end - firstSpare;
            donor = other.get();
        }
    }
    // Less than this is fetched sooner by the donor than by a new request.
    if (donor == nullptr || spare < 2 * kLeastHalfTakenOver) return false;
    const std::int32_t taken = static_cast<std::int32_t>(spare / 2);
    const std::int32_t end = donor->start + donor->length;
    donor->length -= taken;
    connection.start = end - taken;
    connection.length = taken;
    connection.received = 0;
    return true;
}

