// The server header first: Winsock must come before windows.h.
#include "tools/http_stand_in_server.h"

#include "engine/download_job.h"
#include "engine/download_pacing.h"
#include "engine/download_progress.h"
#include "engine/wininet_entry_points.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "tests/support/scoped_temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The shipped English language file is the current one.
class EnglishTexts : public ::testing::Test {
protected:
    void SetUp() override {
        LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
        LanguageFileCache().ClearCache();
    }
    void TearDown() override {
        LanguageFileCache().SetPath(L"");
        LanguageFileCache().ClearCache();
    }
};

TEST_F(EnglishTexts, ByteSizesUseTheUnitAboveWhichTheyLie) {
    struct Case {
        double bytes;
        const wchar_t* expected;
    } cases[] = {
        {0, L""},
        {-1, L""},
        {1024, L"1024.000000"},
        {1536, L"1.50 KB"},
        {1048576, L"1024.00 KB"},
        {1572864, L"1.50 MB"},
        {1073741824, L"1024.00 MB"},
        {3221225472.0, L"3.00 GB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(FormatByteSize(c.bytes), c.expected);
    }
}

class RecordingWindow : public DownloadProgressWindow {
public:
    RecordingWindow() {
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~RecordingWindow() override {
        if (window_) DestroyWindow(window_);
    }
    bool IsOpen() const override { return IsWindow(window_) != FALSE; }
    bool Cancelled() const override { return cancelled; }
    int PackageCount() const override { return 4; }
    int CurrentPackageNumber() const override { return 2; }
    void SetOverallPercent(int percent) override { overall = percent; }
    void AppendStatusRow(const std::wstring& text, bool newRow, bool log) override {
        rows.push_back(text);
        EXPECT_FALSE(newRow);
        EXPECT_FALSE(log);
    }

    bool cancelled = false;
    int overall = -1;
    std::vector<std::wstring> rows;

private:
    HWND window_ = nullptr;
};

TEST_F(EnglishTexts, ProgressShowsTheCountsOnlyWhileTheWindowWaitsForThem) {
    RecordingWindow window;
    ASSERT_TRUE(window.IsOpen());
    SetDownloadProgressWindow(&window);
    SetDownloadEnded(false);
    DownloadProgressInfo info;
    info.downloadedBytes = 1536;
    info.totalBytes = 3145728;
    info.percent = 40;
    EXPECT_TRUE(DownloadProgressCallback(info));
    EXPECT_EQ(window.rows, (std::vector<std::wstring>{L"1.50 KB of 3.00 MB downloaded"}));
    // The second of four packages at 40 %: a quarter done plus a tenth.
    EXPECT_EQ(window.overall, 35);

    DownloadProgressInfo status = info;
    status.downloadedBytes = -1;
    status.text = L"IDS_DOWNLOADING_FILE";
    EXPECT_TRUE(DownloadProgressCallback(status));
    window.cancelled = true;
    EXPECT_TRUE(DownloadProgressCallback(info));
    window.cancelled = false;
    SetDownloadEnded(true);
    EXPECT_TRUE(DownloadProgressCallback(info));
    SetDownloadEnded(false);
    SetDownloadProgressWindow(nullptr);
    EXPECT_TRUE(DownloadProgressCallback(info));
    EXPECT_EQ(window.rows.size(), 1u);
    SetDownloadEnded(true);
}

BOOL WINAPI AlwaysOnline(LPDWORD flags, DWORD) {
    *flags = INTERNET_CONNECTION_LAN;
    return TRUE;
}

// The progress a one-connection download of `size` bytes reports with a count.
std::vector<DownloadProgressInfo> CountedProgressOfADownload(std::size_t size) {
    SetConnectedStateProbe(&AlwaysOnline);
    DownloadPacing pacing;
    pacing.sleep = [](DWORD) {};
    SetDownloadPacing(pacing);
    HttpStandInServer server;
    server.Files().PutFile("/pkg.bin", std::string(size, 'x'));
    EXPECT_TRUE(server.Start());
    ScopedTempFolder folder;
    std::wstring target;
    EXPECT_TRUE(PrepareDownloadTarget(folder.File(L"pkg.bin"), target, false));

    std::mutex mutex;
    std::vector<DownloadProgressInfo> counted;
    DownloadJob job;
    EXPECT_EQ(RunDownload(job, server.Url("/pkg.bin"), target, L"", 1, false, 300000,
                          [&](const DownloadProgressInfo& info) {
                              std::lock_guard lock(mutex);
                              if (info.downloadedBytes >= 0) counted.push_back(info);
                              return true;
                          }),
              1);
    SetConnectedStateProbe(nullptr);
    SetDownloadPacing(DownloadPacing());
    return counted;
}

// Every write reports the share of the whole file written so far, never above 100.
TEST_F(EnglishTexts, WritesReportTheirTotalPercentage) {
    const std::size_t size = 1000000;
    const std::vector<DownloadProgressInfo> counted = CountedProgressOfADownload(size);
    ASSERT_FALSE(counted.empty());
    for (const DownloadProgressInfo& info : counted) {
        SCOPED_TRACE(info.downloadedBytes);
        EXPECT_EQ(info.totalBytes, static_cast<std::int64_t>(size));
        const int percent = static_cast<int>(info.downloadedBytes * 100 / static_cast<std::int64_t>(size));
        EXPECT_EQ(info.percent, percent);
        EXPECT_EQ(info.text, std::to_wstring(percent) + L"% done");
    }
    // The completed job reports the whole length once more.
    EXPECT_EQ(counted.back().downloadedBytes, static_cast<std::int64_t>(size));
    EXPECT_EQ(counted.back().text, L"100% done");
}

// A language file as the program reads them: UTF-16LE with a byte-order mark.
std::string LanguageFileBytes(const std::wstring& text) {
    const std::wstring withMark = L"\xFEFF" + text;
    std::string bytes(withMark.size() * sizeof(wchar_t), '\0');
    std::memcpy(bytes.data(), withMark.data(), bytes.size());
    return bytes;
}

// A translator's slip (placeholders of the wrong kind or number, a "%n") shows as
// written; it never makes the download read or write what it was not given.
TEST(BrokenLanguageTexts, ShowTheirPlaceholdersAsWrittenWhileADownloadRuns) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"broken.ini");
    ASSERT_TRUE(WriteFileBytes(path, LanguageFileBytes(L"[RESOURCESTRING]\r\n"
                                                       L"IDS_COUNT_KB=%s%n KB\r\n"
                                                       L"IDS_COUNT_MB=%.2f MB %s %n\r\n"
                                                       L"IDS_GB=%d GB\r\n"
                                                       L"IDS_DOWNLOADED_OF=%ls of %ls %ls %d %n\r\n"
                                                       L"IDS_TOTAL_PERCENTAGE=%s %n %d%% %d\r\n")));
    LanguageFileCache().SetPath(path);
    LanguageFileCache().ClearCache();

    EXPECT_EQ(FormatByteSize(1536), L"%s%n KB");
    EXPECT_EQ(FormatByteSize(1572864), L"1.50 MB %s %n");
    EXPECT_EQ(FormatByteSize(3221225472.0), L"%d GB");

    RecordingWindow window;
    SetDownloadProgressWindow(&window);
    SetDownloadEnded(false);
    DownloadProgressInfo info;
    info.downloadedBytes = 1536;
    info.totalBytes = 1572864;
    info.percent = 40;
    EXPECT_TRUE(DownloadProgressCallback(info));
    SetDownloadEnded(true);
    SetDownloadProgressWindow(nullptr);
    EXPECT_EQ(window.rows, (std::vector<std::wstring>{L"%s%n KB of 1.50 MB %s %n %ls %d %n"}));

    const std::vector<DownloadProgressInfo> counted = CountedProgressOfADownload(100000);
    ASSERT_FALSE(counted.empty());
    EXPECT_EQ(counted.back().text, L"%s %n 100% %d");

    LanguageFileCache().SetPath(L"");
    LanguageFileCache().ClearCache();
}

}  // namespace
