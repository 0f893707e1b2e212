#include "engine/segmented_downloader.h"

#include "engine/chunk_state_file.h"
#include "engine/download_pacing.h"
#include "engine/download_worker.h"
#include "engine/http_request_parts.h"

#include <algorithm>
#include <cwchar>
#include <limits>

namespace {

std::atomic<int> g_connectionCount{2};
std::atomic<int> g_blockSize{262144};

constexpr std::int32_t kDefaultBlockSize = 262144;
constexpr std::int32_t kSingleConnectionBelow = 1048576;
// How long a user's stop waits for the aborted requests to end their connections
// before it leaves behind those whose reads a silent server still holds.
constexpr ULONGLONG kStopGraceMs = 300;

}  // namespace

// A request in flight: known to the downloader while it lives, so that a stop can
// abort it; closed here unless the stop already did.
class LiveRequest {
public:
    LiveRequest(CSegmentedDownloader& owner, HINTERNET handle) : owner_(owner), handle_(handle) {
        if (handle_) owner_.Remember(handle_);
    }
    ~LiveRequest() {
        if (handle_) owner_.Forget(handle_);
    }
    LiveRequest(const LiveRequest&) = delete;
    LiveRequest& operator=(const LiveRequest&) = delete;
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CSegmentedDownloader& owner_;
    HINTERNET handle_;
};

void SetDownloadConnectionCount(int count) { g_connectionCount = count; }
int GetDownloadConnectionCount() { return g_connectionCount; }
void SetDownloadBlockSize(int bytes) { g_blockSize = bytes; }
int GetDownloadBlockSize() { return g_blockSize; }

CThread::CThread(CSegmentedDownloader& ownerIn, std::uint8_t indexIn, std::int32_t startIn, std::int32_t lengthIn,
                 std::int32_t blockSizeIn, std::wstring urlIn)
    : index(indexIn), start(startIn), length(lengthIn), url(std::move(urlIn)),
      blockSize(blockSizeIn < 1 ? kDefaultBlockSize : blockSizeIn), owner(ownerIn) {}

CSegmentedDownloader::CSegmentedDownloader(CWorker& worker) : worker_(worker) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    workingFolder_ = temp;
    inet_.Load();
    connectionCount_ = g_connectionCount > 0 ? g_connectionCount.load() : 2;
    record_ = std::make_unique<DownloadFileRecord>(static_cast<std::uint8_t>(connectionCount_));
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    transferEndedEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CSegmentedDownloader::~CSegmentedDownloader() {
    StopConnections();
    ClearConnections();
    CloseDataFile();
    CloseInternetHandle();
    if (stopEvent_) CloseHandle(stopEvent_);
    if (transferEndedEvent_) CloseHandle(transferEndedEvent_);
}

bool CSegmentedDownloader::IsStopEventSignalled() const { return WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0; }
void CSegmentedDownloader::SignalStop() {
    SetEvent(stopEvent_);
    AbortLiveRequests();
}

void CSegmentedDownloader::Remember(HINTERNET request) {
    std::lock_guard lock(liveLock_);
    liveRequests_.insert(request);
}

void CSegmentedDownloader::Forget(HINTERNET request) {
    {
        std::lock_guard lock(liveLock_);
        if (liveRequests_.erase(request) == 0) return;
    }
    if (inet_.InternetCloseHandle) inet_.InternetCloseHandle(request);
}

void CSegmentedDownloader::AbortLiveRequests() {
    std::set<HINTERNET> aborted;
    {
        std::lock_guard lock(liveLock_);
        aborted.swap(liveRequests_);
    }
    // Closing a handle that another thread waits on ends that wait with an error.
    for (HINTERNET request : aborted) {
        if (inet_.InternetCloseHandle) inet_.InternetCloseHandle(request);
    }
}

void CSegmentedDownloader::MarkProgress() { lastProgressTick_ = GetTickCount(); }

