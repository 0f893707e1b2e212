// The server header first: Winsock must come before windows.h.
#include "tools/http_stand_in_server.h"

#include "engine/chunk_state_file.h"
#include "engine/download_pacing.h"
#include "engine/download_worker.h"
#include "engine/wininet_entry_points.h"
#include "tests/support/scoped_temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace {

std::atomic<DWORD> g_connectedFlags{INTERNET_CONNECTION_LAN};
std::atomic<bool> g_probeFails{false};

BOOL WINAPI SwitchableProbe(LPDWORD flags, DWORD) {
    *flags = g_connectedFlags;
    return g_probeFails ? FALSE : TRUE;
}

std::string PackageBytes(std::size_t size) {
    std::mt19937 random(11);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

struct Prompted {
    std::wstring key;
    int style;
    int icon;
};

// Runs CWorker itself, so the questions it asks and how it ends can be seen.
class DownloadWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_connectedFlags = INTERNET_CONNECTION_LAN;
        g_probeFails = false;
        SetConnectedStateProbe(&SwitchableProbe);
        DownloadPacing pacing;
        pacing.sleep = [](DWORD) {};
        pacing.requestTimeoutMilliseconds = 2000;
        SetDownloadPacing(pacing);
        SetDownloadConnectionCount(1);
        SetDownloadBlockSize(65536);
        server.Files().PutFile("/pkg.bin", content);
        ASSERT_TRUE(server.Start());
        settings.url = server.Url("/pkg.bin");
        settings.targetPath = folder.File(L"pkg.bin.unconfirmed");
    }
    void TearDown() override {
        SetConnectedStateProbe(nullptr);
        SetDownloadPacing(DownloadPacing());
    }

    // Runs one job to its end; `answer` answers every question.
    void RunJob(std::function<int(const std::wstring& key)> answer,
                std::function<void(const DownloadProgressInfo&)> onProgress = nullptr) {
        CWorker worker;
        worker.verify = false;
        worker.SetSettings(&settings);
        DownloadCallbacks callbacks;
        callbacks.progress = [&](const DownloadProgressInfo& info) {
            std::lock_guard lock(mutex);
            if (info.downloadedBytes < 0) statuses.push_back(info.text);
            if (onProgress) onProgress(info);
            return true;
        };
        callbacks.finished = [&](const DownloadProgressInfo& info, int kind) {
            std::lock_guard lock(mutex);
            finishedText = info.text;
            finishedKinds.push_back(kind);
            return true;
        };
        callbacks.prompt = [&](int, const std::wstring& key, int style, int icon, int) {
            {
                std::lock_guard lock(mutex);
                prompts.push_back({key, style, icon});
            }
            return answer(key);
        };
        callbacks.control = [](const std::vector<DownloadControlState>&) { return 1; };
        worker.SetCallbacks(std::move(callbacks));
        ASSERT_TRUE(worker.StartRun());
        result = worker.WaitUntilDone();
        kind = worker.FinishedKind();
    }

    int Gets() const { return static_cast<int>(RangesAsked().size()); }
    std::vector<std::string> RangesAsked() const {
        std::vector<std::string> ranges;
        for (const LoggedRequest& request : server.Log()) {
            if (request.method == "GET") ranges.push_back(request.range);
        }
        return ranges;
    }
    std::wstring ChunkFile() const { return folder.File(L"pkg.bin.unconfirmed_chunks.txt"); }
    bool StatusSeen(const std::wstring& key) const {
        for (const std::wstring& status : statuses) {
            if (status == key) return true;
        }
        return false;
    }

    std::string content = PackageBytes(3 * 1024 * 1024);
    HttpStandInServer server;
    ScopedTempFolder folder;
    DownloadSettings settings;

    std::mutex mutex;
    std::vector<std::wstring> statuses;
    std::vector<Prompted> prompts;
    std::vector<int> finishedKinds;
    std::wstring finishedText;
    bool result = false;
    int kind = -1;
};

TEST_F(DownloadWorkerTest, OfflineMachineIsAskedOnceAndAJobThatStaysOfflineSendsNothing) {
    struct Case {
        const char* name;
        bool probeFails;
        DWORD flags;
    } cases[] = {
        {"the probe fails", true, INTERNET_CONNECTION_LAN},
        {"the offline bit", false, INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_OFFLINE},
        {"neither modem nor LAN", false, INTERNET_CONNECTION_PROXY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.clear();
        statuses.clear();
        finishedKinds.clear();
        g_probeFails = c.probeFails;
        g_connectedFlags = c.flags;
        RunJob([](const std::wstring&) { return IDNO; });
        EXPECT_FALSE(result);
        EXPECT_EQ(kind, kFinishStoppedAfterNetworkErrors);
        EXPECT_EQ(finishedText, L"IDS_DOWNLOAD_STOPPED");
        EXPECT_EQ(finishedKinds.size(), 1u);
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].key, L"IDS_NOTCONNECT_NET_RETRY");
        EXPECT_EQ(prompts[0].style, 2);
        EXPECT_EQ(prompts[0].icon, MB_ICONERROR);
        EXPECT_TRUE(StatusSeen(L"IDS_INTERNET_ERROR"));
        EXPECT_TRUE(server.Log().empty());
        EXPECT_FALSE(PathExists(settings.targetPath));
    }
}

