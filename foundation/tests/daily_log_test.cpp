#include "foundation/daily_log.h"
#include "foundation/folders.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>

#include "tests/support/manual_clock.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

// The log's bytes for ASCII text: UTF-16 little-endian, no byte-order mark.
std::string Utf16Le(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

std::string AsciiOf(const std::string& utf16) {
    std::string ascii;
    for (size_t i = 0; i + 1 < utf16.size(); i += 2) ascii += utf16[i];
    return ascii;
}

void SetWriteTime(const std::wstring& path, int daysAgo) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{};
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    ticks.QuadPart -= static_cast<ULONGLONG>(daysAgo) * 86400ULL * 10000000ULL;
    const FILETIME then{ticks.LowPart, ticks.HighPart};
    SetFileTime(file, nullptr, nullptr, &then);
    CloseHandle(file);
}

class DailyLogTest : public ::testing::Test {
protected:
    AppLogFile::FolderSource Folder() const {
        return [this] { return temp_.Path(); };
    }
    std::wstring TodaysFile() const { return temp_.File(L"log_03-07-2026.log"); }

    ScopedTempFolder temp_;
    ManualClock clock_{0, ManualClock::Make(2026, 3, 7, 14, 5, 9)};
};

TEST_F(DailyLogTest, WritesNumberedTimeStampedLinesAndClosesTheRun) {
    {
        AppLogFile log(Folder());
        log.OpenDailyLog(L"Application Started");
        log.WriteLogText(L"");  // skipped, and not counted
        clock_.SetLocalTime(ManualClock::Make(2026, 3, 8, 0, 0, 1));
        log.OpenDailyLog(L"after midnight: same file");
        log.CloseLogFile();
        log.WriteLogText(L"after closing");  // dropped
    }
    EXPECT_EQ(ReadFileBytes(TodaysFile()),
              Utf16Le("1   14:05:09   |  Application Started\r\n"
                      "2   00:00:01   |  after midnight: same file\r\n"
                      "3   00:00:01   |  Closing Log\r\n\r\n\r\n"));
    EXPECT_FALSE(PathExists(temp_.File(L"log_03-08-2026.log")));
}

TEST_F(DailyLogTest, ASecondRunTheSameDayAppendsAndCountsFromOne) {
    {
        AppLogFile first(Folder());
        first.OpenDailyLog(L"first run");
    }
    clock_.SetLocalTime(ManualClock::Make(2026, 3, 7, 18, 30, 0));
    {
        AppLogFile second(Folder());
        second.OpenDailyLog(L"second run");
    }
    EXPECT_EQ(AsciiOf(ReadFileBytes(TodaysFile())),
              "1   14:05:09   |  first run\r\n"
              "2   14:05:09   |  Closing Log\r\n\r\n\r\n"
              "1   18:30:00   |  second run\r\n"
              "2   18:30:00   |  Closing Log\r\n\r\n\r\n");
}