bool CSegmentedDownloader::NoProgressLimitPassed() const {
    return GetTickCount() - lastProgressTick_.load() >= DownloadNoProgressLimit();
}

void CSegmentedDownloader::ApplyRequestOptions(HINTERNET request) const {
    if (!inet_.InternetSetOptionW) return;
    const DWORD timeout = DownloadRequestTimeout();
    const std::pair<DWORD, DWORD> options[] = {
        {INTERNET_OPTION_CONNECT_RETRIES, 5},        {INTERNET_OPTION_CONNECT_TIME, 500},
        {INTERNET_OPTION_CONNECT_TIMEOUT, timeout},  {INTERNET_OPTION_RECEIVE_TIMEOUT, timeout},
        {INTERNET_OPTION_SEND_TIMEOUT, timeout},     {INTERNET_OPTION_DATA_SEND_TIMEOUT, timeout},
        {INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, timeout}, {INTERNET_OPTION_RECEIVE_TIMEOUT, timeout},
    };
    for (auto [option, value] : options) {
        DWORD copy = value;
        inet_.InternetSetOptionW(request, option, &copy, sizeof(copy));
    }
}
void CSegmentedDownloader::ResetStop() { ResetEvent(stopEvent_); }
bool CSegmentedDownloader::IsConnectionStopped() const { return IsStopEventSignalled() || state == 3; }
bool CSegmentedDownloader::IsOnline() const { return QueryOnline(inet_, false); }
bool CSegmentedDownloader::HasConnectedState() const { return ::HasConnectedState(inet_); }
std::wstring CSegmentedDownloader::GetWorkingFolder() const { return workingFolder_; }

void CSegmentedDownloader::CloseDataFile() {
    if (dataFile_ != INVALID_HANDLE_VALUE) CloseHandle(dataFile_);
    dataFile_ = INVALID_HANDLE_VALUE;
}

void CSegmentedDownloader::CloseInternetHandle() {
    if (internet_ && inet_.InternetCloseHandle) inet_.InternetCloseHandle(internet_);
    internet_ = nullptr;
}

