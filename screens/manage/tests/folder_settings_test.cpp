#include "screens/manage/folder_settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "foundation/product_key.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());  // the file system lists in no promised order
    return names;
}

std::wstring UnusedDriveRoot() {
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
        if ((drives & (1u << (letter - L'A'))) == 0) return std::wstring(1, letter) + L":\\";
    }
    return std::wstring();
}

TEST(FolderRules, OnlyAbsoluteDriveAndSharePathsWithOneTrailingBackslash) {
    struct Case {
        std::wstring text;
        std::optional<std::wstring> folder;
    } cases[] = {
        {L"C:\\Drivers", L"C:\\Drivers\\"},
        {L"C:\\Drivers\\", L"C:\\Drivers\\"},
        {L"d:/data/drivers", L"d:\\data\\drivers\\"},
        {L"C:\\", L"C:\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
        {L"\\\\server\\share\\Backups", L"\\\\server\\share\\Backups\\"},
        {L"", std::nullopt},
        {L"Drivers", std::nullopt},
        {L"..\\Drivers", std::nullopt},
        {L"\\Drivers", std::nullopt},
        {L"C:Drivers", std::nullopt},
        {L"C:", std::nullopt},
        {L"1:\\Drivers", std::nullopt},
        {L"\\\\server", std::nullopt},
        {L"\\\\server\\", std::nullopt},
        {L"\\\\\\share", std::nullopt},
        {L"C:\\Dri<vers", std::nullopt},
        {L"C:\\Drivers\\a:b", std::nullopt},
        {L"C:\\Drivers\\\\Old", std::nullopt},
        {L"C:\\Drivers\t", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(NormaliseFolderPath(c.text), c.folder) << Narrow(c.text);
}

// The check writes inside the folder and leaves nothing behind. A folder whose name
// plus "Download" already stands beside it is as writable as any other.
TEST(FolderRules, AWritableFolderIsWrittenInsideAndLeftAsItWas) {
    ScopedTempFolder temp;
    const std::wstring chosen = temp.File(L"Drivers");
    ASSERT_TRUE(CreateDirectoryW(chosen.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((chosen + L"Download").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(chosen + L"\\kept.txt", "x"));

    EXPECT_TRUE(CanWriteInFolder(chosen));
    EXPECT_TRUE(CanWriteInFolder(chosen + L"\\"));
    EXPECT_EQ(FolderEntries(chosen), std::vector<std::wstring>{L"kept.txt"});
    EXPECT_EQ(FolderEntries(temp.Path()), (std::vector<std::wstring>{L"Drivers", L"DriversDownload"}));
}

TEST(FolderRules, FoldersThatCannotBeWrittenAreRefused) {
    ScopedTempFolder temp;
    ASSERT_TRUE(WriteFileBytes(temp.File(L"Drivers"), "a file, not a folder"));
    const std::wstring missingDrive = UnusedDriveRoot();
    ASSERT_FALSE(missingDrive.empty());
    struct Case {
        const char* what;
        std::wstring folder;
    } cases[] = {
        {"a file in the way", temp.File(L"Drivers")},
        {"a missing folder", temp.File(L"Missing")},
        {"a missing drive", missingDrive + L"Drivers"},
        {"a missing drive's root", missingDrive},
    };
    for (const auto& c : cases) EXPECT_FALSE(CanWriteInFolder(c.folder)) << c.what;
    EXPECT_EQ(ReadFileBytes(temp.File(L"Drivers")), "a file, not a folder");
}

class StoredFolderSettings : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(roots_.Active()); }

    static std::optional<std::wstring> Stored(const wchar_t* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
        const auto value = ReadRawValue(key, name);
        RegCloseKey(key);
        if (!value || value->type != REG_SZ) return std::nullopt;
        return std::wstring(reinterpret_cast<const wchar_t*>(value->bytes.data()));
    }

    ScopedRegistryRoots roots_;
};

TEST(FolderChoice, ThePickIsCheckedAndThePickerStartsWhereItCan) {
    ScopedTempFolder base;
    const std::wstring stored = base.File(L"Stored");
    const std::wstring picked = base.File(L"Picked");
    ASSERT_TRUE(CreateDirectoryW(picked.c_str(), nullptr));
    const std::wstring file = base.File(L"AFile");
    {
        const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        CloseHandle(handle);
    }
    const struct Case {
        const char* name;
        std::wstring stored;
        std::optional<std::wstring> pick;  // nothing: the user cancels
        FolderChoice result;
        std::wstring chosen;
        std::wstring start;  // where the picker opened
    } cases[] = {
        {"a writable folder, stored one made", stored, picked, FolderChoice::kChosen, picked + L"\\", stored},
        {"slashes and a trailing backslash", stored, base.Path() + L"/Picked\\", FolderChoice::kChosen,
         picked + L"\\", stored},
        {"a file's name", stored, file, FolderChoice::kRefused, L"", stored},
        {"a relative path", stored, std::wstring(L"relative\\folder"), FolderChoice::kRefused, L"", stored},
        {"cancelled", stored, std::nullopt, FolderChoice::kCancelled, L"", stored},
        {"stored cannot be made: the fallback", file + L"\\Below", picked, FolderChoice::kChosen, picked + L"\\",
         base.Path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring start;
        std::wstring chosen = L"old";
        const FolderChoice result = ChooseCheckedFolder(c.stored, base.Path(),
                                                        [&](std::wstring& folder) {
                                                            start = folder;
                                                            if (!c.pick) return false;
                                                            folder = *c.pick;
                                                            return true;
                                                        },
                                                        chosen);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(chosen, c.chosen);
        EXPECT_EQ(start, c.start);
    }
    EXPECT_EQ(FolderEntries(picked), std::vector<std::wstring>{}) << "the write check leaves nothing behind";
}

TEST_F(StoredFolderSettings, EachFolderIsStoredOnItsOwnAndAnyFailureIsReported) {
    struct Case {
        const char* what;
        std::wstring download;
        std::wstring backup;
        bool reportedStored;
        std::optional<std::wstring> downloadStored;
        std::optional<std::wstring> backupStored;
    } cases[] = {
        {"both", L"E:\\Downloads", L"\\\\nas\\backups\\pc1", true, L"E:\\Downloads\\", L"\\\\nas\\backups\\pc1\\"},
        {"only the backup", L"", L"F:\\Backup\\", true, std::nullopt, L"F:\\Backup\\"},
        {"neither", L"", L"", false, std::nullopt, std::nullopt},
        // The download write fails and the backup write, made last, succeeds: the
        // failure is still reported, and the good folder still stored.
        {"a bad download folder", L"Downloads", L"F:\\Backup", false, std::nullopt, L"F:\\Backup\\"},
        {"a bad backup folder", L"E:\\Downloads", L"F:Backup", false, L"E:\\Downloads\\", std::nullopt},
    };
    for (const auto& c : cases) {
        for (const wchar_t* name : {L"Download Path", L"Backup Path"}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
                RegDeleteValueW(key, name);
                RegCloseKey(key);
            }
        }
        StoredFolders stored;
        EXPECT_EQ(StoreFolderSettings(c.download, c.backup, stored), c.reportedStored) << c.what;
        EXPECT_EQ(Stored(L"Download Path"), c.downloadStored) << c.what;
        EXPECT_EQ(Stored(L"Backup Path"), c.backupStored) << c.what;
        EXPECT_EQ(stored.download, c.downloadStored.value_or(L"")) << c.what;
        EXPECT_EQ(stored.backup, c.backupStored.value_or(L"")) << c.what;
    }
}

}  // namespace
