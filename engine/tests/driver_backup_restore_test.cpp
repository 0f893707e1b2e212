// The installed test driver is backed up, taken away and restored.
#include "engine/tests/installed_driver_fixture.h"
#include "tests/support/little_endian_bytes.h"

namespace {

using DriverBackupAndRestore = installed_test_driver::InstalledDriverTest;
using installed_test_driver::PackageInf;

TEST_F(DriverBackupAndRestore, BacksUpTheInstalledDriverAndPutsItBack) {
    const DriverInfoRecord record = DeviceRecord();
    ASSERT_FALSE(record.driverKey.empty());
    std::vector<int> percents;
    BackupOutcome outcome;
    ASSERT_EQ(BackupOneDriver(engine_, backupFolder_.Path(), &record, 1,
                              [&](int percent) { percents.push_back(percent); }, &outcome),
              32);
    EXPECT_EQ(outcome.devicesBackedUp, 1);
    EXPECT_EQ(percents, (std::vector<int>{20, 40, 60, 80, 100, 100}));

    // The device folder: ":" and "/" cannot be in a folder name.
    const std::wstring deviceFolder = backupFolder_.File(L"Halvenor BackupDevice");
    const std::wstring wideBase(base_.begin(), base_.end());
    EXPECT_EQ(ReadFileBytes(deviceFolder + L"\\" + wideBase + L".sys"), "driver image");
    EXPECT_EQ(ReadFileBytes(deviceFolder + L"\\" + wideBase + L".cat"), "catalog");
    EXPECT_EQ(ReadFileBytes(deviceFolder + L"\\" + storedInfName_), PackageInf(device_.HardwareId(), base_));

    const std::string expectedIndex =
        LittleEndian32(11) + CountedUtf16(L"Halvenor: Backup/Device") + CountedUtf16(storedInfName_) + CountedUtf16(L"1.2.3.4") + CountedUtf16(L"System") + CountedUtf16(L"") +
        CountedUtf16(L"Halvenor Tests") + CountedUtf16(device_.HardwareId()) + CountedUtf16(record.driverKey) + CountedUtf16(L"01-02-2020") +
        CountedUtf16(L"") + CountedUtf16(L"") + LittleEndian32(0) + CountedUtf16(L"Halvenor BackupDevice\\") + LittleEndian32(1);
    EXPECT_EQ(ReadFileBytes(backupFolder_.File(L"index.dat")), expectedIndex);

    int count = 0;
    const DriverInfoArray listed = LoadBackupIndexRecords(backupFolder_.Path(), count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(listed[0].deviceName, L"Halvenor: Backup/Device");
    EXPECT_EQ(listed[0].hardwareId, device_.HardwareId());

    // The driver goes away; the restore puts it back from the backup.
    {
        const CDriverScannerApp::FsRedirectionOff redirection(engine_);
        ASSERT_TRUE(DeleteFileW(driverFile_.c_str()));
    }
    DriverInfoRecord selected;
    selected.deviceName = listed[0].deviceName;
    selected.hardwareId = listed[0].hardwareId;
    RestoreOutcome restored;
    std::vector<int> restorePercents;
    EXPECT_EQ(InstallDriverFromBackup(engine_, helperFolder_.Path(), backupFolder_.Path(), &selected, 1, restored,
                                      [&](const DriverInfoRecord*, int percent) { restorePercents.push_back(percent); }),
              1);
    EXPECT_EQ(restored.failureCount, 0);
    EXPECT_TRUE(restored.restartNeeded);
    EXPECT_EQ(restorePercents, (std::vector<int>{50}));
    const CDriverScannerApp::FsRedirectionOff redirection(engine_);
    EXPECT_EQ(ReadFileBytes(driverFile_), "driver image");
}

TEST_F(DriverBackupAndRestore, AStopBetweenDevicesGivesTheCancelCode) {
    DriverInfoRecord records[2] = {DeviceRecord(), DeviceRecord()};
    records[1].deviceName = L"Second";
    int reports = 0;
    // The stop comes with the first report of the second device.
    const int result = BackupOneDriver(engine_, backupFolder_.Path(), records, 2, [&](int) {
        if (++reports == 6) engine_.SetStatusCode(19);
    });
    EXPECT_EQ(result, 19);
    EXPECT_EQ(engine_.StatusCode(), 35);
    EXPECT_EQ(WaitForSingleObject(engine_.OperationEvent(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(PathExists(backupFolder_.File(L"Halvenor BackupDevice")));
    EXPECT_FALSE(PathExists(backupFolder_.File(L"Second")));
    int count = 0;
    EXPECT_EQ(LoadBackupIndexRecords(backupFolder_.Path(), count).size(), 1u);
}

}  // namespace
