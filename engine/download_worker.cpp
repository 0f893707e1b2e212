#include "engine/download_worker.h"

#include "platform/path_checks.h"
#include "engine/download_pacing.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "platform/checked_format.h"

#include <cstdio>

namespace {

// Transfers in a row that wrote nothing before the job gives up: a server that
// never serves the asked ranges must not keep the job alive for ever.
constexpr int kTransfersWithoutProgressLimit = 5;

// The style of the retry question; the window that answers prompts reads it as yes or no.
constexpr int kRetryQuestionStyle = 2;

}  // namespace

CWorker::CWorker() {
    doneEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    downloader_ = std::make_unique<CSegmentedDownloader>(*this);
}

CWorker::~CWorker() {
    // Every thread of the job ends before the downloader it uses goes away: the
    // run thread here, the connection threads with the downloader.
    if (runThread_.Running()) {
        downloader_->state = 3;
        userStop_ = true;
        downloader_->SignalStop();
        runThread_.Join();
    }
    downloader_.reset();
    if (doneEvent_) CloseHandle(doneEvent_);
}

bool CWorker::StartRun() {
    ResetEvent(doneEvent_);
    result_ = false;
    return runThread_.Start([this] { Run(); });
}

bool CWorker::WaitUntilDone() {
    WaitPumpingSentMessages(doneEvent_, INFINITE);
    runThread_.Join();
    return result_;
}

void CWorker::ReportProgress(const std::wstring& text, int percent, std::int64_t downloaded) {
    if (!callbacks_.progress) return;
    DownloadProgressInfo info;
    info.text = text;
    info.percent = percent;
    info.downloadedBytes = downloaded;
    info.totalBytes = contentLength_;
    try {
        callbacks_.progress(info);
    } catch (...) {
    }
}

void CWorker::ReportStatus(const std::wstring& key) { ReportProgress(key, percent_, -1); }

void CWorker::ReportTotalProgress(std::int32_t bytes) {
    const std::int64_t length = contentLength_;
    if (length <= 0) return;
    const int percent = static_cast<int>(static_cast<double>(bytes) * 100.0 / static_cast<double>(length));
    percent_ = percent;
    std::wstring format;
    {
        std::lock_guard lock(progressLock_);
        const ULONGLONG now = GetTickCount64();
        if (percent == reportedPercent_ && bytes < length && now - reportedTick_ < 250) return;
        reportedPercent_ = percent;
        reportedTick_ = now;
        if (!percentFormatLoaded_) {
            percentFormat_ = GetLangString(L"IDS_TOTAL_PERCENTAGE", kResourceStringSection);
            percentFormatLoaded_ = true;
        }
        format = percentFormat_;
    }
    ReportProgress(FormatChecked(format, {percent > 100 ? 100 : percent}), percent, bytes);
}

int CWorker::Prompt(int percent, const std::wstring& key, int style, int icon, int defaultAnswer) {
    if (percent <= 0) percent = percent_;
    const int fallback = style == kRetryQuestionStyle ? IDNO : IDOK;
    if (!callbacks_.prompt) return fallback;
    try {
        return callbacks_.prompt(percent, key, style, icon, defaultAnswer);
    } catch (...) {
        return fallback;
    }
}

void CWorker::ReportControlState(const std::vector<std::wstring>& captions) {
    if (!callbacks_.control) return;
    std::vector<DownloadControlState> states;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        DownloadControlState state;
        state.kind = static_cast<std::int32_t>(i);
        state.caption = captions[i];
        states.push_back(state);
    }
    try {
        callbacks_.control(states);
    } catch (...) {
    }
}

bool CWorker::IsStopRequested() {
    if (downloader_->IsStopEventSignalled()) {
        downloader_->ResetStop();
        return true;
    }
    return userStop_;
}

bool CWorker::IsOffline() { return downloader_->HasConnectedState() && !downloader_->IsOnline(); }

