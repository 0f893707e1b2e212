#include "engine/backup_archive.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <set>
#include <thread>

#include "engine/backup_archive_list.h"
#include "engine/backup_archive_load.h"
#include "engine/backup_restore_runs.h"
#include "engine/backup_worker.h"
#include "engine/driver_scanner_app.h"
#include "engine/zip_archive_handle.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "scan/driver_scan_update.h"
#include "tests/support/little_endian_bytes.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/zip_writer.h"

namespace {

std::vector<std::wstring> ZipFilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.zip").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BackupArchiveName, IsTheLanguageTextWithoutBlanksTheTimeAndZip) {
    // 9 December 2026 is a Wednesday; the weekday the clock gives is not trusted.
    SYSTEMTIME time = ManualClock::Make(2026, 12, 9, 9, 34, 31);
    time.wDayOfWeek = 2;
    const struct {
        const wchar_t* nameText;
        const wchar_t* title;
        const wchar_t* fileName;
    } cases[] = {
        {L"%s Backup", L"Halvenor Driver", L"HalvenorDriverBackupWednesday,09-Dec-2026_H09-M34-S31.zip"},
        {L"Backup-%s", L"X", L"Backup-XWednesday,09-Dec-2026_H09-M34-S31.zip"},
        {L"NoTitle", L"X", L"NoTitleWednesday,09-Dec-2026_H09-M34-S31.zip"},
        // A language text is no format of its own, and no file name may come of it.
        {L"%s %d%n %% a/b:c", L"T", L"T%d%n%abcWednesday,09-Dec-2026_H09-M34-S31.zip"},
        {L"%s", L"A<B>|C", L"ABCWednesday,09-Dec-2026_H09-M34-S31.zip"},
    };
    for (const auto& c : cases) {
        const BackupArchiveName name = MakeBackupArchiveName(c.nameText, c.title, time);
        EXPECT_EQ(name.fileName, c.fileName) << testing::PrintToString(std::wstring(c.nameText));
        EXPECT_EQ(name.timeText, L"2026-12-09_09-34-31");
    }
}

// A working folder as the engine leaves it: device folders and the index.
class BackupPacking : public ::testing::Test {
protected:
    void SetUp() override {
        working_ = root_.File(L"work");
        archives_ = root_.File(L"archives");
        FillWorkingFolder();
    }

    void FillWorkingFolder() {
        CreateDirectoryW(working_.c_str(), nullptr);
        CreateDirectoryW((working_ + L"\\Dev A").c_str(), nullptr);
        CreateDirectoryW((working_ + L"\\Dev B").c_str(), nullptr);
        CreateDirectoryW((working_ + L"\\Dev B\\sub").c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(working_ + L"\\index.dat", std::string(30, 'i')));
        ASSERT_TRUE(WriteFileBytes(working_ + L"\\Dev A\\a.sys", std::string(1000, 's')));
        ASSERT_TRUE(WriteFileBytes(working_ + L"\\Dev A\\a.inf", std::string(200, 'n')));
        ASSERT_TRUE(WriteFileBytes(working_ + L"\\Dev B\\sub\\b.cat", std::string(50, 'c')));
        ASSERT_TRUE(WriteFileBytes(working_ + L"\\Dev B\\desktop.ini", std::string(7, 'd')));
    }

    BackupArchiveJob Job(int64_t freeBytes) {
        BackupArchiveJob job;
        job.backupFolder = archives_;
        job.workingFolder = working_;
        job.backupList = &list_;
        job.saveBackupList = [this] {
            ++saves_;
            return true;
        };
        job.stopRequested = &stop_;
        job.report = &report_;
        job.freeSpace = [freeBytes](const std::wstring&) { return freeBytes; };
        job.makeName = [] { return BackupArchiveName{L"HalvenorBackupWednesday,09-Dec-2026_H09-M34-S31.zip",
                                                     L"2026-12-09_09-34-31"}; };
        return job;
    }

