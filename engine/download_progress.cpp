#include "engine/download_progress.h"

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "platform/checked_format.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<DownloadProgressWindow*> g_window{nullptr};
std::atomic<bool> g_ended{true};

std::wstring FormatWithValue(const wchar_t* key, double value) {
    return FormatChecked(GetLangString(key, kResourceStringSection), {value});
}

}  // namespace

void SetDownloadProgressWindow(DownloadProgressWindow* window) { g_window = window; }
DownloadProgressWindow* GetDownloadProgressWindow() { return g_window; }
void SetDownloadEnded(bool ended) { g_ended = ended; }
bool IsDownloadEnded() { return g_ended; }

void UpdateDownloadProgress(int percent, DownloadProgressWindow& window) {
    const int count = window.PackageCount();
    int overall = percent;
    if (count > 0) overall = 100 / count * (window.CurrentPackageNumber() - 1) + percent / count;
    window.SetOverallPercent(overall);
}

std::wstring FormatByteSize(double bytes) {
    if (bytes <= 0) return {};
    if (bytes > 1073741824.0) return FormatWithValue(L"IDS_GB", bytes / 1073741824.0);
    if (bytes > 1048576.0) return FormatWithValue(L"IDS_COUNT_MB", bytes / 1048576.0);
    if (bytes > 1024.0) return FormatWithValue(L"IDS_COUNT_KB", bytes / 1024.0);
    wchar_t text[64] = {};
    _snwprintf(text, 63, L"%f", bytes);
    return text;
}

bool DownloadProgressCallback(const DownloadProgressInfo& info) {
    DownloadProgressWindow* window = g_window;
    if (info.totalBytes <= 0 || info.downloadedBytes <= 0 || !window || !window->IsOpen() ||
        window->Cancelled() || g_ended)
        return true;
    std::wstring downloaded = FormatByteSize(static_cast<double>(info.downloadedBytes));
    if (downloaded.empty()) downloaded = L"0 KB";
    const std::wstring total = FormatByteSize(static_cast<double>(info.totalBytes));
    const std::wstring text =
        FormatChecked(GetLangString(L"IDS_DOWNLOADED_OF", kResourceStringSection), {downloaded, total});
    UpdateDownloadProgress(info.percent, *window);
    window->AppendStatusRow(text, false, false);
    return true;
}
