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
};

using DownloadProgressFunction = std::function<bool(const DownloadProgressInfo&)>;

inline constexpr wchar_t UnconfirmedSuffix[] = L".unconfirmed";

void ResetDownloadEvent(DownloadJob& job);
bool PrepareDownloadTarget(const std::wstring& targetPath, std::wstring& outPath, bool skipExisting);
// 1 on success, else 0. Runs on the caller's thread until the job has ended.
int RunDownload(DownloadJob& job, const std::wstring& url, const std::wstring& targetPath,
                const std::wstring& expectedDigest, int connections, bool verify, int blockSize,
                DownloadProgressFunction progress = nullptr);
bool RunDownloadJob(const DownloadSettings& settings, DownloadProgressFunction progress);
int StopDownloadJob(DownloadJob& job);
// Waits for the job's end while answering messages sent to this thread's windows.
bool WaitForDownloadJob(DownloadJob& job, DWORD milliseconds);

// Adds the suffix, or cuts a trailing one; with rename moves the file. False when
// the rename failed.
bool SetUnconfirmedSuffix(const std::wstring& path, bool add, bool rename, std::wstring* newPath = nullptr);
// 1 when the file now has its final name, 0 when the rename failed.
int CommitDownloadedFile(const std::wstring& pathWithSuffix);

int AutoAnswerPrompt(int percent, const std::wstring& key, int style, int icon, int defaultAnswer);
bool IsInternetConnected();
BOOL FreeLibraryHandle(HMODULE* module);