    struct Report : BackupRunReport {
        void ShowError(const wchar_t* key) override { errors.push_back(key); }
        std::vector<std::wstring> errors;
    };

    ScopedTempFolder root_;
    std::wstring working_;
    std::wstring archives_;
    BackupList list_;
    int saves_ = 0;
    std::atomic<bool> stop_{false};
    Report report_;
    // index.dat and desktop.ini do not count.
    static constexpr int64_t kCountedBytes = 1000 + 200 + 50;
};

TEST_F(BackupPacking, FolderSizeLeavesOutTheIndexAndDesktopIni) {
    EXPECT_EQ(ComputeFolderSize(working_), static_cast<double>(kCountedBytes));
    EXPECT_EQ(ComputeFolderSize(root_.File(L"missing")), 0.0);
}

TEST_F(BackupPacking, FreeSpaceEqualToTheSizePassesOneByteLessDoesNot) {
    EXPECT_EQ(BuildBackupArchive(Job(kCountedBytes - 1)), BackupArchiveResult::kNoSpace);
    EXPECT_TRUE(ZipFilesIn(archives_).empty());
    EXPECT_TRUE(list_.empty());
    EXPECT_TRUE(PathExists(working_));
    EXPECT_EQ(BuildBackupArchive(Job(-1)), BackupArchiveResult::kNoSpace);  // the query failed

    std::wstring path;
    ASSERT_EQ(BuildBackupArchive(Job(kCountedBytes), &path), BackupArchiveResult::kDone);
    const std::wstring name = L"HalvenorBackupWednesday,09-Dec-2026_H09-M34-S31.zip";
    EXPECT_EQ(path, archives_ + L"\\" + name);
    EXPECT_EQ(ZipEntryNames(path), (std::set<std::string>{"index.dat", "Dev A/a.sys", "Dev A/a.inf",
                                                              "Dev B/sub/b.cat", "Dev B/desktop.ini"}));
    EXPECT_EQ(list_, (BackupList{{name, path + L"|2026-12-09_09-34-31"}}));
    EXPECT_EQ(saves_, 1);
    EXPECT_FALSE(PathExists(working_));
}

TEST_F(BackupPacking, TwoArchivesInTheSameSecondAreBothKept) {
    std::wstring first;
    std::wstring second;
    ASSERT_EQ(BuildBackupArchive(Job(kCountedBytes), &first), BackupArchiveResult::kDone);
    FillWorkingFolder();
    ASSERT_TRUE(DeleteFileW((working_ + L"\\Dev A\\a.sys").c_str()));
    ASSERT_EQ(BuildBackupArchive(Job(kCountedBytes), &second), BackupArchiveResult::kDone);

    const std::wstring name = L"HalvenorBackupWednesday,09-Dec-2026_H09-M34-S31";
    EXPECT_EQ(ZipFilesIn(archives_), (std::vector<std::wstring>{name + L".zip", name + L"_2.zip"}));
    EXPECT_EQ(second, archives_ + L"\\" + name + L"_2.zip");
    EXPECT_EQ(list_.size(), 2u);
    EXPECT_EQ(list_[name + L"_2.zip"], second + L"|2026-12-09_09-34-31");
    EXPECT_EQ(ZipEntryNames(first).count("Dev A/a.sys"), 1u);
    EXPECT_EQ(ZipEntryNames(second).count("Dev A/a.sys"), 0u);
}

