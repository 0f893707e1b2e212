#include "platform/file_fetcher.h"

#include "tools/http_stand_in_server.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/scoped_temp_folder.h"

namespace {

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

std::string Bytes(size_t count, char seed) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(seed + i % 61);
    return bytes;
}

class FileFetcherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()); }

    HttpStandInServer server;
    ScopedTempFolder folder;
};

TEST_F(FileFetcherTest, FetchesEveryFileOfTheListUnderNonAsciiNames) {
    server.Files().PutFile("/a.ini", "[Application]\r\nPROGRAM_VERSION=1.2.3.4\r\n");
    server.Files().PutFile("/big.bin", Bytes(300 * 1024, 'A'));
    FileFetcher fetcher;
    fetcher.AddFile(server.Url("/a.ini"), folder.File(L"\x00e9t\x00e9.ini"));
    fetcher.AddFile(server.Url("/big.bin"), folder.File(L"\x65b0.bin"));
    EXPECT_TRUE(fetcher.SetOption(L"hidden", L"1"));
    EXPECT_FALSE(fetcher.SetOption(L"colour", L"blue"));

    ASSERT_TRUE(fetcher.DownloadFiles());
    EXPECT_EQ(ReadFileBytes(folder.File(L"\x00e9t\x00e9.ini")), "[Application]\r\nPROGRAM_VERSION=1.2.3.4\r\n");
    EXPECT_EQ(ReadFileBytes(folder.File(L"\x65b0.bin")), Bytes(300 * 1024, 'A'));
    EXPECT_EQ(fetcher.Outcomes()[1].finalAddress, server.Url("/big.bin"));
    EXPECT_EQ(FolderEntries(folder.Path()).size(), 2u);
}

// Whatever goes wrong, the target keeps what it held before and no temporary file
// stays behind.
TEST_F(FileFetcherTest, FailedFetchLeavesTheTargetAsItWas) {
    server.Files().PutFile("/dropped.bin", Bytes(200 * 1024, 'a'));
    FileFaultRule drop = MakeFault(FileFault::DropAfter, "/dropped.bin", 50 * 1024);
    drop.times = -1;  // every case below fetches it twice
    server.Files().AddFault(drop);
    server.AddRoute("GET", "/error", [](const HttpRequest&) {
        return HttpResponse::Text(500, "<html>server error</html>");
    });
    struct Case {
        const char* what;
        std::wstring address;
    } cases[] = {
        {"connection dropped mid-body", server.Url("/dropped.bin")},
        {"not found", server.Url("/missing.bin")},
        {"error page", server.Url("/error")},
        {"file address", L"file:///C:/windows/win.ini"},
        {"no server", L"http://127.0.0.1:1/x.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool oldFileThere : {false, true}) {
            const std::wstring target = folder.File(L"target.bin");
            DeleteFileW(target.c_str());
            if (oldFileThere) {
                ASSERT_TRUE(WriteFileBytes(target, "old"));
            }
            FileFetcher fetcher;
            fetcher.AddFile(c.address, target);
            EXPECT_FALSE(fetcher.DownloadFiles());
            EXPECT_FALSE(fetcher.Outcomes()[0].arrived);
            EXPECT_EQ(PathExists(target), oldFileThere);
            if (oldFileThere) {
                EXPECT_EQ(ReadFileBytes(target), "old");
            }
            EXPECT_EQ(FolderEntries(folder.Path()).size(), oldFileThere ? 1u : 0u);
        }
    }
}

TEST_F(FileFetcherTest, StopsAtTheFirstFailedFile) {
    server.Files().PutFile("/one.txt", "one");
    server.Files().PutFile("/three.txt", "three");
    FileFetcher fetcher;
    fetcher.AddFile(server.Url("/one.txt"), folder.File(L"one.txt"));
    fetcher.AddFile(server.Url("/two.txt"), folder.File(L"two.txt"));
    fetcher.AddFile(server.Url("/three.txt"), folder.File(L"three.txt"));
    EXPECT_FALSE(fetcher.DownloadFiles());
    EXPECT_TRUE(PathExists(folder.File(L"one.txt")));
    EXPECT_FALSE(PathExists(folder.File(L"three.txt")));

    fetcher.ClearFiles();
    fetcher.AddFile(server.Url("/three.txt"), folder.File(L"three.txt"));
    EXPECT_TRUE(fetcher.DownloadFiles());
    ASSERT_EQ(fetcher.Outcomes().size(), 1u);
    EXPECT_EQ(ReadFileBytes(folder.File(L"three.txt")), "three");
}

// Both callers are inside their downloads at the same time (the server holds each
// body back for a while); neither fetches the other's file.
TEST_F(FileFetcherTest, ParallelCallersKeepTheirOwnLists) {
    for (const char* name : {"/left.bin", "/right.bin"}) {
        server.Files().PutFile(name, Bytes(64 * 1024, name[1]));
        FileFaultRule stall = MakeFault(FileFault::Stall, name, 1024);
        stall.stallMilliseconds = 700;
        server.Files().AddFault(stall);
    }
    bool results[2] = {false, false};
    size_t counts[2] = {0, 0};
    auto caller = [&](int which, const std::string& path, const std::wstring& target) {
        FileFetcher fetcher;
        fetcher.ClearFiles();
        fetcher.AddFile(server.Url(path), target);
        fetcher.SetOption(L"hidden", L"1");
        results[which] = fetcher.DownloadFiles();
        counts[which] = fetcher.Outcomes().size();
    };
    const DWORD start = GetTickCount();
    std::thread left(caller, 0, "/left.bin", folder.File(L"left.bin"));
    std::thread right(caller, 1, "/right.bin", folder.File(L"right.bin"));
    left.join();
    right.join();
    EXPECT_LT(GetTickCount() - start, 1300u) << "the two downloads did not overlap";

    EXPECT_TRUE(results[0]);
    EXPECT_TRUE(results[1]);
    EXPECT_EQ(counts[0], 1u);
    EXPECT_EQ(counts[1], 1u);
    EXPECT_EQ(ReadFileBytes(folder.File(L"left.bin")), Bytes(64 * 1024, 'l'));
    EXPECT_EQ(ReadFileBytes(folder.File(L"right.bin")), Bytes(64 * 1024, 'r'));
    EXPECT_EQ(server.Log().size(), 2u);
}

TEST(WebAddressTest, OnlyHttpAndHttpsCount) {
    struct Case {
        const wchar_t* address;
        bool web;
        bool secure;
    } cases[] = {
        {L"http://a.example/x", true, false},   {L"HTTPS://a.example/x", true, true},
        {L"https://a.example", true, true},     {L"file:///C:/x.exe", false, false},
        {L"ftp://a.example/x", false, false},   {L"javascript:alert(1)", false, false},
        {L"httpx://a.example", false, false},   {L"", false, false},
        {L"\\\\server\\share\\x.exe", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsWebAddress(c.address), c.web) << c.address;
        EXPECT_EQ(IsSecureWebAddress(c.address), c.secure) << c.address;
    }
}

}  // namespace
