// A full backup of a device with an installed driver, through the worker, into a
// dated archive; the archive is loaded back and the driver restored from it.
#include "engine/backup_worker.h"

#include <set>

#include "engine/backup_archive_list.h"
#include "engine/backup_archive_load.h"
#include "engine/backup_restore_runs.h"
#include "engine/tests/installed_driver_fixture.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "scan/driver_scan_update.h"
#include "tests/support/manual_clock.h"
#include "tests/support/zip_writer.h"

namespace {

using installed_test_driver::SavedLastBackupTime;

class FullBackupAndRestore : public installed_test_driver::InstalledDriverTest {
protected:
    void SetUp() override {
        InstalledDriverTest::SetUp();
        if (HasFatalFailure()) return;
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kProductKeyPath, L"LastBackupTime");
        scanUpdate_.devices = {DeviceRecord()};
        scanUpdate_.devicesReported = 1;
        scanUpdate_.temporaryWorkFolder = backupFolder_.File(L"work");
        scanUpdate_.installHelperFolder = helperFolder_.Path();
        SetRunMessageSink([this](const std::wstring& text) { messages_.push_back(text); });
    }
    void TearDown() override {
        SetRunMessageSink(nullptr);
        InstalledDriverTest::TearDown();
    }

    SavedLastBackupTime savedTime_;
    ManualClock clock_{100000, ManualClock::Make(2026, 12, 9, 9, 34, 31)};
    CDriverScanUpdate scanUpdate_{&engine_};
    ScopedTempFolder archives_;
    std::vector<std::wstring> messages_;
};

TEST_F(FullBackupAndRestore, TheDatedArchiveRestoresTheSelectedDriver) {
    BackupList list;
    int saves = 0;
    BackupRunSettings settings;
    settings.backupFolder = archives_.Path();
    settings.backupList = &list;
    settings.saveBackupList = [&] {
        ++saves;
        return true;
    };
    settings.makeName = [] { return MakeBackupArchiveName(L"%s Backup", L"Halvenor", AppClock().LocalTime()); };
    BackupRunReport quiet;
    BackupWorker worker(scanUpdate_, engine_, quiet);
    settings.choice.everyDevice = true;
    const BackupRunOutcome outcome = worker.Run(settings);
    ASSERT_TRUE(outcome.passFinished);
    ASSERT_FALSE(outcome.failed);

    const std::wstring name = L"HalvenorBackupWednesday,09-Dec-2026_H09-M34-S31.zip";
    EXPECT_EQ(outcome.archivePath, archives_.File(name));
    EXPECT_EQ(list, (BackupList{{name, outcome.archivePath + L"|2026-12-09_09-34-31"}}));
    EXPECT_EQ(saves, 1);
    const std::string wideBase = base_;
    const std::string storedInf(storedInfName_.begin(), storedInfName_.end());
    EXPECT_EQ(ZipEntryNames(outcome.archivePath),
              (std::set<std::string>{"index.dat", "Halvenor BackupDevice/" + wideBase + ".sys",
                                     "Halvenor BackupDevice/" + wideBase + ".cat",
                                     "Halvenor BackupDevice/" + storedInf}));
    EXPECT_FALSE(PathExists(scanUpdate_.temporaryWorkFolder));
    SYSTEMTIME last{};
    ASSERT_TRUE(ReadUserSystemTime(kProductKeyPath, L"LastBackupTime", last));
    EXPECT_EQ(last.wYear, 2026);
    EXPECT_EQ(last.wSecond, 31);

    // The restore side lists the archive, loads it and restores the driver the
    // user chose.
    const std::vector<BackupArchiveRow> rows = ListBackupArchives(list, CurrentArchiveTime());
    ASSERT_EQ(rows.size(), 1u);
    DriverInfoArray records;
    ASSERT_EQ(LoadArchiveDrivers(scanUpdate_, rows[0].name, list, &records), 1);
    ASSERT_EQ(records.size(), 1u);
    {
        const CDriverScannerApp::FsRedirectionOff redirection(engine_);
        ASSERT_TRUE(DeleteFileW(driverFile_.c_str()));
    }
    std::atomic<bool> restorePending{true};
    EXPECT_EQ(RunArchiveRestore(scanUpdate_, engine_, {{records[0].deviceName, 0}}, restorePending), 1);
    EXPECT_FALSE(restorePending);
    EXPECT_EQ(scanUpdate_.backupRestore.restoreSelectedCount, 1);
    EXPECT_EQ(scanUpdate_.backupRestore.restoreFailureCount, 0);
    EXPECT_EQ(scanUpdate_.backupRestore.restoreSuccess, 1u);
    EXPECT_TRUE(messages_.empty());
    const CDriverScannerApp::FsRedirectionOff redirection(engine_);
    EXPECT_EQ(ReadFileBytes(driverFile_), "driver image");
}

}  // namespace
