#include "engine/backup_folder_paths.h"

#include <gtest/gtest.h>

#include "engine/invalid_name_char.h"

namespace {

TEST(DeviceFolderName, KeepsOnlyWhatAFolderNameCanHold) {
    struct Case {
        const wchar_t* deviceName;
        const wchar_t* folder;
    };
    const Case cases[] = {
        {L"USB Mass Storage", L"USB Mass Storage"},
        {L"  Disk a/b\\c: <1>|*?\"  ", L"Disk abc 1"},
        {L"..", L"Device"},
        {L".", L"Device"},
        {L"", L"Device"},
        {L" \\ / ", L"Device"},
        {L"..\\..\\Windows", L"....Windows"},
        {L"Name with dots...", L"Name with dots"},
        {L"Tab\there", L"Tabhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "device name: " << testing::PrintToString(std::wstring(c.deviceName)));
        EXPECT_EQ(MakeDeviceFolderName(c.deviceName), c.folder);
    }
    EXPECT_EQ(MakeDeviceFolderName(std::wstring(400, L'n')).size(), kDeviceFolderNameLimit);
}

TEST(DeviceFolderName, DownloadKeysKeepTheOneCharacterRule) {
    struct Case {
        const wchar_t* text;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"a/b/c", L"abc"},
        {L"a\\b/c", L"ab/c"},
        {L"a:b*c", L"ab*c"},
        {L"plain", L"plain"},
        {L"x|y|z", L"xyz"},
    };
    for (const Case& c : cases) EXPECT_EQ(RemoveFirstInvalidNameChar(c.text), c.result) << testing::PrintToString(std::wstring(c.text));
}

TEST(BackupInfPath, StaysInsideTheBackupFolder) {
    const std::wstring backup = L"C:\\Backups\\Run1";
    struct Case {
        const wchar_t* folder;
        const wchar_t* inf;
        const wchar_t* path;  // null: refused
    };
    const Case cases[] = {
        {L"Disk\\", L"C:\\Windows\\inf\\oem7.inf", L"C:\\Backups\\Run1\\Disk\\oem7.inf"},
        {L" Disk\\ ", L" oem7.inf ", L"C:\\Backups\\Run1\\Disk\\oem7.inf"},
        {L"Disk", L"oem7.inf", L"C:\\Backups\\Run1\\oem7.inf"},
        {L"A\\B\\", L"x.inf", L"C:\\Backups\\Run1\\A\\B\\x.inf"},
        {L"..\\", L"x.inf", nullptr},
        {L"A\\..\\..\\", L"x.inf", nullptr},
        {L"\\Windows\\", L"x.inf", nullptr},
        {L"C:\\Windows\\", L"x.inf", nullptr},
        {L"C:Windows\\", L"x.inf", nullptr},
        {L"\\\\server\\share\\", L"x.inf", nullptr},
        {L"A/../../", L"x.inf", L"C:\\Backups\\Run1\\x.inf"},
        {L"Disk\\", L"..", nullptr},
        {L"Disk\\", L"C:x.inf", nullptr},
        {L"Disk\\", L"a/../../x.inf", nullptr},
        {L"Disk\\", L"", nullptr},
        {L"Disk\\\\", L"x.inf", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.folder)) << " "
                                        << testing::PrintToString(std::wstring(c.inf)));
        std::wstring path = L"stale";
        const bool accepted = ResolveBackupInfPath(backup, c.folder, c.inf, path);
        EXPECT_EQ(accepted, c.path != nullptr);
        EXPECT_EQ(path, c.path != nullptr ? c.path : L"");
    }
    EXPECT_FALSE(IsPathInsideFolder(backup, L"C:\\Backups\\Run10\\x.inf"));
    EXPECT_FALSE(IsPathInsideFolder(backup, backup));
    EXPECT_TRUE(IsPathInsideFolder(backup + L"\\", L"c:\\backups\\run1\\x.inf"));
}

}  // namespace