int CWorker::AskRetry(const std::wstring& key) {
    CSegmentedDownloader& downloader = *downloader_;
    if (downloader.IsStopEventSignalled()) {
        downloader.ResetStop();
        return IDNO;
    }
    PaceDownload(100);
    for (bool first = true;; first = false) {
        if (!downloader.HasConnectedState() || downloader.IsOnline()) return IDYES;
        if (downloader.IsStopEventSignalled()) {
            downloader.ResetStop();
            return IDNO;
        }
        int answer = IDYES;
        if (first && !key.empty()) answer = Prompt(0, key, kRetryQuestionStyle, MB_ICONERROR, 3);
        if (downloader.IsStopEventSignalled()) {
            downloader.ResetStop();
            return IDNO;
        }
        if (answer == IDNO) return IDNO;
        PaceDownload(1000);
        if (answer != IDYES) return answer;
    }
}

void CWorker::Finish(const std::wstring& text, int percent, int kind) {
    // The first end wins: a stop that raced the last range stays a stop.
    if (finished_.exchange(true)) return;
    result_ = kind == kFinishComplete;
    finishedKind_ = kind;
    finishedText_ = text;
    if (callbacks_.finished) {
        DownloadProgressInfo info;
        info.text = text;
        info.percent = percent;
        info.totalBytes = contentLength_;
        try {
            callbacks_.finished(info, kind);
        } catch (...) {
        }
    }
    SetEvent(doneEvent_);
}

void CWorker::StopDownload() {
    if (finished_) return;
    stopRequested_ = true;
    downloader_->state = 3;
    userStop_ = true;
    if (downloader_->IsStopEventSignalled()) return;
    downloader_->SignalStop();
    ReportControlState({L"IDS_CANCELING"});
    Finish(L"IDS_STOPPED_SUCCESSFULLY", percent_, kFinishStoppedByUser);
}

bool CWorker::CheckExistingDownload() {
    if (downloader_->VerifyDigest() != 1) return false;
    percent_ = 100;
    ReportStatus(L"IDS_DOWNLOAD_COMPLETE");
    ReportProgress(L"IDS_DOWNLOAD_COMPLETE", 100, -1);
    return true;
}

void CWorker::CompleteJob() {
    percent_ = 100;
    ReportTotalProgress(static_cast<std::int32_t>(contentLength_));
    Finish(L"IDS_DOWNLOAD_COMPLETE", 100, kFinishComplete);
}

bool CWorker::GiveUpWithoutProgress() {
    if (!downloader_->NoProgressLimitPassed()) return false;
    ReportStatus(kNoProgressText);
    Finish(kNoProgressText, percent_, kFinishStoppedAfterNetworkErrors);
    return true;
}

void CWorker::Run() {
    downloader_->MarkProgress();
    for (;;) {
        const RunOutcome outcome = RunOnce();
        if (outcome == RunOutcome::RunAgain) continue;
        if (outcome == RunOutcome::TransferStarted) {
            const std::int32_t before = downloader_->BytesWritten();
            int failed = 0, lastResult = 0;
            downloader_->WaitForTransferEnd(failed, lastResult);
            downloader_->ClearConnections();
            if (downloader_->BytesWritten() > before) transfersWithoutProgress_ = 0;
            else ++transfersWithoutProgress_;
            if (OnDownloadComplete(failed, lastResult)) continue;
        }
        break;
    }
    // A run that ended without an answer still ends the job, so nobody waits for ever.
    if (!finished_) {
        Finish(userStop_ ? L"IDS_STOPPED_SUCCESSFULLY" : L"IDS_DOWNLOAD_FAILED", percent_,
               userStop_ ? kFinishStoppedByUser : kFinishFailed);
    }
}

