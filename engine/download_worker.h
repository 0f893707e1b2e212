#pragma once

#include "engine/download_settings.h"
#include "engine/owned_thread.h"
#include "engine/segmented_downloader.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// What the worker tells its owner about a job.
struct DownloadProgressInfo {
    std::int64_t downloadedBytes = -1;  // -1: a status report without a count
    std::int64_t totalBytes = 0;
    std::int32_t percent = 0;
    std::wstring text;  // a language key or a finished text
};

struct DownloadControlState {
    std::int32_t kind = 0;
    std::int32_t flag = 1;
    std::wstring caption;
};

// The end of a job whose server sent nothing for the no-progress limit.
inline constexpr wchar_t kNoProgressText[] = L"IDS_DOWNLOAD_NO_PROGRESS";

// How a job ends.
enum DownloadFinishKind : int {
    kFinishFailed = 0,
    kFinishComplete = 1,
    kFinishStoppedByUser = 2,
    kFinishStoppedAfterNetworkErrors = 3,
};

struct DownloadCallbacks {
    std::function<bool(const DownloadProgressInfo&)> progress;
    std::function<bool(const DownloadProgressInfo&, int kind)> finished;
    std::function<int(int percent, const std::wstring& key, int style, int icon, int defaultAnswer)> prompt;
    std::function<int(const std::vector<DownloadControlState>&)> control;
};

// Runs one download job on a thread of its own: decides between an existing
// package, a resume and a fresh transfer, retries after network errors, and ends
// the job exactly once.
class CWorker {
public:
    CWorker();
    ~CWorker();
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;

    void SetSettings(const DownloadSettings* settings) { settings_ = settings; }
    void SetCallbacks(DownloadCallbacks callbacks) { callbacks_ = std::move(callbacks); }
    bool verify = true;

    bool StartRun();
    void StopDownload();
    // Blocks until the job has ended and every thread of it is gone.
    bool WaitUntilDone();
    HANDLE DoneEvent() const { return doneEvent_; }
    bool Result() const { return result_; }
    int FinishedKind() const { return finishedKind_; }
    // The text the job ended with (a language key, or empty).
    const std::wstring& FinishedText() const { return finishedText_; }
    CSegmentedDownloader& Downloader() { return *downloader_; }

    // Used by the downloader.
    void ReportStatus(const std::wstring& key);
    void ReportProgress(const std::wstring& text, int percent, std::int64_t downloaded);
    void ReportTotalProgress(std::int32_t bytes);
    int Prompt(int percent, const std::wstring& key, int style, int icon, int defaultAnswer);
    int AskRetry(const std::wstring& key);
    void ReportControlState(const std::vector<std::wstring>& captions);
    bool IsStopRequested();
    bool UserStopped() const { return userStop_; }
    // The stop left connections behind that a silent server still holds.
    bool LeftConnectionsBehind() const { return downloader_->LeftConnectionsBehind(); }
    std::atomic<int> retryCounter{0};

private:
    enum class RunOutcome { Ended, RunAgain, TransferStarted };

    void Run();
    RunOutcome RunOnce();
    // The end of a transfer; true when a new run must follow.
    bool OnDownloadComplete(int failedConnections, int lastResult);
    bool CheckExistingDownload();
    void CompleteJob();
    void Finish(const std::wstring& text, int percent, int kind);
    bool IsOffline();
    // Ends a job that has received nothing for too long; its resume record stays.
    bool GiveUpWithoutProgress();

    const DownloadSettings* settings_ = nullptr;
    DownloadCallbacks callbacks_;
    std::unique_ptr<CSegmentedDownloader> downloader_;
    OwnedThread runThread_;
    HANDLE doneEvent_ = nullptr;
    std::atomic<std::int64_t> contentLength_{0};
    std::atomic<bool> finished_{false};
    std::atomic<int> percent_{0};
    std::atomic<bool> userStop_{false};
    std::atomic<bool> stopRequested_{false};
    bool result_ = false;
    int finishedKind_ = -1;
    std::wstring finishedText_;
    int lengthGiveUps_ = 0;
    // Progress goes out when its percent changes, at the end, or after a quiet
    // quarter second: one report per write cost more than the write itself.
    std::mutex progressLock_;
    int reportedPercent_ = -1;
    ULONGLONG reportedTick_ = 0;
    std::wstring percentFormat_;
    bool percentFormatLoaded_ = false;
    int transfersWithoutProgress_ = 0;
};
