// The server header first: Winsock must come before windows.h.
#include "tools/http_stand_in_server.h"

#include "engine/chunk_state_file.h"
#include "engine/download_job.h"
#include "engine/download_pacing.h"
#include "engine/wininet_entry_points.h"
#include "platform/scoped_handle.h"
#include "tests/support/message_wait.h"
#include "tests/support/scoped_temp_folder.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <atomic>
#include <random>
#include <functional>
#include <set>
#include <string>
#include <thread>

namespace {

BOOL WINAPI AlwaysOnline(LPDWORD flags, DWORD) {
    *flags = INTERNET_CONNECTION_LAN;
    return TRUE;
}

// Bytes without a period, so a range written at a wrong offset shows.
std::string PackageBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

constexpr std::size_t kThreeMiB = 3 * 1024 * 1024;
constexpr std::int64_t kBlockSize = 65536;
// How long a test waits for a download to reach the state it acts in.
constexpr DWORD kEventWaitMs = 30000;

class SegmentedDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetConnectedStateProbe(&AlwaysOnline);
        DownloadPacing pacing;
        pacing.sleep = [](DWORD) {};
        pacing.requestTimeoutMilliseconds = 2000;
        SetDownloadPacing(pacing);
        server.Files().PutFile("/pkg.bin", content);
        ASSERT_TRUE(server.Start());
        target = folder.File(L"pkg.bin");
        ASSERT_TRUE(PrepareDownloadTarget(target, unconfirmed, false));
    }
    void TearDown() override {
        SetConnectedStateProbe(nullptr);
        SetDownloadPacing(DownloadPacing());
    }

    int Download(int connections, const std::wstring& digest = L"",
                 std::function<void(const DownloadProgressInfo&)> progress = nullptr) {
        return RunDownload(job, server.Url("/pkg.bin"), unconfirmed, digest, connections, false, kBlockSize,
                           [progress](const DownloadProgressInfo& info) {
                               if (progress) progress(info);
                               return true;
                           });
    }

    std::set<std::string> RangesAsked() const {
        std::set<std::string> ranges;
        for (const LoggedRequest& request : server.Log()) {
            if (request.method == "GET") ranges.insert(request.range);
        }
        return ranges;
    }

    std::wstring ChunkFile() const { return folder.File(L"pkg.bin.unconfirmed_chunks.txt"); }

    // The resume file's missing ranges as the Range headers a resume asks for; the
    // bytes it counts as written and the missing ones make up the whole package.
    std::set<std::string> MissingRanges(ChunkState& state) const {
        std::set<std::string> missing;
        EXPECT_TRUE(ReadChunkStateFile(ChunkFile(), 4, state));
        std::int64_t missingBytes = 0;
        for (const ChunkRange& range : state.ranges) {
            missing.insert("bytes=" + std::to_string(range.start) + "-" +
                           std::to_string(range.start + range.length - 1));
            missingBytes += range.length;
        }
        EXPECT_EQ(state.totalDownloaded + missingBytes, static_cast<std::int64_t>(kThreeMiB));
        return missing;
    }

    std::string content = PackageBytes(kThreeMiB, 7);
    HttpStandInServer server;
    ScopedTempFolder folder;
    std::wstring target, unconfirmed;
    DownloadJob job;
};

TEST_F(SegmentedDownloadTest, FourConnectionsFetchTheirRangesIntoAnIdenticalFile) {
    ASSERT_EQ(Download(4), 1);
    EXPECT_EQ(ReadFileBytes(unconfirmed), content);
    EXPECT_EQ(RangesAsked(), (std::set<std::string>{"bytes=0-786431", "bytes=786432-1572863",
                                                    "bytes=1572864-2359295", "bytes=2359296-3145727"}));
    EXPECT_EQ(server.Log().front().method, "HEAD");
    EXPECT_FALSE(PathExists(ChunkFile()));
    EXPECT_EQ(WaitForSingleObject(job.completionEvent, 0), WAIT_OBJECT_0);

    EXPECT_EQ(CommitDownloadedFile(unconfirmed), 1);
    EXPECT_EQ(ReadFileBytes(target), content);
    EXPECT_FALSE(PathExists(unconfirmed));
}