TEST_F(DailyLogTest, TwoOpenLogsOfOneDayKeepEachOthersLines) {
    AppLogFile first(Folder());
    AppLogFile second(Folder());
    first.OpenDailyLog(L"a1");
    second.OpenDailyLog(L"b1");
    first.OpenDailyLog(L"a2");
    second.OpenDailyLog(L"b2");
    first.CloseLogFile();
    second.CloseLogFile();
    const std::string text = AsciiOf(ReadFileBytes(TodaysFile()));
    for (const char* line : {"1   14:05:09   |  a1\r\n", "1   14:05:09   |  b1\r\n", "2   14:05:09   |  a2\r\n",
                             "2   14:05:09   |  b2\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

TEST_F(DailyLogTest, TextIsWrittenAsItIsNeverAsAFormat) {
    AppLogFile log(Folder());
    log.OpenDailyLog(L"100% done %s %n %ls");
    log.CloseLogFile();
    EXPECT_EQ(AsciiOf(ReadFileBytes(TodaysFile())).find("1   14:05:09   |  100% done %s %n %ls\r\n2   "), 0u);
}

TEST_F(DailyLogTest, RetentionKeepsTheFiveNewestLogsBeforeTheDaysFileOpens) {
    for (int age = 1; age <= 7; ++age) {
        const std::wstring name = temp_.File(L"old" + std::to_wstring(age) + L".log");
        ASSERT_TRUE(WriteFileBytes(name, "x"));
        SetWriteTime(name, age);
    }
    ASSERT_TRUE(WriteFileBytes(temp_.File(L"notes.txt"), "x"));
    SetWriteTime(temp_.File(L"notes.txt"), 30);
    // A system file is not the log's to count or delete.
    ASSERT_TRUE(WriteFileBytes(temp_.File(L"system.log"), "x"));
    SetWriteTime(temp_.File(L"system.log"), 40);
    SetFileAttributesW(temp_.File(L"system.log").c_str(), FILE_ATTRIBUTE_SYSTEM);

    AppLogFile log(Folder());
    log.OpenDailyLog(L"start");

    for (int age = 1; age <= 5; ++age) EXPECT_TRUE(PathExists(temp_.File(L"old" + std::to_wstring(age) + L".log")));
    EXPECT_FALSE(PathExists(temp_.File(L"old6.log")));
    EXPECT_FALSE(PathExists(temp_.File(L"old7.log")));
    EXPECT_TRUE(PathExists(temp_.File(L"notes.txt")));
    EXPECT_TRUE(PathExists(temp_.File(L"system.log")));
    EXPECT_TRUE(PathExists(TodaysFile()));
    SetFileAttributesW(temp_.File(L"system.log").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DailyLogTest, EightThreadsWritingAtOnceLoseNoLine) {
    constexpr int kThreads = 8;
    constexpr int kLinesEach = 250;
    {
        AppLogFile log(Folder());
        log.OpenDailyLog(L"start");
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t) {
            writers.emplace_back([&log, t] {
                for (int i = 0; i < kLinesEach; ++i) {
                    log.WriteLogText(L"thread " + std::to_wstring(t) + L" line " + std::to_wstring(i));
                }
            });
        }
        for (auto& writer : writers) writer.join();
    }
    std::istringstream lines(AsciiOf(ReadFileBytes(TodaysFile())));
    std::set<std::string> texts;
    std::set<int> numbers;
    std::string line;
    while (std::getline(lines, line)) {
        const size_t bar = line.find("   |  ");
        if (bar == std::string::npos) continue;
        numbers.insert(std::stoi(line));
        texts.insert(line.substr(bar + 6));
    }
    EXPECT_EQ(numbers.size(), static_cast<size_t>(kThreads * kLinesEach + 2));
    EXPECT_EQ(*numbers.rbegin(), kThreads * kLinesEach + 2);
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLinesEach; ++i) {
            const std::string text = "thread " + std::to_string(t) + " line " + std::to_string(i) + "\r";
            EXPECT_TRUE(texts.count(text)) << text;
        }
    }
}

TEST_F(DailyLogTest, MissingFoldersAreMadeWithoutMovingTheCurrentFolder) {
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    AppLogFile log([this] { return temp_.File(L"a\\b\\c"); });
    log.OpenDailyLog(L"deep");
    EXPECT_TRUE(log.IsOpen());
    EXPECT_TRUE(PathExists(temp_.File(L"a\\b\\c\\log_03-07-2026.log")));
    wchar_t after[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(before, after);
}

TEST(ResolveLogFilePathTest, OnlyRelativePathsMoveIntoTheProgramsFolder) {
    const std::wstring program = L"C:\\Program Files\\Halvenor\\halvenor.exe";
    struct Case {
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {L"C:\\data\\log.log", L"C:\\data\\log.log"},
        {L"\\\\server\\share\\log.log", L"\\\\server\\share\\log.log"},
        {L"logs\\log.log", L"C:\\Program Files\\Halvenor\\logs\\log.log"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveLogFilePath(c.path, program), c.expected) << c.path;
}

TEST(WriteLogLineTest, FormatsWideArgumentsIntoTheProcessLog) {
    // The process's log lives in the data folder; only its line content is checked.
    WriteLogLine(L"%ls has %d drivers", L"machine", 12);
    const std::wstring path = ProcessLog().Path();
    ASSERT_FALSE(path.empty());
    const std::string text = AsciiOf(ReadFileBytes(path));
    EXPECT_NE(text.find("|  machine has 12 drivers\r\n"), std::string::npos);
}

}  // namespace

namespace {

// A test program's own lines stay out of the data folder's log, which the programs
// that end-to-end tests start write and those tests count lines in.
TEST(WriteLogLineTest, ATestProgramLogsApartFromTheDataFolder) {
    WriteLogLine(L"where does this go");
    const std::wstring path = ProcessLog().Path();
    const std::wstring dataFolder = GetUserDataFolderPath();
    ASSERT_FALSE(dataFolder.empty());
    EXPECT_NE(_wcsnicmp(path.c_str(), dataFolder.c_str(), dataFolder.size()), 0) << path;
    EXPECT_NE(path.find(L"halvenor-test-log-" + std::to_wstring(GetCurrentProcessId())), std::wstring::npos) << path;
}

}  // namespace
