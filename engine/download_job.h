#pragma once

#include "engine/download_worker.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

// One download of the download-and-install window.
struct DownloadJob {
    DownloadJob() = default;
    ~DownloadJob();
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    std::atomic<bool> stop{false};
    HANDLE completionEvent = nullptr;  // manual reset; signalled when RunDownload ends
    std::atomic<int> result{0};
    std::atomic<bool> running{false};  // between the start and the end of RunDownload
    // How the last run ended: the worker's finish kind (-1 when no worker ran) and
    // text, e.g. kNoProgressText for a server that went silent.
    int endKind = -1;
    std::wstring endText;
};

using DownloadProgressFunction = std::function<bool(const DownloadProgressInfo&)>;

void ResetDownloadEvent(DownloadJob& job);
bool PrepareDownloadTarget(const std::wstring& targetPath, std::wstring& outPath, bool skipExisting);
// 1 on success, else 0. Runs on the caller's thread until the job has ended.
int RunDownload(DownloadJob& job, const std::wstring& url, const std::wstring& targetPath,
                const std::wstring& expectedDigest, int connections, bool verify, int blockSize,
                DownloadProgressFunction progress = nullptr);
struct DownloadEnd {
    int kind = -1;
    std::wstring text;
};
bool RunDownloadJob(const DownloadSettings& settings, DownloadProgressFunction progress, DownloadEnd* end = nullptr);
int StopDownloadJob(DownloadJob& job);
// The stop thread's whole task: returns at once when the job does not run;
// otherwise stops it and waits for its end at most `milliseconds`. True when the
// job is not running afterwards.
bool StopRunningDownload(DownloadJob& job, DWORD milliseconds);
// Waits for the job's end while answering messages sent to this thread's windows.
bool WaitForDownloadJob(DownloadJob& job, DWORD milliseconds);
// A stop ends the job at once, even while a silent server holds a read; such reads
// end later on their own. Waits until they have; false when the time ran out.
bool WaitForStoppedDownloadsToEnd(DWORD milliseconds);

// Adds the suffix, or cuts a trailing one; with rename moves the file. False when
// the rename failed.
bool SetUnconfirmedSuffix(const std::wstring& path, bool add, bool rename, std::wstring* newPath = nullptr);
// 1 when the file now has its final name, 0 when the rename failed.
int CommitDownloadedFile(const std::wstring& pathWithSuffix);

int AutoAnswerPrompt(int percent, const std::wstring& key, int style, int icon, int defaultAnswer);
bool IsInternetConnected();
BOOL FreeLibraryHandle(HMODULE* module);