TEST_F(SegmentedDownloadTest, FilesBelowOneMebibyteUseOneConnection) {
    content = PackageBytes(1048575, 3);
    server.Files().PutFile("/pkg.bin", content);
    ASSERT_EQ(Download(4), 1);
    EXPECT_EQ(RangesAsked(), (std::set<std::string>{"bytes=0-1048574"}));
    EXPECT_EQ(ReadFileBytes(unconfirmed), content);
}

// Every fault hits the range that starts at 786432 once; the sound end is the
// same file, with the retry asking only for what was still missing.
TEST_F(SegmentedDownloadTest, FaultyRangeAnswersAreRetriedNeverWrittenAtTheWrongPlace) {
    struct Case {
        const char* name;
        FileFault fault;
        std::uint64_t amount;
        unsigned stall;
        const char* retryRange;
    } cases[] = {
        {"range ignored", FileFault::IgnoreRange, 0, 0, "bytes=786432-1572863"},
        {"wrong start", FileFault::WrongRangeStart, 1000, 0, "bytes=786432-1572863"},
        {"short body", FileFault::ShortBody, 1000, 0, "bytes=787432-1572863"},
        {"dropped", FileFault::DropAfter, 70000, 0, "bytes=856432-1572863"},
        {"stalled", FileFault::Stall, 65536, 5000, "bytes=851968-1572863"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.ClearLog();
        FileFaultRule rule = MakeFault(c.fault, "/pkg.bin", c.amount);
        rule.rangeStart = 786432;
        rule.stallMilliseconds = c.stall;
        server.Files().AddFault(rule);
        ASSERT_EQ(Download(4), 1);
        EXPECT_EQ(ReadFileBytes(unconfirmed), content);
        EXPECT_EQ(RangesAsked().count(c.retryRange), 1u);
        ASSERT_TRUE(PrepareDownloadTarget(target, unconfirmed, false));
        DeleteFileW(unconfirmed.c_str());
    }
}

TEST_F(SegmentedDownloadTest, UnusableLengthsAndDeafServersFailCleanly) {
    struct Case {
        const char* name;
        FileFaultRule rule;
    };
    FileFaultRule zero = MakeFault(FileFault::DeclaredLength, "/pkg.bin");
    zero.declaredLength = "0";
    FileFaultRule huge = MakeFault(FileFault::DeclaredLength, "/pkg.bin");
    huge.declaredLength = "2147483648";
    FileFaultRule alwaysWhole = MakeFault(FileFault::IgnoreRange, "/pkg.bin");
    alwaysWhole.times = -1;
    FileFaultRule missing = MakeFault(FileFault::HeadStatus, "/pkg.bin", 404);
    missing.times = -1;
    const Case cases[] = {{"length 0", zero}, {"length 2^31", huge}, {"ranges ignored", alwaysWhole},
                          {"not found", missing}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Files().ClearFaults();
        server.Files().AddFault(c.rule);
        EXPECT_EQ(Download(4), 0);
        EXPECT_EQ(WaitForSingleObject(job.completionEvent, 0), WAIT_OBJECT_0);
    }
}

TEST_F(SegmentedDownloadTest, StopLeavesAResumeFileAndTheNextRunFetchesOnlyWhatIsMissing) {
    // The last range stalls, so the stop finds the transfer under way.
    FileFaultRule stall = MakeFault(FileFault::Stall, "/pkg.bin", 100000);
    stall.rangeStart = 2359296;
    stall.stallMilliseconds = 1500;
    server.Files().AddFault(stall);
    // WinInet keeps threads of its own once used; count ours against a warm state.
    ASSERT_EQ(RunDownload(job, server.Url("/pkg.bin"), folder.File(L"warm.bin"), L"", 1, false, 65536,
                          [](const DownloadProgressInfo&) { return true; }),
              1);
    server.ClearLog();
    // The server's own connection threads are not the download's: count without them.
    const unsigned short port = server.Port();
    server.Stop();
    const int threadsBefore = ThreadCount();
    ASSERT_TRUE(server.Start(port));

    int result = -1;
    // The stop comes once the three other ranges are written whole and the stalled
    // one has written its first block.
    UniqueHandle reached(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const std::int64_t stopAt = 2359296 + kBlockSize;
    std::thread runner([&] {
        result = Download(4, L"", [&](const DownloadProgressInfo& info) {
            if (info.downloadedBytes >= stopAt) SetEvent(reached.Get());
        });
    });
    const bool reachedInTime = WaitForSingleObject(reached.Get(), kEventWaitMs) == WAIT_OBJECT_0;
    StopDownloadJob(job);
    EXPECT_TRUE(reachedInTime) << "the download never reached the stalled range's first block";
    EXPECT_TRUE(WaitForDownloadJob(job, 30000));
    runner.join();
    EXPECT_EQ(result, 0);
    server.Stop();
    EXPECT_TRUE(WaitForStoppedDownloadsToEnd(kEventWaitMs));
    EXPECT_EQ(ThreadCount(), threadsBefore);
    ASSERT_TRUE(server.Start(port));

    ChunkState state;
    const std::set<std::string> missing = MissingRanges(state);
    ASSERT_FALSE(state.ranges.empty());
    // The stalled range keeps what it received before the stall.
    const ChunkRange& stalled = state.ranges.back();
    EXPECT_GT(stalled.start, 2359296);
    EXPECT_EQ(stalled.start + stalled.length, static_cast<std::int32_t>(kThreeMiB));

    server.ClearLog();
    ASSERT_EQ(Download(4), 1);
    EXPECT_EQ(RangesAsked(), missing);
    EXPECT_EQ(ReadFileBytes(unconfirmed), content);
    EXPECT_FALSE(PathExists(ChunkFile()));
}

// A stop takes effect at once even while a read waits on a server that has gone
// quiet, and the resume file it leaves serves the next run.
TEST_F(SegmentedDownloadTest, StopEndsTheJobWithinTwoSecondsWhileTheServerStalls) {
    DownloadPacing pacing;
    pacing.sleep = [](DWORD) {};
    SetDownloadPacing(pacing);  // the shipped request time-out, far beyond the stop's bound
    FileFaultRule stall = MakeFault(FileFault::Stall, "/pkg.bin", 100000);
    stall.rangeStart = 786432;
    stall.stallMilliseconds = 120000;
    server.Files().AddFault(stall);

    int result = -1;
    std::thread runner([&] { result = Download(4); });
    const bool stalled = server.WaitUntilStalled(kEventWaitMs);
    const ULONGLONG start = GetTickCount64();
    const bool ended = StopRunningDownload(job, 2000);
    const ULONGLONG took = GetTickCount64() - start;
    // A stop that failed must not hold the test for the whole stall.
    const unsigned short port = server.Port();
    if (!ended) server.Stop();
    runner.join();
    EXPECT_TRUE(stalled) << "the second range never reached its stall";
    EXPECT_TRUE(ended) << "the stop took " << took << " ms";
    EXPECT_EQ(result, 0);

    ChunkState state;
    const std::set<std::string> missing = MissingRanges(state);

    // The read the stop left behind ends with the stall and brings nothing more.
    server.Stop();
    EXPECT_TRUE(WaitForStoppedDownloadsToEnd(kEventWaitMs));
    ASSERT_TRUE(server.Start(port));
    server.Files().ClearFaults();
    server.ClearLog();
    ASSERT_EQ(Download(4), 1);
    EXPECT_EQ(RangesAsked(), missing);
    EXPECT_EQ(ReadFileBytes(unconfirmed), content);
    EXPECT_FALSE(PathExists(ChunkFile()));
}

TEST_F(SegmentedDownloadTest, ResumeFilesThatDoNotFitThePackageAreRefused) {
    ASSERT_TRUE(WriteFileBytes(unconfirmed, std::string(kThreeMiB, '\0')));
    struct Case {
        const char* name;
        std::wstring text;
    } cases[] = {
        {"range beyond the end", FormatThreadSection(0, 3145000, 1000) + FormatGlobalSection(3144000, L"")},
        {"ranges and total disagree", FormatThreadSection(0, 0, 1000) + FormatGlobalSection(5, L"")},
        {"not a number", L"[Thread 00]\r\nStartPos=x\r\nChunkLength=5\r\n" + FormatGlobalSection(0, L"")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(ChunkFile().c_str());
        ASSERT_TRUE(WriteFileBytes(unconfirmed, std::string(kThreeMiB, '\0')));
        ASSERT_TRUE(AppendChunkText(ChunkFile(), c.text, false));
        server.ClearLog();
        ASSERT_EQ(Download(1), 1);
        EXPECT_EQ(RangesAsked(), (std::set<std::string>{"bytes=0-3145727"}));
        EXPECT_EQ(ReadFileBytes(unconfirmed), content);
    }
}

TEST_F(SegmentedDownloadTest, DigestDecidesWhetherTheFileIsKept) {
    const std::wstring md5 = L"00000000000000000000000000000000";
    EXPECT_EQ(Download(4, md5), 0);
    EXPECT_FALSE(PathExists(unconfirmed));
    // Empty input digests: the file must really match.
    server.Files().PutFile("/pkg.bin", "abc");
    content = "abc";
    EXPECT_EQ(Download(1, L"900150983CD24FB0D6963F7D28E17F72"), 1);
    EXPECT_EQ(Download(1, L"a9993e364706816aba3e25717850c26c9cd0d89d"), 1);
    EXPECT_EQ(ReadFileBytes(unconfirmed), "abc");
}

TEST_F(SegmentedDownloadTest, ChangedContentUnderAResumeIsNeverKept) {
    FileFaultRule stall = MakeFault(FileFault::Stall, "/pkg.bin", 10000);
    stall.rangeStart = 0;
    stall.stallMilliseconds = 1500;
    server.Files().AddFault(stall);
    server.ClearLog();
    std::thread runner([&] { Download(4); });
    const bool stalled = server.WaitUntilStalled(kEventWaitMs);
    StopDownloadJob(job);
    runner.join();
    EXPECT_TRUE(stalled) << "the first range never reached its stall";
    ASSERT_TRUE(PathExists(ChunkFile()));

    // The server now has other bytes of the same length; the digest the run knows
    // is not theirs mixed with the old ones, so nothing is kept.
    server.Files().PutFile("/pkg.bin", PackageBytes(kThreeMiB, 8));
    EXPECT_EQ(Download(4, L"00000000000000000000000000000000"), 0);
    EXPECT_FALSE(PathExists(unconfirmed));
    EXPECT_FALSE(PathExists(ChunkFile()));
}

// One connection, and each fault hits the first request 100000 bytes in, which is
// inside the second 65536-byte block: the next request starts right after the last
// byte that arrived (after a stall, the last whole block read: 65536), and the file
// comes out byte for byte.
TEST_F(SegmentedDownloadTest, BytesThatArrivedCountWhateverEndedTheRequest) {
    const struct {
        const char* name;
        FileFault fault;
        unsigned stall;
        const char* retryRange;
    } cases[] = {
        {"stalled longer than the request time-out", FileFault::Stall, 60000, "bytes=65536-3145727"},
        {"connection dropped", FileFault::DropAfter, 0, "bytes=100000-3145727"},
        {"short body", FileFault::ShortBody, 0, "bytes=100000-3145727"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.ClearLog();
        FileFaultRule rule = MakeFault(c.fault, "/pkg.bin", 100000);
        rule.stallMilliseconds = c.stall;
        server.Files().AddFault(rule);
        ASSERT_EQ(Download(1), 1);
        EXPECT_EQ(ReadFileBytes(unconfirmed), content);
        EXPECT_EQ(RangesAsked(), (std::set<std::string>{"bytes=0-3145727", c.retryRange}));
        ASSERT_TRUE(PrepareDownloadTarget(target, unconfirmed, false));
        DeleteFileW(unconfirmed.c_str());
    }
}

// A server that goes silent costs the no-progress limit, not hours; one that keeps
// sending a little before every stall is never cut off.
TEST_F(SegmentedDownloadTest, OnlyTimeWithoutAnyByteEndsTheDownload) {
    DownloadPacing pacing = GetDownloadPacing();
    pacing.requestTimeoutMilliseconds = 500;
    pacing.noProgressLimitMilliseconds = 2500;
    SetDownloadPacing(pacing);

    FileFaultRule trickle = MakeFault(FileFault::Stall, "/pkg.bin", 400000);
    trickle.stallMilliseconds = 60000;
    trickle.times = -1;
    server.Files().AddFault(trickle);
    const ULONGLONG trickleStart = GetTickCount64();
    ASSERT_EQ(Download(1), 1);
    EXPECT_GT(GetTickCount64() - trickleStart, 2500u);  // longer than the limit, and still done
    EXPECT_EQ(ReadFileBytes(unconfirmed), content);

    server.Files().ClearFaults();
    FileFaultRule silent = MakeFault(FileFault::Stall, "/pkg.bin", 300000);
    silent.stallMilliseconds = 60000;
    silent.rangeStart = 0;
    server.Files().AddFault(silent);
    FileFaultRule silentAfter = MakeFault(FileFault::Stall, "/pkg.bin", 0);
    silentAfter.stallMilliseconds = 60000;
    silentAfter.times = -1;
    server.Files().AddFault(silentAfter);
    ASSERT_TRUE(PrepareDownloadTarget(target, unconfirmed, false));
    const ULONGLONG silentStart = GetTickCount64();
    EXPECT_EQ(Download(1), 0);
    EXPECT_LT(GetTickCount64() - silentStart, 15000u);
    EXPECT_EQ(job.endKind, kFinishStoppedAfterNetworkErrors);
    EXPECT_EQ(job.endText, kNoProgressText);
    // What did arrive stays for the next try.
    ChunkState state;
    ASSERT_TRUE(ReadChunkStateFile(ChunkFile(), 1, state));
    EXPECT_EQ(state.totalDownloaded, 262144);  // the whole blocks read before the silence
    server.Files().ClearFaults();
    server.ClearLog();
    ASSERT_EQ(Download(1), 1);
    EXPECT_EQ(RangesAsked(), (std::set<std::string>{"bytes=262144-3145727"}));
    EXPECT_EQ(ReadFileBytes(unconfirmed), content);
}

// The stop thread never waits longer than its bound, and a job whose connection
// waits on a silent server still ends as stopped, at the latest when that request
// times out (Windows aborts the request at once; Wine only at its time-out).
TEST_F(SegmentedDownloadTest, StopWaitsWithABoundAndTheJobEndsAsStopped) {
    DownloadPacing pacing = GetDownloadPacing();
    pacing.requestTimeoutMilliseconds = 3000;
    SetDownloadPacing(pacing);
    EXPECT_TRUE(StopRunningDownload(job, 5000));  // nothing runs: nothing to wait for

    struct Case {
        const char* name;
        FileFaultRule rule;
    };
    FileFaultRule midBody = MakeFault(FileFault::Stall, "/pkg.bin", 100000);
    midBody.stallMilliseconds = 60000;
    FileFaultRule beforeBody = MakeFault(FileFault::Stall, "/pkg.bin", 0);
    beforeBody.stallMilliseconds = 60000;
    const Case cases[] = {{"in the body", midBody}, {"before the body", beforeBody}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Files().ClearFaults();
        server.Files().AddFault(c.rule);
        server.ClearLog();
        ASSERT_TRUE(PrepareDownloadTarget(target, unconfirmed, false));
        DeleteFileW(ChunkFile().c_str());
        int result = -1;
        std::thread runner([&] { result = Download(4); });
        PumpMessagesUntil([&] { return RangesAsked().size() >= 4; }, 10000);
        EXPECT_EQ(RangesAsked().size(), 4u) << "the four connections never asked for their ranges";
        // The stop meets the connections waiting inside a read, not before it.
        EXPECT_TRUE(server.WaitUntilStalled(10000));
        const ULONGLONG start = GetTickCount64();
        StopRunningDownload(job, 1500);
        EXPECT_LT(GetTickCount64() - start, 2500u);
        runner.join();
        EXPECT_LT(GetTickCount64() - start, 8000u);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(job.endKind, kFinishStoppedByUser);
        EXPECT_TRUE(PathExists(ChunkFile()));
    }
}

TEST(DownloadTarget, SuffixIsAddedAndOnlyATrailingOneIsRemoved) {
    ScopedTempFolder folder;
    const std::wstring inner = folder.File(L"x.unconfirmed");
    ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
    std::wstring out;
    ASSERT_TRUE(PrepareDownloadTarget(inner + L"\\pkg.zip", out, false));
    EXPECT_EQ(out, inner + L"\\pkg.zip.unconfirmed");
    ASSERT_TRUE(WriteFileBytes(out, "data"));
    EXPECT_EQ(CommitDownloadedFile(out), 1);
    EXPECT_EQ(ReadFileBytes(inner + L"\\pkg.zip"), "data");

    EXPECT_EQ(CommitDownloadedFile(inner + L"\\missing.zip.unconfirmed"), 0);
    EXPECT_FALSE(PrepareDownloadTarget(inner + L"\\pkg.zip", out, true));
    EXPECT_EQ(out, inner + L"\\pkg.zip.unconfirmed");
}

}  // namespace
