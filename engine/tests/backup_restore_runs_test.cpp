#include "engine/backup_restore_runs.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "engine/driver_scanner_app.h"
#include "scan/driver_scan_update.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

// A check-box tree as the wizards show it: category nodes (-1) with device items.
class DeviceTree {
public:
    DeviceTree() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        window_ = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP | TVS_CHECKBOXES, 0, 0, 200, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~DeviceTree() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }

    HTREEITEM Add(HTREEITEM parent, const wchar_t* text, LPARAM data, bool checked) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = const_cast<wchar_t*>(text);
        insert.item.lParam = data;
        HTREEITEM item = TreeView_InsertItem(window_, &insert);
        TreeView_SetItemState(window_, item, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), TVIS_STATEIMAGEMASK);
        return item;
    }

private:
    HWND window_ = nullptr;
};

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
        ASSERT_NE(tree_.Handle(), nullptr);
        engine_.devices = {Device(L"Disk"), Device(L"Gone", 13), Device(L"Mystery", 0, 1), Device(L"Net")};
        engine_.devicesReported = 4;
        engine_.temporaryWorkFolder = work_.Path();
        SetRunMessageSink([this](const std::wstring& text) { messages_.push_back(text); });
    }
    void TearDown() override { SetRunMessageSink(nullptr); }

    CDriverScannerApp app_;
    CDriverScanUpdate engine_{&app_};
    DriverBackupRuns runs_{engine_, app_};
    DeviceTree tree_;
    ScopedTempFolder work_;
    std::vector<std::wstring> messages_;
};

TEST_F(BackupAndRestoreRuns, BackupTakesTheCheckedDevicesOrEveryPresentOne) {
    HTREEITEM category = tree_.Add(TVI_ROOT, L"Disks", -1, true);
    tree_.Add(category, L"Disk", 0, true);
    tree_.Add(category, L"Net", 3, false);
    tree_.Add(TVI_ROOT, L"Bogus", 99, true);  // an index past the devices copies nothing
    engine_.backupTree = tree_.Handle();
    int32_t shownCount = -1;
    SetMainWindowBackupCountReceiver([&](int32_t count) { shownCount = count; });

    runs_.BackupSelectedDrivers();
    EXPECT_EQ(engine_.backupSelectedCount, 2);
    EXPECT_EQ(engine_.checkedCount, 2);
    EXPECT_EQ(shownCount, 2);
    EXPECT_EQ(MainWindowBackupCount(), 2);
    EXPECT_EQ(engine_.backupDone, 1u);
    EXPECT_EQ(engine_.backupSuccess, 1u);
    EXPECT_EQ(engine_.backupCancelled, 0u);
    EXPECT_EQ(engine_.operationKind, CDriverScanUpdate::kBackupOperation);
    // Devices of which nothing could be found are not in the backup.
    EXPECT_FALSE(PathExists(work_.File(L"index.dat")));

    BackupAllDevicesFlag = true;
    runs_.BackupSelectedDrivers();
    EXPECT_FALSE(BackupAllDevicesFlag);
    EXPECT_EQ(engine_.backupSelectedCount, 2);  // "Gone" is absent, "Mystery" unknown
    SetMainWindowBackupCountReceiver(nullptr);
}

TEST_F(BackupAndRestoreRuns, AStopAskedForBeforeTheBackupStartsIsHonoured) {
    engine_.backupTree = tree_.Handle();
    tree_.Add(TVI_ROOT, L"Disk", 0, true);
    app_.SetStatusCode(19);
    runs_.BackupSelectedDrivers();
    EXPECT_EQ(engine_.backupCancelled, 1u);
    EXPECT_EQ(engine_.backupSuccess, 1u);
    EXPECT_EQ(app_.StatusCode(), 35);
    EXPECT_EQ(WaitForSingleObject(app_.OperationEvent(), 0), WAIT_OBJECT_0);
}

TEST_F(BackupAndRestoreRuns, BackupBeforeAnUpdateTakesOnlyDevicesItCanFind) {
    // Update entries name devices through the update list; a stale entry names an
    // index past the devices and must not become an empty record of the backup.
    engine_.integerArray = {1, 2, 3};
    engine_.updateList = {{L"1", L"0"}, {L"2", L"99"}, {L"3", L"3"}};
    runs_.BackupDriversBeforeUpdate();
    EXPECT_EQ(engine_.backupSelectedCount, 2);
    EXPECT_EQ(engine_.backupDone, 1u);
    EXPECT_EQ(engine_.backupSuccess, 1u);
    EXPECT_EQ(engine_.inventoryReady, 1u);

    engine_.backupDone = 0;
    engine_.integerArray.clear();
    runs_.BackupDriversBeforeUpdate();
    EXPECT_EQ(engine_.backupDone, 0u);
}

TEST_F(BackupAndRestoreRuns, RestoreSelectionComesFromTheMap) {
    engine_.restoreTree = tree_.Handle();
    HTREEITEM category = tree_.Add(TVI_ROOT, L"System", -1, true);
    tree_.Add(category, L"Disk", 7, true);
    tree_.Add(category, L"Net", 8, true);
    tree_.Add(category, L"Unlisted", 9, true);
    tree_.Add(category, L"Unchecked", 10, false);
    engine_.restoreSelectionMap = {{L"Disk|7", L"ROOT\\DISK|Disk drives"}, {L"Net|8", L"ROOT\\NET"},
                                   {L"Unchecked|10", L"ROOT\\X|Y"}};
    engine_.restoreSelection = DriverInfoRecord::NewArray(6);
    runs_.CollectCheckedRestoreItems(TreeView_GetRoot(tree_.Handle()));
    EXPECT_EQ(engine_.restoreSelectedCount, 2);
    EXPECT_EQ(engine_.checkedCount, 3);
    EXPECT_EQ(engine_.restoreSelection[0].deviceName, L"Disk");
    EXPECT_EQ(engine_.restoreSelection[0].hardwareId, L"ROOT\\DISK");
    EXPECT_EQ(engine_.restoreSelection[0].category, L"Disk drives");
    EXPECT_EQ(engine_.restoreSelection[1].hardwareId, L"ROOT\\NET");
    EXPECT_EQ(engine_.restoreSelection[1].category, L"");
}

TEST_F(BackupAndRestoreRuns, RestoreResultsAndWhichFolderGoes) {
    engine_.restoreTree = tree_.Handle();
    tree_.Add(TVI_ROOT, L"Disk", 1, true);
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
        engine_.restoreSelectionMap.clear();
        if (c.inMap) engine_.restoreSelectionMap[L"Disk|1"] = L"ROOT\\DISK|Disk drives";
        engine_.restoreFolder = c.folder;
        EXPECT_EQ(runs_.RestoreDriversFromArchive(), c.result);
        EXPECT_EQ(engine_.restoreSuccess, 0u);
        EXPECT_EQ(engine_.restartNeeded, 0u);
        EXPECT_EQ(messages_.size(), c.messages);
        EXPECT_EQ(PathExists(c.folder), c.folderStays);
    }
}

}  // namespace