CWorker::RunOutcome CWorker::RunOnce() {
    CSegmentedDownloader& downloader = *downloader_;
    DownloadFileRecord& record = downloader.Record();
    if (userStop_) return RunOutcome::Ended;

    const int online = downloader.OpenInternetIfOnline();
    if (online == 0) {
        if (downloader.IsStopEventSignalled()) {
            downloader.ResetStop();
            return RunOutcome::Ended;
        }
        Finish(L"IDS_DOWNLOAD_STOPPED", percent_, kFinishStoppedAfterNetworkErrors);
        return RunOutcome::Ended;
    }
    if (downloader.IsStopEventSignalled()) {
        downloader.ResetStop();
        return RunOutcome::Ended;
    }

    if (!settings_ || !downloader.CollectDownloadInfo(*settings_)) {
        Prompt(100, L"IDS_DOWNDATA_NOTSUFFICENT", 0, MB_ICONERROR, 0);
        Finish(L"IDS_DOWNDATA_NOTSUFFICENT", 100, kFinishFailed);
        return RunOutcome::Ended;
    }
    const std::wstring dataPath = downloader.GetWorkingFolder() + record.fileName;
    if (IsStopRequested()) return RunOutcome::Ended;
    // A package that will be installed with administrator rights is always checked
    // when its digest is known.
    const bool verifyDigest = verify || !record.expectedDigest.empty();

    const std::int64_t length = downloader.QueryContentLength(record.url);
    if (length == -1) {
        if (GiveUpWithoutProgress()) return RunOutcome::Ended;
        ReportStatus(L"IDS_INTERNET_ERROR");
        PaceDownload(1000);
        ++retryCounter;
        const bool giveUp = retryCounter + 1 > 5;
        if (IsStopRequested()) return RunOutcome::Ended;
        if ((!downloader.HasConnectedState() || downloader.IsOnline()) && !giveUp) return RunOutcome::RunAgain;
        ReportStatus(L"IDS_INTERNET_ERROR");
        if (IsStopRequested()) return RunOutcome::Ended;
        // While the machine is online the retry question answers itself with yes;
        // one more round of attempts is all a dead server gets.
        if (++lengthGiveUps_ < 2 && AskRetry(L"IDS_NOTCONNECT_NET_RETRY") == IDYES) {
            retryCounter = 0;
            return RunOutcome::RunAgain;
        }
        Finish(L"IDS_DOWNLOAD_STOPPED", percent_, kFinishStoppedAfterNetworkErrors);
        return RunOutcome::Ended;
    }
    if (length <= 0 || length > INT32_MAX) {
        ReportStatus(L"IDS_UNABLE_DOWNLOADFILE");
        Finish(L"IDS_DOWNLOAD_FAILED", percent_, kFinishFailed);
        return RunOutcome::Ended;
    }
    contentLength_ = length;
    retryCounter = 0;

    if (FileExists(dataPath) && verifyDigest && CheckExistingDownload()) {
        ReportTotalProgress(static_cast<std::int32_t>(length));
        ReportStatus(L"IDS_DOWNLOAD_COMPLETE");
        CompleteJob();
        return RunOutcome::Ended;
    }

    record.contentLength = static_cast<std::int32_t>(length);
    if (!FileExists(dataPath)) downloader.DeleteChunkFile();

    if (FileExists(downloader.ChunkFilePath())) {
        if (IsStopRequested()) return RunOutcome::Ended;
        if (downloader.ReadChunkState() && _wcsicmp(record.storedDigest.c_str(), record.expectedDigest.c_str()) == 0) {
            // The ranges are in memory now; a connection that ends early appends to a
            // fresh resume file instead of one that is about to be deleted.
            downloader.DeleteChunkFile();
            if (!downloader.OpenTargetFile(dataPath)) {
                downloader.ClearConnections();
                Finish(L"IDS_DOWNLOAD_FAILED", percent_, kFinishFailed);
                return RunOutcome::Ended;
            }
            ReportStatus(L"IDS_DOWNLOADING_FILE");
            if (!downloader.StartConnections(true)) {
                downloader.ClearConnections();
                downloader.DeleteChunkFile();
                Finish(L"IDS_DOWNLOAD_FAILED", percent_, kFinishFailed);
                return RunOutcome::Ended;
            }
            if (downloader.state != 3) ReportControlState({L"IDS_PAUSE"});
            return RunOutcome::TransferStarted;
        }
        downloader.ClearConnections();
        downloader.DeleteChunkFile();
        return RunOutcome::RunAgain;
    }

    DeleteFileW(dataPath.c_str());
    if (IsStopRequested()) return RunOutcome::Ended;
    if (!downloader.CreateTargetFile(dataPath, record.contentLength)) {
        Prompt(0, L"IDS_CHECKFREE_DISKSPACE", 0, MB_ICONERROR, 0);
        Finish(L"IDS_CHECKFREE_DISKSPACE", percent_, kFinishFailed);
        return RunOutcome::Ended;
    }
    downloader.PlanFreshRanges();
    ReportStatus(L"IDS_DOWNLOADING_FILE");
    if (IsStopRequested()) {
        downloader.ClearConnections();
        downloader.CloseDataFile();
        return RunOutcome::Ended;
    }
    if (!downloader.StartConnections(false)) {
        downloader.ClearConnections();
        downloader.DeleteChunkFile();
        Finish(L"IDS_DOWNLOAD_FAILED", percent_, kFinishFailed);
        return RunOutcome::Ended;
    }
    return RunOutcome::TransferStarted;
}

