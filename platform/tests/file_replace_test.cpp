#include "platform/file_replace.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/scoped_temp_folder.h"

namespace {

int CountEntries(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

TEST(FileReplaceTest, ReplacesWholeFileAndLeavesNothingBeside) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"list.dat");
    ASSERT_TRUE(WriteFileBytes(path, std::string(5000, 'x')));

    const std::string bytes("\x00\x01short", 7);
    ASSERT_TRUE(ReplaceFileContents(path, bytes));
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_EQ(CountEntries(folder.Path()), 1);

    std::string back;
    ASSERT_TRUE(ReadWholeFile(path, back));
    EXPECT_EQ(back, bytes);
    EXPECT_FALSE(ReadWholeFile(folder.File(L"absent.dat"), back));
}

TEST(FileReplaceTest, FailedMoveKeepsTheOldFileAndRemovesTheTemporary) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"locked.dat");
    ASSERT_TRUE(WriteFileBytes(path, "old"));
    // Held open without delete sharing, the file cannot be replaced.
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReplaceFileContents(path, "new"));
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(CountEntries(folder.Path()), 1);

    EXPECT_FALSE(ReplaceFileContents(folder.File(L"missing\\x.dat"), "new"));
}

}  // namespace
