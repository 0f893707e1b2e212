#include "engine/download_job.h"

#include "engine/download_pacing.h"
#include "engine/download_progress.h"
#include "engine/wininet_entry_points.h"
#include "foundation/shared_constants.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

std::mutex g_downloadLock;
std::atomic<bool> g_running{false};
std::mutex g_workerLock;
std::unique_ptr<CWorker> g_worker;

// Workers whose stop left connections behind: each goes away on a thread of its own
// once those end, so that the job ends at the stop.
std::mutex g_retiredLock;
std::condition_variable g_retiredGone;
int g_retiredCount = 0;

void Retire(std::unique_ptr<CWorker> worker) {
    {
        std::lock_guard lock(g_retiredLock);
        ++g_retiredCount;
    }
    std::thread([worker = std::move(worker)]() mutable {
        worker.reset();
        {
            std::lock_guard lock(g_retiredLock);
            --g_retiredCount;
        }
        g_retiredGone.notify_all();
    }).detach();
}

bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

DownloadJob::~DownloadJob() {
    if (completionEvent) CloseHandle(completionEvent);
}

void ResetDownloadEvent(DownloadJob& job) {
    if (job.completionEvent) CloseHandle(job.completionEvent);
    job.completionEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    job.result = 0;
    if (job.completionEvent) ResetEvent(job.completionEvent);
}

bool PrepareDownloadTarget(const std::wstring& targetPath, std::wstring& outPath, bool skipExisting) {
    const bool exists = GetFileAttributesW(targetPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    bool result = true;
    if (!skipExisting) {
        if (exists && !DeleteFileW(targetPath.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    } else if (exists) {
        result = false;
    }
    SetUnconfirmedSuffix(targetPath, true, false, &outPath);
    return result;
}

bool SetUnconfirmedSuffix(const std::wstring& path, bool add, bool rename, std::wstring* newPath) {
    const std::wstring original = path;
    std::wstring changed = path;
    if (add) {
        changed += UnconfirmedSuffix;
    } else if (EndsWith(changed, UnconfirmedSuffix)) {
        // Only the suffix we added: a ".unconfirmed" inside a folder name stays.
        changed.resize(changed.size() - (sizeof(UnconfirmedSuffix) / sizeof(wchar_t) - 1));
    }
    if (newPath) *newPath = changed;
    if (!rename || changed == original) return true;
    return MoveFileExW(original.c_str(), changed.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

int CommitDownloadedFile(const std::wstring& pathWithSuffix) {
    return SetUnconfirmedSuffix(pathWithSuffix, false, true) ? 1 : 0;
}

int AutoAnswerPrompt(int, const std::wstring&, int style, int, int) { return style == 0 ? IDOK : IDNO; }

bool RunDownloadJob(const DownloadSettings& settings, DownloadProgressFunction progress, DownloadEnd* end) {
    if (settings.connections >= 1 && settings.connections <= 10) SetDownloadConnectionCount(settings.connections);
    if (settings.blockSize != 0) SetDownloadBlockSize(settings.blockSize);
    CWorker* worker = nullptr;
    {
        std::lock_guard lock(g_workerLock);
        g_worker.reset();
        g_worker = std::make_unique<CWorker>();
        worker = g_worker.get();
    }
    worker->verify = settings.verify;
    worker->SetSettings(&settings);
    DownloadCallbacks callbacks;
    callbacks.progress = std::move(progress);
    callbacks.finished = [](const DownloadProgressInfo&, int) { return true; };
    callbacks.prompt = AutoAnswerPrompt;
    callbacks.control = [](const std::vector<DownloadControlState>&) { return 1; };
    worker->SetCallbacks(std::move(callbacks));
    bool result = false;
    if (worker->StartRun()) result = worker->WaitUntilDone();
    if (end) *end = DownloadEnd{worker->FinishedKind(), worker->FinishedText()};
    std::lock_guard lock(g_workerLock);
    if (worker->LeftConnectionsBehind()) Retire(std::move(g_worker));
    g_worker.reset();
    return result;
}

int RunDownload(DownloadJob& job, const std::wstring& url, const std::wstring& targetPath,
                const std::wstring& expectedDigest, int connections, bool verify, int blockSize,
                DownloadProgressFunction progress) {
    std::lock_guard lock(g_downloadLock);
    if (!((!url.empty() && !targetPath.empty() && !verify) || !expectedDigest.empty())) return 0;
    if (url.empty() || targetPath.empty()) return 0;
    ResetDownloadEvent(job);
    job.stop = false;
    job.running = true;
    job.endKind = -1;
    job.endText.clear();
    SetDownloadEnded(false);
    int result = 0;
    DownloadEnd end;
    try {
        DownloadSettings settings;
        settings.url = url;
        settings.targetPath = targetPath;
        settings.expectedDigest = expectedDigest;
        settings.connections = connections;
        settings.verify = verify;
        settings.blockSize = blockSize;
        g_running = true;
        result = RunDownloadJob(settings, progress ? std::move(progress) : DownloadProgressFunction(DownloadProgressCallback),
                                &end)
                     ? 1
                     : 0;
    } catch (...) {
        result = 0;
    }
    g_running = false;
    job.result = result;
    job.endKind = end.kind;
    job.endText = end.text;
    job.running = false;
    SetEvent(job.completionEvent);
    SetDownloadEnded(true);
    return result;
}

int StopDownloadJob(DownloadJob& job) {
    try {
        job.stop = true;
        if (g_running) {
            std::lock_guard lock(g_workerLock);
            if (g_worker) g_worker->StopDownload();
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

bool StopRunningDownload(DownloadJob& job, DWORD milliseconds) {
    if (!job.running) return true;
    const ULONGLONG start = GetTickCount64();
    StopDownloadJob(job);
    const ULONGLONG spent = GetTickCount64() - start;
    if (job.running && spent < milliseconds) WaitForDownloadJob(job, static_cast<DWORD>(milliseconds - spent));
    return !job.running;
}

bool WaitForStoppedDownloadsToEnd(DWORD milliseconds) {
    std::unique_lock lock(g_retiredLock);
    return g_retiredGone.wait_for(lock, std::chrono::milliseconds(milliseconds), [] { return g_retiredCount == 0; });
}

bool WaitForDownloadJob(DownloadJob& job, DWORD milliseconds) {
    return WaitPumpingSentMessages(job.completionEvent, milliseconds);
}

bool IsInternetConnected() {
    WinInetEntryPoints entryPoints;
    entryPoints.Load();
    return QueryOnline(entryPoints, true);
}

BOOL FreeLibraryHandle(HMODULE* module) {
    if (!module || !*module) return 0;
    const BOOL result = FreeLibrary(*module);
    *module = nullptr;
    return result;
}
