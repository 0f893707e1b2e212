#include "foundation/folders.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include "tests/support/scoped_temp_folder.h"

namespace {

TEST(PathAppendStringTest, JoinsWithExactlyOneBackslash) {
    struct Case {
        std::wstring path;
        std::wstring name;
        std::wstring expected;
    } cases[] = {
        {L"C:\\data", L"file.txt", L"C:\\data\\file.txt"},
        {L"C:\\data\\", L"file.txt", L"C:\\data\\file.txt"},
        {L"C:\\data", L"\\file.txt", L"C:\\data\\file.txt"},
        {L"C:\\data\\", L"\\file.txt", L"C:\\data\\file.txt"},
        {L"C:\\data", L"sub\\file.txt", L"C:\\data\\sub\\file.txt"},
        {L"", L"file.txt", L"file.txt"},
        {L"C:\\data", L"", L"C:\\data"},
        {L"", L"", L""},
    };
    for (const auto& c : cases) {
        std::wstring path = c.path;
        PathAppendString(path, c.name);
        EXPECT_EQ(path, c.expected) << c.path << L" + " << c.name;
    }
}

TEST(CreateFolderTreeTest, CreatesEveryMissingLevel) {
    ScopedTempFolder temp;
    const std::wstring deep = temp.File(L"a\\b\\c");
    EXPECT_TRUE(CreateFolderTree(deep + L"\\"));
    EXPECT_TRUE(PathExists(temp.File(L"a\\b\\c")));
    EXPECT_TRUE(CreateFolderTree(deep)) << "an existing folder is success";
}

TEST(CreateFolderTreeTest, LeavesAttributesOfFoldersItDidNotCreate) {
    ScopedTempFolder temp;
    const std::wstring existing = temp.File(L"hidden");
    ASSERT_TRUE(CreateDirectoryW(existing.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesW(existing.c_str(), FILE_ATTRIBUTE_HIDDEN));

    EXPECT_TRUE(CreateFolderTree(existing + L"\\new"));
    EXPECT_TRUE(GetFileAttributesW(existing.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(GetFileAttributesW((existing + L"\\new").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(existing.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CreateFolderTreeTest, FailsWhenAFileIsInTheWay) {
    ScopedTempFolder temp;
    ASSERT_TRUE(WriteFileBytes(temp.File(L"blocker"), "x"));
    EXPECT_FALSE(CreateFolderTree(temp.File(L"blocker\\below")));
    EXPECT_FALSE(CreateFolderTree(L""));
}

TEST(JoinAndCreateFolderTest, AddsOneSeparatorAndCreatesTheFolder) {
    ScopedTempFolder temp;
    EXPECT_EQ(JoinAndCreateFolder(L"Download", temp.Path()), temp.Path() + L"\\Download\\");
    EXPECT_EQ(JoinAndCreateFolder(L"Backup", temp.Path() + L"\\"), temp.Path() + L"\\Backup\\");
    EXPECT_TRUE(PathExists(temp.File(L"Download")));
    EXPECT_TRUE(PathExists(temp.File(L"Backup")));
}

TEST(DeletePathSilentlyTest, DeletesFilesAndWholeTrees) {
    ScopedTempFolder temp;
    ASSERT_TRUE(CreateFolderTree(temp.File(L"tree\\inner")));
    ASSERT_TRUE(WriteFileBytes(temp.File(L"tree\\inner\\file.bin"), "data"));
    ASSERT_TRUE(WriteFileBytes(temp.File(L"single.txt"), "data"));

    EXPECT_TRUE(DeletePathSilently(temp.File(L"tree\\")));
    EXPECT_TRUE(DeletePathSilently(temp.File(L"single.txt")));
    EXPECT_FALSE(PathExists(temp.File(L"tree")));
    EXPECT_FALSE(PathExists(temp.File(L"single.txt")));
    EXPECT_FALSE(DeletePathSilently(temp.File(L"never-there"))) << "nothing deleted is no success";
}

TEST(DeletePathSilentlyTest, RefusesPathsThatWouldWipeMoreThanMeant) {
    ScopedTempFolder temp;
    ASSERT_TRUE(CreateFolderTree(temp.File(L"child")));
    ASSERT_TRUE(WriteFileBytes(temp.File(L"child\\keep.txt"), "keep"));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(temp.Path().c_str()));

    std::wstring profile;
    ASSERT_TRUE(GetSpecialFolderPath(profile, CSIDL_PROFILE));
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring drive = temp.Path().substr(0, 2);

    const std::wstring refused[] = {
        L"",
        L"child",                              // relative to the current folder
        drive + L"child",                      // relative to the drive's current folder
        L"\\" + temp.Path().substr(3),         // rooted without a drive
        drive + L"\\",
        drive,
        temp.Path() + L"\\child\\*",
        temp.Path() + L"\\chil?",
        temp.Path() + L"\\child\\..\\..\\..\\..\\..\\..\\..\\..",
        L"\\\\server\\share",
        L"\\\\server\\share\\",
        profile,
        profile + L"\\",
        std::wstring(windows),
        std::wstring(windows) + L"\\system32\\..",
    };
    for (const auto& path : refused) {
        EXPECT_FALSE(DeletePathSilently(path)) << path;
    }
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(PathExists(temp.File(L"child\\keep.txt")));
    EXPECT_TRUE(PathExists(profile));
}

TEST(GetTempWorkFolderTest, IsTheTempFolderAtTheRootOfTheWindowsDrive) {
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
    const std::wstring folder = GetTempWorkFolder();
    EXPECT_EQ(folder, std::wstring(windows, 2) + L"\\temp");
    EXPECT_TRUE(PathExists(folder));
}

TEST(UserDataFolderTest, IsTheProductFolderInApplicationData) {
    std::wstring appData;
    ASSERT_TRUE(GetSpecialFolderPath(appData, CSIDL_APPDATA));
    const std::wstring folder = GetUserDataFolderPath();
    EXPECT_EQ(folder, appData + L"\\Brennavik\\Halvenor");
    EXPECT_TRUE(PathExists(folder));
}

}  // namespace