TEST_F(BackupPacking, NothingToPackOrAStopLeavesNoArchive) {
    // Nothing found: the archive goes and the working folder stays for the next run.
    DeleteWorkFolder(working_);
    CreateDirectoryW(working_.c_str(), nullptr);
    EXPECT_EQ(BuildBackupArchive(Job(kCountedBytes)), BackupArchiveResult::kFailed);
    EXPECT_EQ(report_.errors, (std::vector<std::wstring>{L"IDS_NOFOUND_BAKFILE"}));
    EXPECT_TRUE(ZipFilesIn(archives_).empty());
    EXPECT_TRUE(list_.empty());
    EXPECT_TRUE(PathExists(working_));

    // A stop skips the packing and still clears the working folder.
    FillWorkingFolder();
    stop_ = true;
    EXPECT_EQ(BuildBackupArchive(Job(kCountedBytes)), BackupArchiveResult::kDone);
    EXPECT_TRUE(ZipFilesIn(archives_).empty());
    EXPECT_TRUE(list_.empty());
    EXPECT_FALSE(PathExists(working_));
}

// The archive is visible under its name only once it is whole, so a run killed
// midway leaves nothing that looks like a backup; what such a run left is swept by
// the next one, while a partial archive that another run still writes stays.
TEST_F(BackupPacking, AnArchiveTakesItsNameOnlyWhenWholeAndPartialOnesAreSwept) {
    const std::wstring leftByAKilledRun = archives_ + L"\\HalvenorBackupTuesday.zip.partial";
    const std::wstring beingWritten = archives_ + L"\\HalvenorBackupBusy.zip.partial";
    CreateDirectoryW(archives_.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(leftByAKilledRun, Noise(100000, 1)));
    ASSERT_TRUE(WriteFileBytes(beingWritten, Noise(1000, 2)));
    UniqueHandle writer(CreateFileW(beingWritten.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    // Big enough that packing it takes a while to watch.
    ASSERT_TRUE(WriteFileBytes(working_ + L"\\Dev A\\big.sys", Noise(24 << 20, 3)));

    const std::wstring archive = archives_ + L"\\HalvenorBackupWednesday,09-Dec-2026_H09-M34-S31.zip";
    std::atomic<bool> packed{false};
    std::vector<int64_t> sizesSeen;
    std::thread watcher([&] {
        while (!packed.load()) {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            if (GetFileAttributesExW(archive.c_str(), GetFileExInfoStandard, &data)) {
                sizesSeen.push_back(static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
            }
            Sleep(1);
        }
    });
    std::wstring path;
    const int result = BuildBackupArchive(Job(INT64_MAX), &path);
    packed = true;
    watcher.join();
    ASSERT_EQ(result, BackupArchiveResult::kDone);
    EXPECT_EQ(path, archive);

    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(archive.c_str(), GetFileExInfoStandard, &data));
    const int64_t whole = static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    for (int64_t seen : sizesSeen) EXPECT_EQ(seen, whole) << "the archive showed under its name before it was whole";
    EXPECT_EQ(ZipEntryNames(archive).count("Dev A/big.sys"), 1u);
    EXPECT_EQ(ZipFilesIn(archives_), std::vector<std::wstring>{archive.substr(archives_.size() + 1)});
    EXPECT_FALSE(PathExists(archive + L".partial"));
    EXPECT_FALSE(PathExists(leftByAKilledRun));
    EXPECT_TRUE(PathExists(beingWritten));
    EXPECT_EQ(list_.size(), 1u);
}

TEST(WorkFolders, OnlyFoldersInsideTheWorkAreaAreDeleted) {
    ScopedTempFolder temp;
    const std::wstring inside = temp.File(L"work");
    CreateDirectoryW(inside.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(inside + L"\\f.txt", "x"));
    const std::wstring outside = L"C:\\hv_outside_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(outside.c_str(), nullptr);
    wchar_t tempPath[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, tempPath);

    EXPECT_FALSE(DeleteWorkFolder(L""));
    EXPECT_FALSE(DeleteWorkFolder(L"C:\\"));
    EXPECT_FALSE(DeleteWorkFolder(tempPath));
    EXPECT_FALSE(DeleteWorkFolder(outside));
    EXPECT_TRUE(PathExists(outside));
    EXPECT_TRUE(DeleteWorkFolder(inside + L"\\"));
    EXPECT_FALSE(PathExists(inside));
    RemoveDirectoryW(outside.c_str());
}

TEST(WorkFolders, FreeSpaceIsAskedOfTheFolderAndAFailedQueryIsMinusOne) {
    ScopedTempFolder temp;
    EXPECT_GT(FreeBytesOfFolder(temp.File(L"not\\made\\yet")), 0);
    EXPECT_EQ(FreeBytesOfFolder(L"relative\\folder"), -1);
    EXPECT_EQ(FreeBytesOfFolder(L""), -1);
}

// The worker around the engine's pass; files the pass would copy are put in by the
// report when packing is about to start.
class BackupWorkerRuns : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots_.Active());
        ASSERT_EQ(app_.Initialize(), 1);
        engine_.temporaryWorkFolder = root_.File(L"work");
        settings_.backupFolder = root_.File(L"full");
        settings_.backupList = &list_;
        settings_.freeSpace = [this](const std::wstring& folder) { return folder == settings_.backupFolder ? 0 : 1 << 30; };
        settings_.makeName = [] { return BackupArchiveName{L"B.zip", L"2026-12-09_09-34-31"}; };
        ASSERT_TRUE(WriteUserSystemTime(ManualClock::Make(2025, 1, 2, 3, 4, 5), kProductKeyPath, L"LastBackupTime"));
        settings_.choice.everyDevice = true;
    }

    struct Report : BackupRunReport {
        void ShowStatus(const wchar_t* key) override {
            statuses.push_back(key);
            if (onStatus) onStatus(key);
        }
        bool AskYesNo(const wchar_t* key) override {
            questions.push_back(key);
            return answerYes;
        }
        bool ChooseNewBackupFolder(std::wstring& folder) override {
            folder = otherFolder;
            return !folder.empty();
        }
        std::function<void(const std::wstring&)> onStatus;
        std::vector<std::wstring> statuses;
        std::vector<std::wstring> questions;
        bool answerYes = false;
        std::wstring otherFolder;
    };

    void CopyFilesWhenPackingStarts(BackupWorker& worker, bool thenStop) {
        report_.onStatus = [this, &worker, thenStop](const std::wstring& key) {
            if (key != L"IDS_BCK_COMPRESS" || PathExists(engine_.temporaryWorkFolder + L"\\index.dat")) return;
            WriteFileBytes(engine_.temporaryWorkFolder + L"\\index.dat", "index");
            WriteFileBytes(engine_.temporaryWorkFolder + L"\\d.sys", std::string(10, 's'));
            if (thenStop) worker.MarkStopRequested();
        };
    }

    SYSTEMTIME LastBackupTime() {
        SYSTEMTIME time{};
        ReadUserSystemTime(kProductKeyPath, L"LastBackupTime", time);
        return time;
    }

    ScopedRegistryRoots roots_;
    ManualClock clock_{100000, ManualClock::Make(2026, 12, 9, 9, 34, 31)};
    ScopedTempFolder root_;
    CDriverScannerApp app_;
    CDriverScanUpdate engine_{&app_};
    BackupList list_;
    BackupRunSettings settings_;
    Report report_;
};

