#pragma once

#include "engine/download_file_record.h"
#include "engine/owned_thread.h"
#include "engine/wininet_entry_points.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class CWorker;
class CSegmentedDownloader;
class LiveRequest;

// Connection results, also the kinds a transfer ends with.
enum ConnectionResult : std::uint8_t {
    kConnectionFailed = 0,
    kRangeComplete = 1,
    kConnectionStopped = 2,
    kNetworkError = 3,
};

// Process-wide download parameters; one download runs at a time.
void SetDownloadConnectionCount(int count);
int GetDownloadConnectionCount();
void SetDownloadBlockSize(int bytes);
int GetDownloadBlockSize();

// One connection: the byte range it still has to fetch and its thread.
class CThread {
public:
    CThread(CSegmentedDownloader& owner, std::uint8_t index, std::int32_t start, std::int32_t length,
            std::int32_t blockSize, std::wstring url);

    std::uint8_t index;
    std::int32_t start;
    std::int32_t length;
    std::wstring url;
    std::int32_t received = 0;
    std::int32_t blockSize;
    CSegmentedDownloader& owner;
    OwnedThread thread;
    bool finished = false;  // under the owner's finish lock
};

// Fetches one file over several ranged GETs at once into a pre-sized file, and
// records what is missing in "<file name>_chunks.txt" when a transfer stops early.
class CSegmentedDownloader {
    friend class LiveRequest;

public:
    explicit CSegmentedDownloader(CWorker& worker);
    ~CSegmentedDownloader();
    CSegmentedDownloader(const CSegmentedDownloader&) = delete;
    CSegmentedDownloader& operator=(const CSegmentedDownloader&) = delete;

    DownloadFileRecord& Record() { return *record_; }
    std::atomic<int> state{0};  // 3 once the user stopped the download
    std::atomic<std::uint8_t> digestFailures{0};

    int OpenInternetIfOnline();
    bool CollectDownloadInfo(const struct DownloadSettings& settings);
    // The length the server reports for a HEAD, or -1. Lengths that the transfer
    // cannot hold (0, 2^31 and more) come back as they are; callers check the range.
    std::int64_t QueryContentLength(const std::wstring& url);
    bool CreateTargetFile(const std::wstring& path, std::int32_t length);
    bool OpenTargetFile(const std::wstring& path);
    void PlanFreshRanges();
    void AddConnection(std::uint8_t index, std::int32_t start, std::int32_t length);
    bool StartConnections(bool resuming);
    // Waits until the connections of the running transfer have all ended; returns
    // the failed count and the result of the last one to end. After the user's stop
    // it waits only a moment: connections whose reads a silent server still holds
    // are left behind (see LeftConnectionsBehind) and the result is a stop.
    void WaitForTransferEnd(int& failed, int& lastResult);
    // True once a stop left connections behind: they end on their own, and only the
    // downloader's destruction waits for them.
    bool LeftConnectionsBehind() const { return leftBehind_; }
    void StopConnections();
    void ClearConnections();
    bool ReadChunkState();
    void DeleteChunkFile();
    std::wstring ChunkFileName() const;
    std::wstring ChunkFilePath() const;
    int VerifyDigest();
    std::wstring GetWorkingFolder() const;
    bool IsOnline() const;
    bool HasConnectedState() const;
    bool IsStopEventSignalled() const;
    // Also aborts every request in flight, so a connection that waits on a silent
    // server ends now rather than at its time-out.
    void SignalStop();
    void ResetStop();
    // Every byte written moves the progress mark; MarkProgress also starts it.
    void MarkProgress();
    bool NoProgressLimitPassed() const;
    std::int32_t BytesWritten() const { return bytesWritten_; }
    void CloseDataFile();

    // Connection side.
    void ConnectionThreadProc(CThread& connection);
    std::uint8_t DownloadRangeThread(CThread& connection);
    std::uint8_t RetryRange(CThread& connection, std::uint8_t result);
    bool WriteAtOffset(std::uint8_t index, std::int32_t offset, const char* bytes, DWORD count);
    bool IsConnectionStopped() const;

private:
    void OnConnectionStarted();
    std::uint8_t FetchRange(CThread& connection);
    std::int32_t RangeLength(CThread& connection);
    bool LeaveConnectionsBehind();
    void OnConnectionFinished(CThread& connection, std::uint8_t result, std::int32_t position,
                              std::int32_t remaining);
    bool AppendToChunkFile(const std::wstring& text, bool mustExist);
    bool WriteThreadSection(std::uint8_t index, std::int32_t position, std::int32_t remaining);
    bool WriteGlobalSection();
    bool OpenInternetHandle();
    void CloseInternetHandle();
    void ApplyRequestOptions(HINTERNET request) const;
    // Requests in flight, so that a stop can abort them from another thread. A
    // request that Forget finds gone was aborted and is already closed.
    void Remember(HINTERNET request);
    void Forget(HINTERNET request);
    void AbortLiveRequests();

    CWorker& worker_;
    WinInetEntryPoints inet_;
    std::unique_ptr<DownloadFileRecord> record_;
    std::vector<std::unique_ptr<CThread>> connections_;
    HANDLE stopEvent_ = nullptr;
    HANDLE transferEndedEvent_ = nullptr;
    int connectionCount_ = 2;
    std::wstring workingFolder_;
    HANDLE dataFile_ = INVALID_HANDLE_VALUE;
    HINTERNET internet_ = nullptr;

    std::atomic<std::int32_t> bytesWritten_{0};
    int startedConnections_ = 0;
    int finishedConnections_ = 0;
    int failedConnections_ = 0;
    int expectedConnections_ = 0;
    int lastResult_ = 0;
    bool sectionWritten_ = false;
    std::int64_t missingOfFinished_ = 0;  // bytes the finished connections left
    std::atomic<bool> leftBehind_{false};
    // A connection's range (start, length, received) as another thread may read it.
    std::mutex progressLock_;
    std::atomic<long> runningThreads_{0};
    std::atomic<DWORD> lastProgressTick_{0};  // GetTickCount; differences survive its wrap
    std::mutex liveLock_;
    std::set<HINTERNET> liveRequests_;
    std::mutex writeLock_;
    std::mutex startLock_;
    std::mutex finishLock_;
};