TEST_F(DownloadWorkerTest, MachineBackOnlineAfterTheQuestionDownloadsTheWholeFile) {
    g_connectedFlags = INTERNET_CONNECTION_OFFLINE;
    RunJob([](const std::wstring&) {
        g_connectedFlags = INTERNET_CONNECTION_LAN;
        return IDYES;
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(kind, kFinishComplete);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].key, L"IDS_NOTCONNECT_NET_RETRY");
    EXPECT_TRUE(ReadFileBytes(settings.targetPath) == content);
}

// The connection drops after the first block while the machine loses its network:
// nothing is retried while offline, the job fails without claiming the file, and
// the next run fetches only what is missing.
TEST_F(DownloadWorkerTest, NetworkLostDuringTheTransferEndsTheJobAndTheNextRunResumes) {
    server.Files().AddFault(MakeFault(FileFault::DropAfter, "/pkg.bin", 100000));
    RunJob([](const std::wstring&) { return IDNO; },
           [](const DownloadProgressInfo& info) {
               if (info.downloadedBytes > 0) g_connectedFlags = INTERNET_CONNECTION_OFFLINE;
           });
    EXPECT_FALSE(result);
    EXPECT_EQ(kind, kFinishFailed);
    EXPECT_EQ(Gets(), 1);
    EXPECT_TRUE(prompts.empty());
    ChunkState state;
    ASSERT_TRUE(ReadChunkStateFile(ChunkFile(), 1, state));
    ASSERT_EQ(state.ranges.size(), 1u);
    EXPECT_GT(state.ranges[0].start, 0);
    EXPECT_EQ(state.ranges[0].start + state.ranges[0].length, static_cast<std::int32_t>(content.size()));

    g_connectedFlags = INTERNET_CONNECTION_LAN;
    server.ClearLog();
    RunJob([](const std::wstring&) { return IDNO; });
    EXPECT_TRUE(result);
    EXPECT_EQ(RangesAsked(), (std::vector<std::string>{"bytes=" + std::to_string(state.ranges[0].start) + "-" +
                                                       std::to_string(content.size() - 1)}));
    EXPECT_TRUE(ReadFileBytes(settings.targetPath) == content);
    EXPECT_FALSE(PathExists(ChunkFile()));
}

// The server vanishes as the ranges start and the machine goes offline: the ranges
// fail to send, and the question decides between giving up and resuming.
TEST_F(DownloadWorkerTest, RangesThatCannotBeSentWhileOfflineAskWhetherToGoOn) {
    struct Case {
        const char* name;
        int answer;
    } cases[] = {{"gives up", IDNO}, {"goes on once back online", IDYES}};
    const unsigned short port = server.Port();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.clear();
        g_connectedFlags = INTERNET_CONNECTION_LAN;
        DeleteFileW(settings.targetPath.c_str());
        server.ClearLog();
        bool vanished = false;
        RunJob(
            [&](const std::wstring&) {
                if (c.answer == IDYES) {
                    EXPECT_TRUE(server.Start(port));
                    g_connectedFlags = INTERNET_CONNECTION_LAN;
                }
                return c.answer;
            },
            [&](const DownloadProgressInfo& info) {
                if (info.text != L"IDS_DOWNLOADING_FILE" || vanished) return;
                vanished = true;
                server.Stop();
                g_connectedFlags = INTERNET_CONNECTION_OFFLINE;
            });
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].key, L"IDS_INTERNET_ERROR_RETRY");
        EXPECT_EQ(finishedKinds.size(), 1u);
        if (c.answer == IDYES) {
            EXPECT_TRUE(result);
            EXPECT_TRUE(ReadFileBytes(settings.targetPath) == content);
        } else {
            EXPECT_FALSE(result);
            EXPECT_EQ(kind, kFinishStoppedAfterNetworkErrors);
            EXPECT_FALSE(PathExists(ChunkFile()));
            ASSERT_TRUE(server.Start(port));
        }
        finishedKinds.clear();
    }
}

}  // namespace