TEST_F(BackupWorkerRuns, AStopBeforePackingLeavesNoArchiveAndTheOldBackupTime) {
    BackupWorker worker(engine_, app_, report_);
    CopyFilesWhenPackingStarts(worker, true);
    settings_.freeSpace = [](const std::wstring&) { return int64_t{1} << 30; };
    const BackupRunOutcome outcome = worker.Run(settings_);
    EXPECT_TRUE(outcome.ran);
    EXPECT_TRUE(outcome.passFinished);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(ZipFilesIn(settings_.backupFolder).empty());
    EXPECT_TRUE(list_.empty());
    EXPECT_FALSE(PathExists(engine_.temporaryWorkFolder));
    EXPECT_EQ(report_.statuses.back(), L"BACKUPDLG4_1");
    EXPECT_EQ(LastBackupTime().wYear, 2025);
}

TEST_F(BackupWorkerRuns, TooLittleRoomOffersAnotherFolderThatBecomesTheBackupPath) {
    struct Case {
        const char* what;
        bool yes;
        const wchar_t* otherFolder;
        bool failed;
        const wchar_t* lastStatus;
    };
    const std::wstring other = root_.File(L"other");
    const Case cases[] = {
        {"the user says no", false, L"", true, L"IDS_ABORTING_BAK2"},
        {"the user picks no folder", true, L"", true, L"IDS_ABORTING_BAK2"},
        {"the user picks a folder with room", true, other.c_str(), false, L"BACKUPDLG4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        report_.statuses.clear();
        report_.questions.clear();
        report_.answerYes = c.yes;
        report_.otherFolder = c.otherFolder;
        BackupWorker worker(engine_, app_, report_);
        CopyFilesWhenPackingStarts(worker, false);
        const BackupRunOutcome outcome = worker.Run(settings_);
        EXPECT_EQ(outcome.failed, c.failed);
        EXPECT_EQ(report_.questions, (std::vector<std::wstring>{L"IDS_BACKUP_INSUFFI_SPACE"}));
        EXPECT_EQ(report_.statuses.back(), c.lastStatus);
        EXPECT_TRUE(ZipFilesIn(settings_.backupFolder).empty());
        std::wstring backupPath;
        DWORD number = 0;
        GetUserRegistryValue(kProductKeyPath, L"Backup Path", backupPath, number, 1);
        if (c.failed) {
            EXPECT_EQ(LastBackupTime().wYear, 2025);
            EXPECT_TRUE(backupPath.empty());
        } else {
            EXPECT_EQ(outcome.backupFolder, other);
            EXPECT_EQ(outcome.archivePath, other + L"\\B.zip");
            EXPECT_EQ(ZipEntryNames(outcome.archivePath), (std::set<std::string>{"index.dat", "d.sys"}));
            EXPECT_EQ(backupPath, other);
            EXPECT_EQ(LastBackupTime().wYear, 2026);
        }
    }
}

TEST_F(BackupWorkerRuns, AnUnfinishedPassFailsTheRun) {
    // A partial backup with nothing chosen runs no pass.
    settings_.choice = {};
    BackupWorker worker(engine_, app_, report_);
    const BackupRunOutcome outcome = worker.Run(settings_);
    EXPECT_FALSE(outcome.passFinished);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(report_.statuses.back(), L"BACKUPDLG4_1");
}

// Archives as the restore side finds them: one written here with crafted entries.
class CraftedArchives : public ::testing::Test {
protected:
    void SetUp() override {
        engine_.temporaryWorkFolder = root_.File(L"work");
        SetRunMessageSink([this](const std::wstring& text) { messages_.push_back(text); });
    }
    void TearDown() override { SetRunMessageSink(nullptr); }

    int Load(const std::vector<CabinetMember>& members, const ArchiveUnpackLimits& limits = {}) {
        const std::wstring path = root_.File(L"a.zip");
        DeleteFileW(path.c_str());
        if (!WriteZip(path, members)) return -1;
        return LoadFile(path, limits);
    }
    int LoadFile(const std::wstring& path, const ArchiveUnpackLimits& limits = {}) {
        const BackupList list{{L"a.zip", path + L"|2026-12-09_09-34-31"}};
        return LoadArchiveDrivers(engine_, L"a.zip", list, &records_, limits);
    }

    static std::string Index(const std::vector<std::pair<std::wstring, std::wstring>>& namesAndFolders) {
        std::string bytes = LittleEndian32(11);
        uint32_t count = 0;
        for (const auto& [name, folder] : namesAndFolders) {
            bytes += CountedUtf16(name) + CountedUtf16(L"x.inf");
            for (int i = 0; i < 9; ++i) bytes += CountedUtf16(i == 1 ? L"System" : L"");
            bytes += LittleEndian32(0) + CountedUtf16(folder) + LittleEndian32(++count);
        }
        return bytes;
    }

    ScopedTempFolder root_;
    CDriverScanUpdate engine_;
    DriverInfoArray records_;
    std::vector<std::wstring> messages_;
};

TEST_F(CraftedArchives, AnyBadEntryRefusesTheWholeArchive) {
    const std::string index = Index({{L"Disk", L"Disk\\"}});
    const struct {
        const char* name;
    } cases[] = {{"..\\x"}, {"../x"}, {"C:\\x"}, {"\\x"}, {"a:b"}, {"CON"}, {"sub/..\\..\\x"}};
    const bool rootHadX = PathExists(L"C:\\x");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages_.clear();
        EXPECT_EQ(Load({{"index.dat", index}, {"Disk/x.inf", "inf"}, {c.name, "evil"}}), 0);
        EXPECT_EQ(messages_.size(), 1u);
        EXPECT_FALSE(PathExists(engine_.temporaryWorkFolder));
        EXPECT_FALSE(PathExists(root_.File(L"x")));
        EXPECT_EQ(PathExists(L"C:\\x"), rootHadX);
        EXPECT_TRUE(engine_.backupRestore.restoreSelectionMap.empty());
    }
}