bool CWorker::OnDownloadComplete(int failedConnections, int lastResult) {
    CSegmentedDownloader& downloader = *downloader_;
    if (userStop_ || lastResult == kConnectionStopped) {
        PaceDownload(100);
        Finish(L"IDS_STOPPED_SUCCESSFULLY", percent_, kFinishStoppedByUser);
        return false;
    }
    if (lastResult == kNetworkError) {
        if (GiveUpWithoutProgress()) return false;
        PaceDownload(1000);
        ++retryCounter;
        if (IsOffline() || retryCounter > 5 || transfersWithoutProgress_ >= kTransfersWithoutProgressLimit) {
            if (transfersWithoutProgress_ < kTransfersWithoutProgressLimit &&
                AskRetry(L"IDS_INTERNET_ERROR_RETRY") == IDYES) {
                retryCounter = 0;
            } else {
                downloader.DeleteChunkFile();
                PaceDownload(100);
                Finish(L"", percent_, kFinishStoppedAfterNetworkErrors);
                return false;
            }
        }
        ReportStatus(L"IDS_DOWNLOAD_PAUSED");
        ReportControlState({L"IDS_RESUME"});
        return true;
    }
    const bool whole = downloader.BytesWritten() == downloader.Record().contentLength;
    if (lastResult == kRangeComplete && failedConnections == 0 && whole) {
        ReportStatus(L"IDS_PLZWAIT_CHECKFILE");
        const bool verifyDigest = verify || !downloader.Record().expectedDigest.empty();
        if (!verifyDigest || downloader.VerifyDigest() == 1) {
            ReportStatus(L"IDS_DOWNLOAD_COMPLETE");
            PaceDownload(100);
            CompleteJob();
        } else {
            ++downloader.digestFailures;
            DeleteFileW(downloader.Record().targetPath.c_str());
            downloader.DeleteChunkFile();
            ReportStatus(L"IDS_UNABLE_DOWNLOADFILE");
            PaceDownload(100);
            Finish(L"IDS_DOWNLOAD_FAILED", percent_, kFinishFailed);
        }
        return false;
    }
    // A connection gave up, or bytes are missing: never complete, resume instead.
    if (GiveUpWithoutProgress()) return false;
    PaceDownload(200);
    if (IsOffline()) {
        Finish(L"", percent_, kFinishFailed);
        return false;
    }
    if (transfersWithoutProgress_ >= kTransfersWithoutProgressLimit) {
        downloader.DeleteChunkFile();
        Finish(L"IDS_DOWNLOAD_FAILED", percent_, kFinishFailed);
        return false;
    }
    ReportControlState({});
    return true;
}
