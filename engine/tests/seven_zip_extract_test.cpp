// 7-Zip is not on this machine: a stand-in program (tests/fake_dlls/fake_7z.cpp)
// takes its place in the "extract" folder and answers as the test asks.
#include "engine/seven_zip_extract.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "engine/missing_program_message.h"
#include "engine/process_runner.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

std::wstring FakeSevenZip() { return WindowsPathFromHost(HALVENOR_FAKE_DLL_HOST_DIR) + L"\\7z\\7z.exe"; }

// True while a process started from `program` still runs.
bool ProgramRunning(const std::wstring& program) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    bool running = false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry)) {
        const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process == nullptr) continue;
        wchar_t image[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        running = QueryFullProcessImageNameW(process, 0, image, &length) &&
                  CompareStringOrdinal(image, -1, program.c_str(), -1, TRUE) == CSTR_EQUAL &&
                  WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return running;
}

std::wstring Utf16Text(const std::string& bytes) {
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

class SevenZip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(holder_.File(L"extract").c_str(), nullptr));
        ASSERT_TRUE(CopyFileW(FakeSevenZip().c_str(), holder_.File(L"extract\\7z.exe").c_str(), FALSE));
    }

    ScopedTempFolder holder_;
    ScopedTempFolder packages_;
    ScopedEnvironmentVariable log_{L"HALVENOR_FAKE_7Z_LOG", packages_.File(L"7z.log")};
};

TEST_F(SevenZip, CountsTheExitCodeAndQuotesItsCommandLine) {
    const std::wstring archive = packages_.File(L"setup.exe");
    const struct {
        const wchar_t* exitCode;
        int result;
    } cases[] = {{L"0", 32}, {L"1", 32}, {L"2", 33}, {L"255", 33}};
    for (const auto& c : cases) {
        ScopedEnvironmentVariable exitCode(L"HALVENOR_FAKE_7Z_EXIT", c.exitCode);
        std::wstring message;
        EXPECT_EQ(ExtractWith7z(archive, L"setup", holder_.Path(), message), c.result) << c.exitCode;
    }
    const std::wstring expected = L"\"" + holder_.File(L"extract\\7z.exe") + L"\" x -y \"" + archive + L"\" -o\"" +
                                  packages_.File(L"setup") + L"\" -r \n";
    EXPECT_EQ(Utf16Text(ReadFileBytes(packages_.File(L"7z.log"))), expected + expected + expected + expected);
}

TEST_F(SevenZip, IsEndedWhenItOutlastsTheWaits) {
    ScopedEnvironmentVariable sleep(L"HALVENOR_FAKE_7Z_SLEEP_MS", L"1500");
    ScopedEnvironmentVariable done(L"HALVENOR_FAKE_7Z_DONE", packages_.File(L"done"));
    std::wstring message;
    EXPECT_EQ(ExtractWith7z(packages_.File(L"a.zip"), L"a", holder_.Path(), message, {100, 100}), 33);
    // Ended, not left behind: nothing runs from the program any more, so it can
    // no longer finish its work.
    EXPECT_FALSE(ProgramRunning(holder_.File(L"extract\\7z.exe")));
    EXPECT_FALSE(PathExists(packages_.File(L"done")));
}

TEST(SevenZipMissing, FailsWithAMessage) {
    ScopedTempFolder holder;
    std::wstring message;
    EXPECT_EQ(ExtractWith7z(L"C:\\pkg\\a.zip", L"a", holder.Path(), message), 33);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(MissingProgramMessage(), message);
}

TEST(RunProcessAndWait, ReportsTheExitCodeOrTheTimeOut) {
    ScopedTempFolder folder;
    const std::wstring program = folder.File(L"setup tool.exe");  // a blank in the path needs the quotes
    ASSERT_TRUE(CopyFileW(FakeSevenZip().c_str(), program.c_str(), FALSE));
    DWORD exitCode = 0;
    DWORD waitResult = 0;
    {
        ScopedEnvironmentVariable code(L"HALVENOR_FAKE_7Z_EXIT", L"3");
        EXPECT_TRUE(RunProcessAndWait(program, L"/S", false, exitCode, waitResult));
        EXPECT_EQ(exitCode, 3u);
        EXPECT_EQ(waitResult, static_cast<DWORD>(WAIT_OBJECT_0));
    }
    ScopedEnvironmentVariable sleep(L"HALVENOR_FAKE_7Z_SLEEP_MS", L"1000");
    EXPECT_FALSE(RunProcessAndWait(program, L"", false, exitCode, waitResult, {50, 50}));
    EXPECT_EQ(waitResult, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(RunProcessAndWait(folder.File(L"missing.exe"), L"", false, exitCode, waitResult));
}

}  // namespace