TEST_F(CraftedArchives, SizeAndChecksumAreHeldToo) {
    const std::string index = Index({{L"Disk", L"Disk\\"}});
    const std::vector<CabinetMember> huge = {{"index.dat", index}, {"Disk/x.inf", std::string(3 << 20, '\0')}};
    ArchiveUnpackLimits smallCap;
    smallCap.maxTotalBytes = 1 << 20;
    EXPECT_EQ(Load(huge, smallCap), 0);
    ArchiveUnpackLimits littleRoom;
    littleRoom.freeSpace = [](const std::wstring&) { return int64_t{1} << 20; };
    EXPECT_EQ(Load(huge, littleRoom), 0);
    ArchiveUnpackLimits noAnswer;
    noAnswer.freeSpace = [](const std::wstring&) { return int64_t{-1}; };
    EXPECT_EQ(Load({{"index.dat", index}}, noAnswer), 0);
    EXPECT_EQ(messages_.size(), 3u);
    EXPECT_EQ(Load(huge), 1);

    // One entry whose checksum does not match its content.
    const std::wstring path = root_.File(L"a.zip");
    ASSERT_EQ(Load({{"index.dat", index}}), 1);
    std::string bytes = ReadFileBytes(path);
    const size_t central = bytes.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    bytes[14] = static_cast<char>(bytes[14] ^ 0x5A);            // local header
    bytes[central + 16] = static_cast<char>(bytes[central + 16] ^ 0x5A);  // central directory
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    messages_.clear();
    EXPECT_EQ(LoadFile(path), 0);
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_FALSE(PathExists(engine_.temporaryWorkFolder));
}

