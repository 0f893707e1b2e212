#include "foundation/shared_constants.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/os_identity.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

constexpr char kChildOutputVariable[] = "HALVENOR_MESSAGE_NUMBERS_OUT";

// What another process obtains for the same texts, registered the same way.
std::vector<UINT> RegisterAllTexts() {
    return {RegisterWindowMessageW(MsgProgressBarUpdateText),
            RegisterWindowMessageW(MsgKyrDriverUpdateCountText),
            RegisterWindowMessageW(MsgKyrDriverItemChangeText),
            RegisterWindowMessageA(MsgUpdateStringsText),
            RegisterWindowMessageA(MsgUpdateStringsSendText),
            RegisterWindowMessageA(MsgPostMainUIContinueText),
            RegisterWindowMessageA(MsgShowChildHtmDlgText),
            RegisterWindowMessageA(MsgShowDlgDownloadMissingDriverText),
            RegisterWindowMessageW(MsgBringToFrontText),
            RegisterWindowMessageW(MsgSchedulerWorkText),
            RegisterWindowMessageW(MsgTaskbarCreatedText)};
}

// Runs only as the child process of the test below.
TEST(SharedConstantsChild, WriteMessageNumbers) {
    const char* out = std::getenv(kChildOutputVariable);
    if (out == nullptr) GTEST_SKIP() << "runs as the child of MessageNumbersMatchAnotherProcess";
    std::ofstream file(out);
    for (UINT number : RegisterAllTexts()) file << number << "\n";
}

TEST(SharedConstantsTest, MessageNumbersMatchAnotherProcess) {
    const std::vector<UINT> ours = {MsgProgressBarUpdate,   MsgKyrDriverUpdateCount, MsgKyrDriverItemChange,
                                    MsgUpdateStrings,       MsgUpdateStringsSend,    MsgPostMainUIContinue,
                                    MsgShowChildHtmDlg,     MsgShowDlgDownloadMissingDriver,
                                    MsgBringToFront,        MsgSchedulerWork,        MsgTaskbarCreated};
    for (UINT number : ours) {
        EXPECT_GE(number, 0xC000u);
        EXPECT_LE(number, 0xFFFFu);
    }

    ScopedTempFolder folder;
    const std::wstring output = folder.File(L"numbers.txt");
    ASSERT_TRUE(SetEnvironmentVariableW(L"HALVENOR_MESSAGE_NUMBERS_OUT", output.c_str()));
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=SharedConstantsChild.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &process));
    SetEnvironmentVariableW(L"HALVENOR_MESSAGE_NUMBERS_OUT", nullptr);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::ifstream in(std::string(output.begin(), output.end()));
    std::vector<UINT> theirs;
    for (UINT number; in >> number;) theirs.push_back(number);
    EXPECT_EQ(theirs, ours);
}

TEST(SharedConstantsTest, BrushesHoldTheirColours) {
    const struct {
        HBRUSH brush;
        COLORREF colour;
    } cases[] = {{BrushFBFBFB, 0xFBFBFB}, {BrushFFFFFF, 0xFFFFFF}, {BrushFFFFFFSecond, 0xFFFFFF},
                 {BrushFEFEFE, 0xFEFEFE}, {BrushF7F7F7, 0xF7F7F7}, {BrushFDFAF4, 0xFDFAF4}};
    for (const auto& c : cases) {
        LOGBRUSH info{};
        ASSERT_EQ(GetObjectW(c.brush, sizeof(info), &info), static_cast<int>(sizeof(info)));
        EXPECT_EQ(info.lbStyle, static_cast<UINT>(BS_SOLID));
        EXPECT_EQ(info.lbColor, c.colour);
    }
    EXPECT_NE(BrushFFFFFF, BrushFFFFFFSecond);
}

TEST(SharedConstantsTest, SiblingProductsInIndexOrder) {
    ASSERT_EQ(std::size(SiblingProductTable), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(SiblingProductTable[i].index, i);
    EXPECT_STREQ(SiblingProductTable[1].registryKey, L"Software\\Brennavik\\pcr\\Version 6.1");
}

TEST(SharedConstantsTest, SystemValuesAreReadBeforeStartUp) {
    EXPECT_EQ(WindowsFamilyCode, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(OsIdCode, GetOsIdCode());
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(name, &size));
    EXPECT_EQ(ComputerNameText, name);
}

TEST(SharedConstantsTest, MissingDownloadLibraryLeavesNoHandle) {
    // Not shipped here: the handle stays empty and the process runs on.
    EXPECT_EQ(DownloadLibraryModule(), nullptr);
}

}  // namespace