bool CSegmentedDownloader::OpenInternetHandle() {
    if (inet_.InternetSetOptionW) {
        INTERNET_CONNECTED_INFO info = {INTERNET_STATE_CONNECTED, 0};
        inet_.InternetSetOptionW(nullptr, INTERNET_OPTION_CONNECTED_STATE, &info, sizeof(info));
    }
    if (internet_) return true;
    if (!inet_.InternetOpenW) return false;
    internet_ = inet_.InternetOpenW(L"ISX Download DLL", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    return internet_ != nullptr;
}

int CSegmentedDownloader::OpenInternetIfOnline() {
    if (IsStopEventSignalled()) {
        ResetStop();
        return 0;
    }
    if (QueryOnline(inet_, true)) return OpenInternetHandle() ? 1 : 0;
    PaceDownload(1000);
    if (IsStopEventSignalled()) {
        ResetStop();
        return 0;
    }
    if (worker_.retryCounter >= 5) worker_.retryCounter = 0;
    if (QueryOnline(inet_, true)) {
        ++worker_.retryCounter;
        return 1;
    }
    if (worker_.UserStopped()) return 0;
    worker_.ReportStatus(L"IDS_INTERNET_ERROR");
    if (worker_.AskRetry(L"IDS_NOTCONNECT_NET_RETRY") == IDYES) {
        worker_.retryCounter = 0;
        return 1;
    }
    return 0;
}

bool CSegmentedDownloader::CollectDownloadInfo(const DownloadSettings& settings) {
    worker_.ReportStatus(L"IDS_COLLECT_DOWNINFO");
    const bool filled = record_->FillFromSettings(settings);
    if (filled && !record_->url.empty()) workingFolder_ = record_->folder;
    return filled && !record_->url.empty();
}

std::int64_t CSegmentedDownloader::QueryContentLength(const std::wstring& url) {
    CrackedUrl parts;
    if (!internet_ || !CrackUrl(inet_, url, parts) || parts.scheme != INTERNET_SCHEME_HTTP) return -1;
    if (!inet_.InternetConnectW || !inet_.HttpOpenRequestW || !inet_.HttpSendRequestW) return -1;
    InternetHandle connection(inet_, inet_.InternetConnectW(internet_, parts.host.c_str(), parts.port, nullptr,
                                                             nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return -1;
    const wchar_t* accept[] = {L"*/*", nullptr};
    LiveRequest request(*this, inet_.HttpOpenRequestW(connection.get(), L"HEAD", parts.object.c_str(), nullptr, nullptr,
                                                       accept, INTERNET_FLAG_RELOAD | INTERNET_FLAG_RAW_DATA, 0));
    if (!request || IsConnectionStopped()) return -1;
    // A silent server must not hold the length question longer than a range request.
    ApplyRequestOptions(request.get());
    if (!inet_.HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return -1;
    DWORD status = 0;
    if (!QueryStatus(inet_, request.get(), status) || status != HTTP_STATUS_OK) return -1;
    // Read as text: the numeric query cannot tell a length of 2^31 or more from garbage.
    std::wstring lengthText;
    std::int64_t length = -1;
    if (!QueryText(inet_, request.get(), HTTP_QUERY_CONTENT_LENGTH, lengthText) || !ParseUnsigned(lengthText, length))
        return -1;
    return length;
}

bool CSegmentedDownloader::CreateTargetFile(const std::wstring& path, std::int32_t length) {
    CloseDataFile();
    if (length <= 0) return false;
    // Sizing a file the disk cannot hold would only fill the disk before failing.
    const std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
    ULARGE_INTEGER available = {};
    if (GetDiskFreeSpaceExW(folder.empty() ? nullptr : folder.c_str(), &available, nullptr, nullptr) &&
        available.QuadPart < static_cast<ULONGLONG>(length))
        return false;
    dataFile_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (dataFile_ == INVALID_HANDLE_VALUE) return false;
    // Setting the end gives the file its full length, reading as zeros wherever no
    // range has been written yet, so connections can write out of order. Writing
    // those zeros first cost as long as a fast download itself.
    LARGE_INTEGER end;
    end.QuadPart = length;
    LARGE_INTEGER size{};
    if (!SetFilePointerEx(dataFile_, end, nullptr, FILE_BEGIN) || !SetEndOfFile(dataFile_) ||
        !GetFileSizeEx(dataFile_, &size) || size.QuadPart != length) {
        CloseDataFile();
        return false;
    }
    return true;
}

bool CSegmentedDownloader::OpenTargetFile(const std::wstring& path) {
    CloseDataFile();
    dataFile_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size = {};
    if (dataFile_ != INVALID_HANDLE_VALUE &&
        (!GetFileSizeEx(dataFile_, &size) || size.QuadPart != record_->contentLength)) {
        CloseDataFile();  // a file of another length cannot take the recorded ranges
    }
    return dataFile_ != INVALID_HANDLE_VALUE;
}

void CSegmentedDownloader::PlanFreshRanges() {
    const std::int32_t length = record_->contentLength;
    if (length < kSingleConnectionBelow) record_->connections = 1;
    if (record_->connections < 1) record_->connections = 1;
    const int count = record_->connections;
    const std::int32_t each = length / count;
    for (int i = 0; i < count; ++i) {
        const std::int32_t start = each * i;
        const std::int32_t rangeLength = i == count - 1 ? length - (count - 1) * each : each;
        AddConnection(static_cast<std::uint8_t>(i), start, rangeLength);
    }
}

void CSegmentedDownloader::AddConnection(std::uint8_t index, std::int32_t start, std::int32_t length) {
    connections_.push_back(
        std::make_unique<CThread>(*this, index, start, length, g_blockSize.load(), record_->url));
}

bool CSegmentedDownloader::StartConnections(bool resuming) {
    {
        std::lock_guard lock(finishLock_);
        startedConnections_ = 0;
        finishedConnections_ = 0;
        missingOfFinished_ = 0;
        failedConnections_ = 0;
        lastResult_ = kConnectionFailed;
        sectionWritten_ = false;
        expectedConnections_ = static_cast<int>(connections_.size());
        record_->connections = static_cast<std::uint8_t>(connections_.size());
    }
    ResetEvent(transferEndedEvent_);
    ResetStop();
    if (!resuming) bytesWritten_ = 0;
    int started = 0;
    bool allStarted = true;
    for (auto& connection : connections_) {
        if (allStarted) {
            CThread* raw = connection.get();
            allStarted = raw->thread.Start([this, raw] { ConnectionThreadProc(*raw); });
            if (allStarted) ++started;
        }
        // The pause after the last start holds only this thread: a transfer that
        // ends within it is taken up at once rather than when it runs out.
        if (allStarted && connection == connections_.back()) PaceDownloadUntil(750, transferEndedEvent_);
        else PaceDownload(750);
    }
    if (!allStarted) {
        // What did start must end before the caller fails the job.
        {
            std::lock_guard lock(finishLock_);
            expectedConnections_ = started;
            if (finishedConnections_ >= started) SetEvent(transferEndedEvent_);
        }
        SignalStop();
        for (auto& connection : connections_) connection->thread.Join();
        ResetStop();
        CloseDataFile();
    }
    return allStarted;
}

void CSegmentedDownloader::WaitForTransferEnd(int& failed, int& lastResult) {
    ULONGLONG stoppedAt = 0;
    while (!WaitPumpingSentMessages(transferEndedEvent_, 50)) {
        if (state != 3) continue;
        if (stoppedAt == 0) stoppedAt = GetTickCount64();
        if (GetTickCount64() - stoppedAt >= kStopGraceMs && LeaveConnectionsBehind()) {
            failed = 0;
            lastResult = kConnectionStopped;
            return;
        }
    }
    for (auto& connection : connections_) connection->thread.Join();
    std::lock_guard lock(finishLock_);
    failed = failedConnections_;
    lastResult = lastResult_;
}

void CSegmentedDownloader::StopConnections() {
    SignalStop();
    for (auto& connection : connections_) connection->thread.Join();
}

void CSegmentedDownloader::ClearConnections() {
    // Connections left behind still use theirs; the destructor waits for them.
    if (leftBehind_) return;
    for (auto& connection : connections_) connection->thread.Join();
    connections_.clear();
}

// A read whose request was closed ends when WinInet gets round to it: a second or
// two under Wine, not before data or the time-out where the close does not reach
// the read. The resume file is written now from what reached the file, which is
// closed first so that nothing a late read brings lands in it.
bool CSegmentedDownloader::LeaveConnectionsBehind() {
    std::lock_guard finish(finishLock_);
    if (finishedConnections_ >= expectedConnections_) return false;
    leftBehind_ = true;
    {
        std::lock_guard write(writeLock_);
        CloseDataFile();
    }
    std::int64_t missing = missingOfFinished_;
    for (auto& connection : connections_) {
        if (connection->finished) continue;
        std::int32_t position = 0, remaining = 0;
        {
            std::lock_guard progress(progressLock_);
            position = connection->start + connection->received;
            remaining = connection->length - connection->received;
        }
        if (remaining <= 0) continue;
        missing += remaining;
        if (WriteThreadSection(connection->index, position, remaining)) sectionWritten_ = true;
    }
    // What arrived is the length less what is missing: a write that has not counted
    // its bytes yet is fetched again rather than trusted.
    if (sectionWritten_) {
        AppendChunkText(ChunkFilePath(),
                        FormatGlobalSection(static_cast<std::int32_t>(record_->contentLength - missing),
                                            record_->expectedDigest),
                        true);
    }
    return true;
}

void CSegmentedDownloader::ConnectionThreadProc(CThread& connection) {
    ++runningThreads_;
    PaceDownload(100);
    OnConnectionStarted();
    const std::uint8_t result = FetchRange(connection);
    std::int32_t position = 0, remaining = 0;
    {
        std::lock_guard progress(progressLock_);
        if (result != kRangeComplete) {
            position = connection.start + connection.received;
            remaining = connection.length - connection.received;
        }
    }
    --runningThreads_;
    OnConnectionFinished(connection, result, position, remaining);
}

std::uint8_t CSegmentedDownloader::FetchRange(CThread& connection) {
    std::uint8_t result = DownloadRangeThread(connection);
    // An attempt that a stop aborted ends as stopped, without the pause of a retry.
    if ((result == kConnectionFailed || result == kNetworkError) && IsConnectionStopped()) result = kConnectionStopped;
    if (result == kConnectionFailed || result == kNetworkError) result = RetryRange(connection, result);
    return result;
}

std::int32_t CSegmentedDownloader::RangeLength(CThread& connection) {
    std::lock_guard progress(progressLock_);
    return connection.length;
}

void CSegmentedDownloader::OnConnectionStarted() {
    std::lock_guard lock(startLock_);
    PaceDownload(100);
    ++startedConnections_;
}

std::uint8_t CSegmentedDownloader::DownloadRangeThread(CThread& connection) {
    if (IsConnectionStopped()) return kConnectionStopped;
    if (connection.url.empty()) {
        worker_.Prompt(0, L"IDS_NOTABLE_COLLCTINFO", 0, MB_ICONERROR, 0);
        return kConnectionStopped;
    }
    CrackedUrl parts;
    if (!CrackUrl(inet_, connection.url, parts) || parts.scheme != INTERNET_SCHEME_HTTP) return kConnectionFailed;
    if (!inet_.InternetConnectW || !inet_.HttpOpenRequestW || !inet_.HttpSendRequestW || !inet_.InternetReadFile)
        return kConnectionFailed;
    InternetHandle session(inet_, inet_.InternetConnectW(internet_, parts.host.c_str(), parts.port, nullptr, nullptr,
                                                          INTERNET_SERVICE_HTTP, 0, 0));
    if (!session) return kConnectionFailed;
    const wchar_t* accept[] = {L"*/*", nullptr};
    // A partial body must never come from or go into the URL cache.
    LiveRequest request(*this, inet_.HttpOpenRequestW(session.get(), L"GET", parts.object.c_str(), nullptr, nullptr,
                                                       accept, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
                                                       0));
    if (!request) return kConnectionFailed;
    // A stop that came before the request was known could not abort it.
    if (IsConnectionStopped()) return kConnectionStopped;
    ApplyRequestOptions(request.get());

    const std::int32_t askedLength = RangeLength(connection);
    wchar_t header[96];
    std::swprintf(header, 96, L"Range: bytes=%d-%d", connection.start, connection.start + askedLength - 1);
    if (!inet_.HttpAddRequestHeadersW ||
        !inet_.HttpAddRequestHeadersW(request.get(), header, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD))
        return kConnectionFailed;
    PaceDownload(100);
    if (!inet_.HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return kNetworkError;
    if (IsConnectionStopped()) return kConnectionStopped;

    DWORD status = 0;
    if (!QueryStatus(inet_, request.get(), status)) return kConnectionFailed;
    // Bytes are written at the range's offset only when they are that range: a 206
    // that starts where asked, or a whole-file 200 for a range that is the whole file.
    if (status == HTTP_STATUS_PARTIAL_CONTENT) {
        std::wstring contentRange;
        std::int64_t first = -1, total = -1;
        if (!QueryText(inet_, request.get(), HTTP_QUERY_CONTENT_RANGE, contentRange) ||
            !ParseContentRange(contentRange, first, total) || first != connection.start ||
            (total >= 0 && total != record_->contentLength))
            return kConnectionFailed;
    } else if (status == HTTP_STATUS_OK) {
        if (connection.start != 0 || askedLength != record_->contentLength) return kConnectionFailed;
    } else {
        return kConnectionFailed;
    }

    // A read waits until it has all it asked for, and a stall ends the attempt with
    // whatever that read holds lost: the retry fetches that block again. Reads are
    // whole blocks all the same, since every read has a fixed cost that small reads
    // pay over and over on a fast line. What earlier reads brought is written before
    // the attempt ends.
    const std::int32_t bufferSize = std::min(connection.blockSize, askedLength);
    std::vector<char> buffer(static_cast<std::size_t>(bufferSize));
    std::int32_t held = 0;
    bool writeFailed = false;
    auto flush = [&] {
        if (held == 0) return true;
        if (!WriteAtOffset(connection.index, connection.start + connection.received, buffer.data(),
                           static_cast<DWORD>(held))) {
            writeFailed = true;
            return false;
        }
        {
            std::lock_guard progress(progressLock_);
            connection.received += held;
        }
        held = 0;
        return true;
    };
    std::uint8_t result = kConnectionFailed;
    for (;;) {
        const std::int32_t length = RangeLength(connection);
        if (connection.received + held >= length) break;
        if (IsConnectionStopped()) {
            result = kConnectionStopped;
            break;
        }
        const DWORD wanted = static_cast<DWORD>(std::min(bufferSize - held, length - connection.received - held));
        DWORD read = 0;
        if (!inet_.InternetReadFile(request.get(), buffer.data() + held, wanted, &read)) {
            result = kNetworkError;
            break;
        }
        if (read == 0) break;
        held += static_cast<std::int32_t>(read);
        if ((held == bufferSize || connection.received + held == RangeLength(connection)) && !flush()) break;
    }
    if (!writeFailed && !flush()) result = kConnectionFailed;
    if (writeFailed) result = kConnectionFailed;
    if (connection.received == RangeLength(connection)) result = kRangeComplete;
    return result;
}

bool CSegmentedDownloader::WriteAtOffset(std::uint8_t, std::int32_t offset, const char* bytes, DWORD count) {
    std::int32_t total = 0;
    {
        // No pause here: a wait inside the lock that every connection shares capped
        // the whole download at one block per wait (about 5 MiB/s), whatever the line.
        std::lock_guard lock(writeLock_);
        LARGE_INTEGER position;
        position.QuadPart = offset;
        DWORD written = 0;
        if (dataFile_ == INVALID_HANDLE_VALUE || !SetFilePointerEx(dataFile_, position, nullptr, FILE_BEGIN) ||
            !WriteFile(dataFile_, bytes, count, &written, nullptr) || written != count)
            return false;
        total = (bytesWritten_ += static_cast<std::int32_t>(count));
    }
    MarkProgress();
    worker_.ReportTotalProgress(total);
    return true;
}

void CSegmentedDownloader::OnConnectionFinished(CThread& connection, std::uint8_t result, std::int32_t position,
                                                std::int32_t remaining) {
    std::lock_guard lock(finishLock_);
    ++finishedConnections_;
    connection.finished = true;
    if (result == kConnectionFailed) ++failedConnections_;
    const bool last = finishedConnections_ >= expectedConnections_;
    // A connection left behind ends after its resume file was written without it.
    if (!leftBehind_) {
        if (result != kRangeComplete && remaining > 0) {
            missingOfFinished_ += remaining;
            if (WriteThreadSection(connection.index, position, remaining)) sectionWritten_ = true;
        }
        // Without the global section a resume file is only half a record.
        if (last && sectionWritten_) WriteGlobalSection();
    }
    lastResult_ = result;
    if (last) {
        CloseDataFile();
        CloseInternetHandle();
        SetEvent(transferEndedEvent_);
    }
}
