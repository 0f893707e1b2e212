#include "shell/driver_optimizer_app.h"

#include <gtest/gtest.h>

#include "foundation/language_strings.h"
#include "foundation/ini_file_cache.h"
#include "foundation/product_key.h"
#include "platform/archive_writer.h"
#include "tests/support/scoped_app_data_folder.h"

namespace {

constexpr int kBackups = 0;
constexpr int kDownloads = 1;

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) bytes.push_back(static_cast<char>(v));
    return bytes;
}

void StoreUserText(const wchar_t* name, const std::wstring& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    SetRawValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::wstring UserTemp() {
    wchar_t buffer[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

class DriverOptimizerAppTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(appData_.Active()); }
    std::wstring DataFolder() const { return appData_.ProductDataFolder(); }

    ScopedAppDataFolder appData_;
};

TEST_F(DriverOptimizerAppTest, FoldersFollowTheSettingsAndAreCreated) {
    ScopedTempFolder chosen;
    StoreUserText(L"Download Path", L"");
    StoreUserText(L"Backup Path", chosen.File(L"my backups\\"));
    CDriverOptimizerApp app;

    EXPECT_EQ(app.DataFolder(), DataFolder());
    EXPECT_EQ(app.DataFolderWithSeparator(), DataFolder() + L"\\");
    EXPECT_EQ(app.DefaultDownloadFolder(), DataFolder() + L"\\Download\\");
    EXPECT_EQ(app.DefaultBackupFolder(), DataFolder() + L"\\Backup\\");
    EXPECT_EQ(app.DownloadFolder(), app.DefaultDownloadFolder());
    EXPECT_EQ(app.BackupFolder(), chosen.File(L"my backups\\"));
    EXPECT_EQ(app.TemporaryFolder(), UserTemp());
    for (const auto& folder : {app.DefaultDownloadFolder(), app.DefaultBackupFolder(), app.BackupFolder()}) {
        EXPECT_TRUE(PathExists(folder)) << folder;
    }

    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring programFolder(module);
    programFolder.erase(programFolder.rfind(L'\\') + 1);
    CharLowerBuffW(programFolder.data(), static_cast<DWORD>(programFolder.size()));
    EXPECT_EQ(app.UpdaterFolder(), programFolder + L"updater\\");
    EXPECT_EQ(app.HelperFolders()[2], programFolder + L"updater\\amd64\\");
    EXPECT_EQ(app.HelperFolders()[7], programFolder + L"updater\\amd64Helper\\");
    EXPECT_FALSE(PathExists(app.UpdaterFolder()));
    EXPECT_EQ(app.ScanUpdate().installHelperFolder, app.HelperFolders()[7]);
}

TEST_F(DriverOptimizerAppTest, EngineLoadsItsRecordOfInstalledDriversFromTheDataFolder) {
    const std::string record =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<devices>\r\n<device>\r\n"
        "<HardwareIdentifier>PCI\\VEN_1234</HardwareIdentifier>\r\n<guidPath>{guid}\\0001</guidPath>\r\n"
        "<InfPath>oem7.inf</InfPath>\r\n</device>\r\n</devices>\r\n";
    { CDriverOptimizerApp creatingTheDataFolder; }
    ASSERT_TRUE(WriteFileBytes(DataFolder() + L"\\exc.xml", record));

    CDriverOptimizerApp app;
    EXPECT_EQ(app.ScannerApp().InstalledDrivers().Path(), DataFolder() + L"\\exc.xml");
    EXPECT_EQ(app.ScannerApp().InstalledDrivers().Entries().size(), 1u);
}

TEST_F(DriverOptimizerAppTest, ListFileBytesMatchTheArchiveLayout) {
    CDriverOptimizerApp app;
    app.BackupsList()[L"b"] = L"";
    app.BackupsList()[L"a"] = L"x\u00E9";
    ASSERT_TRUE(app.SaveItemList(kBackups));
    EXPECT_EQ(ReadFileBytes(DataFolder() + L"\\Backup.dat"),
              Bytes({0x02, 0x00, 0x00, 0x00, 0x02, 0x00,                  // counts
                     0xFF, 0xFE, 0xFF, 0x01, 'a', 0x00,                    // key "a"
                     0xFF, 0xFE, 0xFF, 0x02, 'x', 0x00, 0xE9, 0x00,        // value
                     0xFF, 0xFE, 0xFF, 0x01, 'b', 0x00,                    // key "b"
                     0xFF, 0xFE, 0xFF, 0x00}));                            // empty value

    for (int i = 0; i < 300; ++i) app.DownloadsList()[L"k" + std::to_wstring(i)] = L"v";
    ASSERT_TRUE(app.SaveItemList(kDownloads));
    EXPECT_EQ(ReadFileBytes(DataFolder() + L"\\Download.dat").substr(0, 6), Bytes({0x2C, 0x01, 0, 0, 0x2C, 0x01}));
}

TEST_F(DriverOptimizerAppTest, ListsRoundTripByteExactAtLengthAndCountBoundaries) {
    struct Case {
        std::size_t entries;
        std::size_t keyLength;
        std::size_t valueLength;
        std::string header;
    } cases[] = {
        {1, 254, 255, Bytes({1, 0, 0, 0, 1, 0})},
        {2, 65533, 65534, Bytes({2, 0, 0, 0, 2, 0})},
        {65534, 0, 0, Bytes({0xFE, 0xFF, 0, 0, 0xFE, 0xFF})},
        {65535, 0, 0, Bytes({0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0})},
    };
    for (const auto& c : cases) {
        std::string first;
        {
            CDriverOptimizerApp app;
            for (std::size_t i = 0; i < c.entries; ++i) {
                const std::wstring key = std::wstring(c.keyLength, L'k') + std::to_wstring(i);
                app.DownloadsList()[key] = std::wstring(c.valueLength, static_cast<wchar_t>(0x4E2D)) + L"|x";
            }
            ASSERT_TRUE(app.SaveItemList(kDownloads));
            first = ReadFileBytes(app.ListFilePath(kDownloads));
        }
        EXPECT_EQ(first.substr(0, c.header.size()), c.header) << c.entries;

        CDriverOptimizerApp reloaded;
        reloaded.LoadListFile(kDownloads);
        EXPECT_EQ(reloaded.DownloadsList().size(), c.entries);
        ASSERT_TRUE(PathExists(reloaded.ListFilePath(kDownloads)));
        ASSERT_TRUE(reloaded.SaveItemList(kDownloads));
        EXPECT_TRUE(ReadFileBytes(reloaded.ListFilePath(kDownloads)) == first) << c.entries;
    }
}

TEST_F(DriverOptimizerAppTest, DamagedListFilesAreDeletedKeepingWholeEntries) {
    std::string full;
    {
        CDriverOptimizerApp app;
        app.BackupsList()[L"first"] = L"one";
        app.BackupsList()[L"second"] = std::wstring(300, L's');
        ASSERT_TRUE(app.SaveItemList(kBackups));
        full = ReadFileBytes(app.ListFilePath(kBackups));
    }
    const std::wstring path = DataFolder() + L"\\Backup.dat";
    const std::size_t firstEntryEnd = 6 + 4 + 10 + 4 + 6;
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        ASSERT_TRUE(WriteFileBytes(path, full.substr(0, cut)));
        CDriverOptimizerApp app;
        app.BackupsList()[L"stale"] = L"entry";
        app.LoadListFile(kBackups);
        EXPECT_FALSE(PathExists(path)) << cut;
        EXPECT_EQ(app.BackupsList().size(), cut >= firstEntryEnd ? 1u : 0u) << cut;
        if (!app.BackupsList().empty()) {
            EXPECT_EQ(app.BackupsList().at(L"first"), L"one");
        }
    }

    const std::string garbage[] = {
        Bytes({0x05, 0, 0, 0, 0x05, 0, 0x41, 0x42, 0x43}),
        Bytes({1, 0, 0, 0, 1, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
        Bytes({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
    };
    for (const auto& bytes : garbage) {
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        CDriverOptimizerApp app;
        app.LoadListFile(kBackups);
        EXPECT_TRUE(app.BackupsList().empty());
        EXPECT_FALSE(PathExists(path));
    }

    CDriverOptimizerApp app;
    app.BackupsList()[L"kept"] = L"until loaded";
    app.LoadListFile(kBackups);  // no file at all
    EXPECT_TRUE(app.BackupsList().empty());
}

TEST_F(DriverOptimizerAppTest, FailedSaveKeepsTheOldListAndReadOnlyFilesAreReplaced) {
    CDriverOptimizerApp app;
    app.BackupsList()[L"old"] = L"entry";
    ASSERT_TRUE(app.SaveItemList(kBackups));
    const std::wstring path = app.ListFilePath(kBackups);
    const std::string old = ReadFileBytes(path);

    app.BackupsList()[L"new"] = L"entry";
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(app.SaveItemList(kBackups));
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes(path), old);

    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(app.SaveItemList(kBackups));
    CDriverOptimizerApp reloaded;
    reloaded.LoadListFile(kBackups);
    EXPECT_EQ(reloaded.BackupsList().size(), 2u);
}

TEST_F(DriverOptimizerAppTest, StartupPrunesVanishedDownloadsAndDropsAnEmptyBackupList) {
    ScopedTempFolder downloads;
    const std::wstring kept = downloads.File(L"kept.exe");
    const std::wstring gone = downloads.File(L"gone.exe");
    ASSERT_TRUE(WriteFileBytes(kept, "x"));
    {
        CDriverOptimizerApp app;
        app.DownloadsList()[L"keep"] = kept + L"|1.0|Vendor";
        app.DownloadsList()[L"plain"] = kept;
        app.DownloadsList()[L"gone"] = gone + L"|2.0";
        app.DownloadsList()[L"empty"] = L"";
        ASSERT_TRUE(app.SaveItemList(kDownloads));
    }
    ASSERT_TRUE(WriteFileBytes(DataFolder() + L"\\Backup.dat", ""));

    CDriverOptimizerApp app;
    EXPECT_EQ(app.ParseStartupSwitches(), 0);
    EXPECT_EQ(app.DownloadsList(), (CDriverOptimizerApp::StringMap{{L"keep", kept + L"|1.0|Vendor"}, {L"plain", kept}}));
    EXPECT_TRUE(app.BackupsList().empty());
    EXPECT_FALSE(PathExists(DataFolder() + L"\\Backup.dat"));

    CDriverOptimizerApp reread;
    reread.LoadListFile(kDownloads);
    EXPECT_EQ(reread.DownloadsList().size(), 2u);
}

TEST_F(DriverOptimizerAppTest, MachineIdAdoptsTheFallbackOnceAndKeepsIt) {
    CDriverOptimizerApp app;
    app.SetMachineIdFallback(L"HASH-1");
    EXPECT_EQ(app.GetMachineId(), L"HASH-1");

    CDriverOptimizerApp later;
    later.SetMachineIdFallback(L"HASH-2");
    EXPECT_EQ(later.GetMachineId(), L"HASH-1");  // the stored identifier wins
}

TEST(DriverOptimizerAppArgumentsTest, SwitchesIgnoreCaseDashesAndSlashes) {
    ScopedAppDataFolder appData;
    struct Case {
        std::vector<std::wstring> arguments;
        bool feedback;
        bool firstInstall;
    } cases[] = {
        {{L"FEEDBACK"}, true, false},
        {{L"-feedback"}, true, false},
        {{L" /FeedBack\t"}, true, false},
        {{L"--feed-back"}, true, false},
        {{L"firstinstall", L"schedule"}, false, true},
        {{L"-schedule", L"feedbacks", L"first install"}, false, false},
        {{L"\\firstInstall", L"-feedback"}, true, true},
    };
    for (const auto& c : cases) {
        CDriverOptimizerApp app;
        app.ApplyStartupArguments(c.arguments);
        EXPECT_EQ(app.FeedbackRequested(), c.feedback) << c.arguments[0];
        EXPECT_EQ(app.ShowFeedbackForm(), c.feedback) << c.arguments[0];
        EXPECT_EQ(app.FirstInstall(), c.firstInstall) << c.arguments[0];
    }
}

TEST(TemporaryFolderTest, FolderNameIsCleanedAndNeverEmptyOrDots) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Halvenor", L"Halvenor"}, {L"", L"Halvenor"},          {L".", L"Halvenor"},
        {L"..", L"Halvenor"},       {L"Hal:ve*nor?", L"Halvenor"}, {L"a/b\\c\"d<e>f|g", L"abcdefg"},
        {L"name.", L"name"},        {L"\\..\\", L"Halvenor"},    {L"Tool\u00E9", L"Tool\u00E9"},
    };
    for (const auto& [title, expected] : cases) EXPECT_EQ(TemporaryFolderName(title), expected) << title;

    struct Inside {
        const wchar_t* path;
        const wchar_t* folder;
        bool inside;
    } insides[] = {
        {L"C:\\T\\x", L"C:\\T", true},      {L"c:\\t\\X\\", L"C:\\T\\", true}, {L"C:\\T", L"C:\\T", false},
        {L"C:\\T\\", L"C:\\T", false},      {L"C:\\T\\..\\x", L"C:\\T", false}, {L"C:\\Tx", L"C:\\T", false},
        {L"C:\\T\\.", L"C:\\T", false},     {L"", L"C:\\T", false},           {L"C:\\T\\x", L"", false},
    };
    for (const auto& c : insides) EXPECT_EQ(IsStrictlyInsideFolder(c.path, c.folder), c.inside) << c.path;
}

// The user's temporary folder of this process, moved to a private one so that the
// work folder's deletion cannot touch another test's files.
class ScopedUserTemp {
public:
    ScopedUserTemp() {
        SetEnvironmentVariableW(L"TMP", (folder_.Path() + L"\\").c_str());
        SetEnvironmentVariableW(L"TEMP", (folder_.Path() + L"\\").c_str());
    }
    ~ScopedUserTemp() {
        SetEnvironmentVariableW(L"TMP", saved_.c_str());
        SetEnvironmentVariableW(L"TEMP", saved_.c_str());
    }

private:
    std::wstring saved_ = UserTemp();
    ScopedTempFolder folder_;
};

TEST_F(DriverOptimizerAppTest, WorkFolderWithoutLanguageFileStaysInsideTemp) {
    ScopedUserTemp privateTemp;
    ASSERT_NE(UserTemp().find(L"halvenor-test-"), std::wstring::npos);
    LanguageFileCache().SetPath(L"");
    LanguageFileCache().ClearCache();
    const std::wstring marker = UserTemp() + L"halvenor-marker-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(WriteFileBytes(marker, "keep"));

    CDriverOptimizerApp app;
    // Before start-up the work folder is the temporary folder itself: never wiped.
    EXPECT_FALSE(app.RecreateTemporaryFolder());
    EXPECT_TRUE(PathExists(marker));

    app.ParseStartupSwitches();
    EXPECT_EQ(app.TemporaryFolder(), UserTemp() + L"Halvenor\\");
    EXPECT_EQ(app.ScanUpdate().temporaryWorkFolder, app.TemporaryFolder());
    const std::wstring inside = app.TemporaryFolder() + L"left-over.txt";
    ASSERT_TRUE(WriteFileBytes(inside, "old"));
    EXPECT_TRUE(app.RecreateTemporaryFolder());
    EXPECT_FALSE(PathExists(inside));
    EXPECT_TRUE(PathExists(app.TemporaryFolder()));
    EXPECT_TRUE(PathExists(marker));
    DeleteFileW(marker.c_str());
}

}  // namespace