TEST_F(CraftedArchives, IndexEntriesOutsideTheWorkingFolderAreNotOffered) {
    EXPECT_EQ(Load({{"index.dat", Index({{L"Disk", L"Disk\\"}, {L"Evil", L"..\\Evil\\"}, {L"Far", L"C:\\Far\\"}})},
                    {"Disk/x.inf", "inf"}}),
              1);
    ASSERT_EQ(records_.size(), 1u);
    EXPECT_EQ(records_[0].deviceName, L"Disk");
    EXPECT_EQ(engine_.backupRestore.restoreSelectionMap, (CDriverScanUpdate::TextMap{{L"Disk|0", L"|System"}}));
    EXPECT_EQ(engine_.backupRestore.restoreFolder, engine_.temporaryWorkFolder);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(CraftedArchives, NothingSelectedIsNoFailureAMissingArchiveIs) {
    const BackupList list{{L"gone.zip", root_.File(L"gone.zip") + L"|2026-12-09_09-34-31"}};
    EXPECT_EQ(LoadArchiveDrivers(engine_, L"", list), 1);
    EXPECT_EQ(LoadArchiveDrivers(engine_, L"gone.zip", list), 0);
    EXPECT_EQ(LoadArchiveDrivers(engine_, L"unlisted.zip", list), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(CraftedArchives, AWorkingFolderThatCannotBeEmptiedFailsTheLoad) {
    const std::wstring outside = L"C:\\hv_outside_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(outside.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(outside + L"\\keep.txt", "keep"));
    engine_.temporaryWorkFolder = outside;
    EXPECT_EQ(Load({{"index.dat", Index({{L"Disk", L"Disk\\"}})}}), 0);
    EXPECT_EQ(ReadFileBytes(outside + L"\\keep.txt"), "keep");
    EXPECT_FALSE(PathExists(outside + L"\\index.dat"));
    DeleteFileW((outside + L"\\keep.txt").c_str());
    RemoveDirectoryW(outside.c_str());
}

TEST(BackupArchiveTimes, SortKeyFromTheName) {
    const struct {
        const wchar_t* name;
        const wchar_t* key;
        bool timeSet;
    } cases[] = {
        {L"HalvenorBackupWednesday,09-Dec-2026_H09-M34-S31.zip", L"20261209_093431", true},
        {L"X,01-Jan-2027_H23-M59-S58.zip", L"20270101_235958", true},
        {L"no comma 09-Dec-2026", L"_", false},
        {L"X,garbage_Hnonsense.zip", L"_", false},
    };
    for (const auto& c : cases) {
        ArchiveTime time;
        EXPECT_EQ(BackupArchiveSortKey(c.name, time), c.key) << testing::PrintToString(std::wstring(c.name));
        EXPECT_EQ(time.valid, c.timeSet) << testing::PrintToString(std::wstring(c.name));
    }
    ArchiveTime fromName;
    ArchiveTime stored;
    BackupArchiveSortKey(L"X,09-Dec-2026_H09-M34-S31.zip", fromName);
    ASSERT_TRUE(ParseStoredBackupTime(L"2026-12-09_09-34-31", stored));
    EXPECT_NEAR(fromName.value, stored.value, 1e-7);
}

TEST(BackupArchiveTimes, StoredTimeText) {
    const struct {
        const wchar_t* text;
        bool splits;
        bool valid;
        SYSTEMTIME time;
    } cases[] = {
        {L"2026-12-09_09-34-31", true, true, ManualClock::Make(2026, 12, 9, 9, 34, 31)},
        {L"2024-02-29_00-00-00", true, true, ManualClock::Make(2024, 2, 29, 0, 0, 0)},
        {L"2026-13-09_09-34-31", true, false, {}},
        {L"2025-02-29_09-34-31", true, false, {}},
        {L"2026-12-09_25-00-00", true, false, {}},
        {L"2026-12-09", false, false, {}},
        {L"2026-12_09-34-31", false, false, {}},
        {L"2026-12-09_09-34", false, false, {}},
        {L"", false, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        ArchiveTime time;
        EXPECT_EQ(ParseStoredBackupTime(c.text, time), c.splits);
        EXPECT_EQ(time.valid, c.valid);
        if (!c.valid) continue;
        SYSTEMTIME parts{};
        ASSERT_TRUE(VariantTimeToSystemTime(time.value, &parts));
        EXPECT_EQ(parts.wYear, c.time.wYear);
        EXPECT_EQ(parts.wMonth, c.time.wMonth);
        EXPECT_EQ(parts.wDay, c.time.wDay);
        EXPECT_EQ(parts.wHour, c.time.wHour);
        EXPECT_EQ(parts.wMinute, c.time.wMinute);
        EXPECT_EQ(parts.wSecond, c.time.wSecond);
    }
}

TEST(BackupArchiveList, ListsExistingArchivesNewestFirst) {
    ScopedTempFolder folder;
    const auto archive = [&](const wchar_t* name) {
        const std::wstring path = folder.File(name);
        EXPECT_TRUE(WriteZip(path, {{"index.dat", "i"}}));
        return path;
    };
    const std::wstring empty = folder.File(L"empty.zip");
    {
        ZipWriteHandle handle;
        ASSERT_TRUE(handle.Create(empty));
        ASSERT_TRUE(handle.Close());
    }
    ASSERT_TRUE(WriteFileBytes(folder.File(L"not a zip.zip"), "text"));
    const BackupList list = {
        {L"middle.zip", archive(L"middle.zip") + L"|2026-12-09_09-34-31"},
        {L"X,01-Jan-2027_H08-M00-S00.zip", archive(L"X,01-Jan-2027_H08-M00-S00.zip")},  // no "|": time from the name
        {L"oldest.zip", archive(L"oldest.zip") + L"|2025-06-01_12-00-00"},
        {L"undated.zip", archive(L"undated.zip") + L"|never"},  // no time anywhere: now
        {L"gone.zip", folder.File(L"gone.zip") + L"|2026-01-01_00-00-00"},
        {L"empty.zip", empty + L"|2026-01-01_00-00-00"},
        {L"not a zip.zip", folder.File(L"not a zip.zip") + L"|2026-01-01_00-00-00"},
    };
    ArchiveTime now;
    ASSERT_TRUE(ParseStoredBackupTime(L"2027-03-01_10-00-00", now));
    const std::vector<BackupArchiveRow> rows = ListBackupArchives(list, now);
    std::vector<std::wstring> names;
    for (const BackupArchiveRow& row : rows) names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"undated.zip", L"X,01-Jan-2027_H08-M00-S00.zip", L"middle.zip",
                                                L"oldest.zip"}));
    EXPECT_EQ(rows[2].sortKey, L"20261209_093431");
    EXPECT_EQ(rows[2].path, folder.File(L"middle.zip"));
}

TEST(BackupArchiveList, RowsWithoutAValidTimeSortByKey) {
    std::vector<BackupArchiveRow> rows(3);
    rows[0] = {L"c", L"", L"20270101_000000", {}};
    rows[1] = {L"a", L"", L"20250101_000000", {100.0, true}};
    rows[2] = {L"b", L"", L"20260101_000000", {}};
    SortArchiveRows(rows);
    EXPECT_EQ(rows[0].name + rows[1].name + rows[2].name, L"abc");
}

TEST(DeviceDetails, CategoryThenTheDetailsItHas) {
    DriverInfoRecord full;
    full.category = L"Disk drives";
    full.driverDate = L"01-02-2020";
    full.provider = L"Maker";
    full.driverVersion = L"1.2.3.4";
    full.hardwareId = L"ROOT\\DISK";
    full.signer = L"Signer";
    DriverInfoRecord sparse;
    sparse.category = L"Net";
    sparse.provider = L"Maker";
    sparse.hardwareId = L"PCI\\X";
    const DriverInfoRecord bare;
    const struct {
        const DriverInfoRecord* record;
        const wchar_t* text;
    } cases[] = {
        {&full, L"Disk drives|01-02-2020|Maker|1.2.3.4|ROOT\\DISK|Signer"},
        {&sparse, L"Net|Maker|PCI\\X"},
        {&bare, L"|"},
        {nullptr, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(GetDeviceDetailsText(c.record), c.text);
}

TEST(DeviceDetails, RestoreKeysOfSimilarNamesStayApart) {
    EXPECT_NE(RestoreSelectionKey(L"Dev1", 1), RestoreSelectionKey(L"Dev", 11));
    EXPECT_EQ(RestoreSelectionKey(L"Disk", 7), L"Disk|7");
}

}  // namespace
