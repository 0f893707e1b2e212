#include "engine/backup_restore_runs.h"

#include <gtest/gtest.h>

#include "engine/driver_scanner_app.h"
#include "scan/driver_scan_update.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

DriverInfoRecord Device(const wchar_t* name, uint32_t nodeStatus = 0, uint32_t unknown = 0) {
    DriverInfoRecord record;
    record.deviceName = name;
    record.hardwareId = std::wstring(L"ROOT\\") + name;
    record.nodeStatusResult = nodeStatus;
    record.isUnknownDevice = unknown;
    return record;
}

class BackupAndRestoreRuns : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(app_.Initialize(), 1);
        engine_.devices = {Device(L"Disk"), Device(L"Gone", 13), Device(L"Mystery", 0, 1), Device(L"Net")};
        engine_.devicesReported = 4;
        engine_.temporaryWorkFolder = work_.Path();
        SetRunMessageSink([this](const std::wstring& text) { messages_.push_back(text); });
    }
    void TearDown() override { SetRunMessageSink(nullptr); }

    CDriverScannerApp app_;
    CDriverScanUpdate engine_{&app_};
    DriverBackupRuns runs_{engine_, app_};
    ScopedTempFolder work_;
    std::vector<std::wstring> messages_;
};

TEST_F(BackupAndRestoreRuns, BackupTakesTheChosenDevicesOrEveryPresentOne) {
    int32_t shownCount = -1;
    SetMainWindowBackupCountReceiver([&](int32_t count) { shownCount = count; });

    // An index past the devices (a tree left from before a rescan) copies nothing
    // and is no record of the backup.
    runs_.BackupSelectedDrivers({false, {0, 99}});
    EXPECT_EQ(engine_.backupRestore.backupSelectedCount, 1);
    EXPECT_EQ(engine_.backupRestore.checkedCount, 2);
    EXPECT_EQ(shownCount, 1);
    EXPECT_EQ(MainWindowBackupCount(), 1);
    EXPECT_EQ(engine_.backupRestore.backupDone, 1u);
    EXPECT_EQ(engine_.backupRestore.backupSuccess, 1u);
    EXPECT_EQ(engine_.backupRestore.backupCancelled, 0u);
    EXPECT_EQ(engine_.operationKind, CDriverScanUpdate::kBackupOperation);
    // Devices of which nothing could be found are not in the backup.
    EXPECT_FALSE(PathExists(work_.File(L"index.dat")));

    runs_.BackupSelectedDrivers({true, {}});
    EXPECT_EQ(engine_.backupRestore.backupSelectedCount, 2);  // "Gone" is absent, "Mystery" unknown

    engine_.backupRestore.backupDone = 0;
    runs_.BackupSelectedDrivers({});
    EXPECT_EQ(engine_.backupRestore.backupDone, 0u) << "a partial backup of nothing runs no pass";
    SetMainWindowBackupCountReceiver(nullptr);
}

TEST_F(BackupAndRestoreRuns, AStopAskedForBeforeTheBackupStartsIsHonoured) {
    app_.SetStatusCode(19);
    runs_.BackupSelectedDrivers({false, {0}});
    EXPECT_EQ(engine_.backupRestore.backupCancelled, 1u);
    EXPECT_EQ(engine_.backupRestore.backupSuccess, 1u);
    EXPECT_EQ(app_.StatusCode(), 35);
    EXPECT_EQ(WaitForSingleObject(app_.OperationEvent(), 0), WAIT_OBJECT_0);
}

TEST_F(BackupAndRestoreRuns, BackupBeforeAnUpdateTakesOnlyDevicesItCanFind) {
    // Update entries name devices through the update list; a stale entry names an
    // index past the devices and must not become an empty record of the backup.
    engine_.integerArray = {1, 2, 3};
    engine_.updateList = {{1, 0}, {2, 99}, {3, 3}};
    runs_.BackupDriversBeforeUpdate();
    EXPECT_EQ(engine_.backupRestore.backupSelectedCount, 2);
    EXPECT_EQ(engine_.backupRestore.backupDone, 1u);
    EXPECT_EQ(engine_.backupRestore.backupSuccess, 1u);
    EXPECT_EQ(engine_.inventoryReady, 1u);

    engine_.backupRestore.backupDone = 0;
    engine_.integerArray.clear();
    runs_.BackupDriversBeforeUpdate();
    EXPECT_EQ(engine_.backupRestore.backupDone, 0u);
}

TEST_F(BackupAndRestoreRuns, RestoreSelectionComesFromTheMap) {
    engine_.backupRestore.restoreSelectionMap = {{L"Disk|7", L"ROOT\\DISK|Disk drives"}, {L"Net|8", L"ROOT\\NET"},
                                   {L"Unchosen|10", L"ROOT\\X|Y"}};
    engine_.backupRestore.restoreSelection = DriverInfoRecord::NewArray(6);
    runs_.CollectRestoreChoice({{L"Disk", 7}, {L"Net", 8}, {L"Unlisted", 9}});
    EXPECT_EQ(engine_.backupRestore.restoreSelectedCount, 2);
    EXPECT_EQ(engine_.backupRestore.checkedCount, 3);
    EXPECT_EQ(engine_.backupRestore.restoreSelection[0].deviceName, L"Disk");
    EXPECT_EQ(engine_.backupRestore.restoreSelection[0].hardwareId, L"ROOT\\DISK");
    EXPECT_EQ(engine_.backupRestore.restoreSelection[0].category, L"Disk drives");
    EXPECT_EQ(engine_.backupRestore.restoreSelection[1].hardwareId, L"ROOT\\NET");
    EXPECT_EQ(engine_.backupRestore.restoreSelection[1].category, L"");
}

TEST_F(BackupAndRestoreRuns, RestoreResultsAndWhichFolderGoes) {
    ScopedTempFolder chosenByUser;
    const std::wstring unpacked = work_.File(L"unpacked");
    struct Case {
        const char* what;
        std::wstring folder;
        bool inMap;
        int result;
        bool folderStays;
        size_t messages;
    };
    const Case cases[] = {
        {"nothing found in the map", unpacked, false, 0, false, 1},
        {"no index in the unpacked backup", unpacked, true, 34, false, 0},
        {"a folder the user chose", chosenByUser.Path(), true, 34, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CreateDirectoryW(unpacked.c_str(), nullptr);
        messages_.clear();
        engine_.backupRestore.restoreSelectionMap.clear();
        if (c.inMap) engine_.backupRestore.restoreSelectionMap[L"Disk|1"] = L"ROOT\\DISK|Disk drives";
        engine_.backupRestore.restoreFolder = c.folder;
        EXPECT_EQ(runs_.RestoreDriversFromArchive({{L"Disk", 1}}), c.result);
        EXPECT_EQ(engine_.backupRestore.restoreSuccess, 0u);
        EXPECT_EQ(engine_.backupRestore.restartNeeded, 0u);
        EXPECT_EQ(messages_.size(), c.messages);
        EXPECT_EQ(PathExists(c.folder), c.folderStays);
    }
}

}  // namespace
