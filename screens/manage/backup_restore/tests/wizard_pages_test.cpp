// The pages' own rules: the device tree, the finish counts, the archive list page,
// a damaged archive, the restart at the end, and a backup wanted before any scan.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "engine/backup_restore_runs.h"
#include "foundation/language_table.h"
#include "foundation/product_key.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "screens/manage/backup_restore/device_tree.h"
#include "screens/manage/backup_restore/tests/wizard_test_host.h"
#include "screens/manage/backup_restore/tree_view_items.h"
#include "screens/manage/backup_restore/wizard_page.h"
#include "screens/manage/backup_restore/wizard_results.h"
#include "tests/support/caption_fit.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/zip_writer.h"

namespace {

using namespace wizard_test;

DriverInfoRecord Device(const wchar_t* name, const wchar_t* category, uint32_t unknown = 0, uint32_t status = 0) {
    DriverInfoRecord record;
    record.deviceName = name;
    record.category = category;
    record.driverKey = L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\0001";
    record.isUnknownDevice = unknown;
    record.nodeStatusResult = status;
    return record;
}

std::vector<std::wstring> ItemTexts(HWND tree, HTREEITEM item) {
    std::vector<std::wstring> texts;
    for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        texts.push_back(TreeItemText(tree, item));
    }
    return texts;
}

class WizardPages : public ::testing::Test {
protected:
    void SetUp() override {
        UseEnglishTexts();
        SetRunMessageSink([this](const std::wstring& text) { runMessages_.push_back(text); });
        host_.backupFolder = archives_.Path();
        engine_.temporaryWorkFolder = work_.File(L"work");
        ASSERT_TRUE(OpenWizard(host_, wizard_));
    }
    void TearDown() override { SetRunMessageSink(nullptr); }

    void ShowRestoreList() {
        wizard_.OnSubPage(IDC_TAB_RESTORE);
        wizard_.RestoreList().WaitForListing();
        PumpWaitingMessages();
    }
    std::wstring AddArchive(const std::wstring& name, const std::vector<CabinetMember>& members) {
        const std::wstring path = archives_.File(name);
        EXPECT_TRUE(WriteZip(path, members));
        host_.backups[name] = path + L"|2026-12-09_09-34-31";
        return path;
    }

    CDriverScannerApp scanner_;
    CDriverScanUpdate engine_;
    ScopedTempFolder archives_;
    ScopedTempFolder work_;
    TestHost host_{engine_, scanner_};
    CDlgBkpRstoreParent wizard_{host_};
    std::vector<std::wstring> runMessages_;
};

TEST_F(WizardPages, DeviceTreeGroupsByExactCategoryAndSkipsUnlistedDevices) {
    engine_.devices = {Device(L"Audio", L"Sound"), Device(L"Absent", L"Sound", 0, 13), Device(L"Mystery", L"Other", 1),
                       Device(L"Speaker", L"sound"), Device(L"Mic", L"Sound")};
    engine_.devicesReported = static_cast<int32_t>(engine_.devices.size());
    HWND tree = wizard_.BackupDevices().Tree();
    const DeviceClassImages images(nullptr);

    // Not ready: nothing listed.
    FillDeviceTree(tree, engine_, images);
    EXPECT_EQ(TreeView_GetCount(tree), 0u);

    engine_.inventoryReady = 1;
    FillDeviceTree(tree, engine_, images);
    HTREEITEM sound = TreeView_GetRoot(tree);
    EXPECT_EQ(ItemTexts(tree, sound), (std::vector<std::wstring>{L"Sound", L"sound"}));
    EXPECT_EQ(ItemTexts(tree, TreeView_GetChild(tree, sound)), (std::vector<std::wstring>{L"Audio", L"Mic"}));
    EXPECT_EQ(TreeItemData(tree, sound), kCategoryTreeItem);
    HTREEITEM mic = TreeView_GetNextSibling(tree, TreeView_GetChild(tree, sound));
    EXPECT_EQ(TreeItemData(tree, mic), 4);
    EXPECT_EQ(wizard_.BackupDevices().Tree().GetCheckState(mic), CTreeXCtrl::kUnchecked);

    // A device without a date keeps its publisher under the publisher's label.
    engine_.devices[4].provider = L"Maker";
    engine_.devices[4].driverVersion = L"2.0";
    TreeView_SelectItem(tree, mic);
    EXPECT_EQ(GetDlgItemTextString(wizard_.BackupDevices(), IDC_BKP2_CATEGORY), L"Sound");
    EXPECT_EQ(GetDlgItemTextString(wizard_.BackupDevices(), IDC_BKP2_DATE), L"");
    EXPECT_EQ(GetDlgItemTextString(wizard_.BackupDevices(), IDC_BKP2_PUBLISHER), L"Maker");
    EXPECT_EQ(GetDlgItemTextString(wizard_.BackupDevices(), IDC_BKP2_VERSION), L"2.0");
    TreeView_SelectItem(tree, sound);
    EXPECT_EQ(GetDlgItemTextString(wizard_.BackupDevices(), IDC_BKP2_PUBLISHER), L"");

    // A tree left from before a rescan names a device the inventory no longer has.
    EXPECT_NE(BackupTreeRecord(tree, mic, engine_), nullptr);
    engine_.devicesReported = 2;
    EXPECT_EQ(BackupTreeRecord(tree, mic, engine_), nullptr);
    TreeView_SelectItem(tree, mic);
    EXPECT_EQ(GetDlgItemTextString(wizard_.BackupDevices(), IDC_BKP2_CATEGORY), L"");
}

TEST_F(WizardPages, TheRunsTakeTheCheckedDevicesOfEachTree) {
    engine_.devices = {Device(L"Audio", L"Sound"), Device(L"Disk", L"Disks"), Device(L"Mic", L"Sound")};
    engine_.devicesReported = 3;
    engine_.inventoryReady = 1;
    CTreeXCtrl& backupTree = wizard_.BackupDevices().Tree();
    const DeviceClassImages images(nullptr);
    FillDeviceTree(backupTree, engine_, images);
    HTREEITEM sound = TreeView_GetRoot(backupTree);
    backupTree.SetCheckState(TreeView_GetNextSibling(backupTree, TreeView_GetChild(backupTree, sound)),
                             CTreeXCtrl::kChecked);
    backupTree.SetCheckState(TreeView_GetChild(backupTree, TreeView_GetNextSibling(backupTree, sound)),
                             CTreeXCtrl::kChecked);
    EXPECT_EQ(CheckedDeviceIndexes(backupTree), (std::vector<int>{2, 1})) << "in the tree's order, no category";

    // The restore tree lists the archive's records under their categories; a
    // checked member is handed on with its shown name and its record's index.
    DriverInfoArray records = {Device(L"Disk", L"Disks"), Device(L"Audio", L"Sound"), Device(L"Disk", L"Disks")};
    CTreeXCtrl& restoreTree = wizard_.RestoreSelect().Tree();
    FillRestoreTree(restoreTree, records, images);
    HTREEITEM disks = TreeView_GetRoot(restoreTree);
    EXPECT_EQ(ItemTexts(restoreTree, disks), (std::vector<std::wstring>{L"Disks", L"Sound"}));
    EXPECT_EQ(ItemTexts(restoreTree, TreeView_GetChild(restoreTree, disks)),
              (std::vector<std::wstring>{L"Disk", L"Disk"}));
    EXPECT_TRUE(CheckedArchiveMembers(restoreTree).empty());
    restoreTree.SetCheckState(TreeView_GetNextSibling(restoreTree, TreeView_GetChild(restoreTree, disks)),
                              CTreeXCtrl::kChecked);
    const std::vector<RestoreChoice> chosen = CheckedArchiveMembers(restoreTree);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].deviceName, L"Disk");
    EXPECT_EQ(chosen[0].memberIndex, 2);
}

TEST_F(WizardPages, OwnClassIconsKnowTheCommonClassesAndFallBackForTheRest) {
    const struct {
        const wchar_t* key;
        int index;
    } cases[] = {
        {L"{4D36E97D-E325-11CE-BFC1-08002BE10318}\\0003", 1},
        {L"{4d36e968-e325-11ce-bfc1-08002be10318}", 2},
        {L"{36fc9e60-c465-11cf-8056-444553540000}\\0000", 7},
        {L"{00000000-0000-0000-0000-000000000000}", 0},
        {L"not a guid", 0},
        {L"{4d36e968", 0},
        {L"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(OwnClassIconIndex(c.key), c.index) << c.key;
    const DeviceClassImages images(nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images.List()), 8);
}

TEST_F(WizardPages, FinishCountsTellDoneAndNotDone) {
    const std::wstring failed = Key(L"BACKUPDLG4_1");
    const struct {
        BackupRunCounts run;
        WizardCounts expected;
    } backups[] = {
        {{3, 3, 3, 3, false}, {L"3 drivers", L"3 drivers", L"3 drivers", L"--"}},
        {{3, 1, 1, 1, false}, {L"1 driver", L"1 driver", L"1 driver", L"--"}},
        {{3, 2, -4, 0, false}, {L"2 drivers", L"0 drivers", L"", L""}},
        {{0, 0, 2, 0, true}, {L"", L"2 drivers", failed, failed}},
    };
    auto expectCounts = [](const WizardCounts& counts, const WizardCounts& expected) {
        EXPECT_EQ(counts.total, expected.total);
        EXPECT_EQ(counts.select, expected.select);
        EXPECT_EQ(counts.done, expected.done);
        EXPECT_EQ(counts.notDone, expected.notDone);
    };
    for (const auto& c : backups) expectCounts(BackupFinishCounts(c.run), c.expected);
    const struct {
        RestoreRunCounts run;
        WizardCounts expected;
    } restores[] = {
        {{4, 2, 0, true}, {L"4 drivers", L"2 drivers", L"2 drivers", L"--"}},
        {{4, 2, 1, false}, {L"4 drivers", L"2 drivers", L"1 driver", L"1 driver"}},
        {{1, 0, 0, false}, {L"1 driver", L"0 drivers", L"0 drivers", L"0 drivers"}},
    };
    for (const auto& c : restores) expectCounts(RestoreFinishCounts(c.run), c.expected);
}

TEST_F(WizardPages, BackupBeforeAnyScanStartsTheScanInstead) {
    Click(wizard_.BackupType().NextButton());
    PumpMessagesUntil([&] { return !host_.main.timers.empty(); }, 2000);
    EXPECT_EQ(host_.main.timers, (std::vector<UINT>{106}));
    EXPECT_EQ(host_.scanFlowStarts, 1);
    // The scan page is asked to take the inventory for the wizard alone.
    EXPECT_EQ(host_.inventoryRequests, 1);
    EXPECT_EQ(wizard_.CurrentPage(), &wizard_.BackupType());
    EXPECT_TRUE(wizard_.BackupType().NextButton().IsEnabled());

    // The scan page found nothing (or was stopped): step 1 again, navigation back.
    host_.navigationEnabled = false;
    wizard_.OnSubPage(118);
    wizard_.OnBackupInventoryTaken(false);
    ASSERT_TRUE(PumpMessagesUntil([&] { return wizard_.CurrentPage() == &wizard_.BackupType(); }, 2000));
    EXPECT_TRUE(host_.navigationEnabled.load());
    EXPECT_EQ(host_.inventoryRequests, 1);

    // It found devices: step 1 goes on with the choice made before, here the
    // partial backup, whose tree lists what the scan page found.
    engine_.devices = {Device(L"Audio", L"Sound"), Device(L"Mic", L"Sound")};
    engine_.devicesReported = 2;
    engine_.inventoryReady = 1;
    CheckRadioButton(wizard_.BackupType(), IDC_BKP1_FULL, IDC_BKP1_PARTIAL, IDC_BKP1_PARTIAL);
    wizard_.OnBackupInventoryTaken(true);
    HWND tree = wizard_.BackupDevices().Tree();
    ASSERT_TRUE(PumpMessagesUntil(
        [&] { return wizard_.CurrentPage() == &wizard_.BackupDevices() && TreeView_GetCount(tree) == 3u; }, 3000));
    EXPECT_EQ(ItemTexts(tree, TreeView_GetChild(tree, TreeView_GetRoot(tree))),
              (std::vector<std::wstring>{L"Audio", L"Mic"}));
    EXPECT_EQ(host_.inventoryRequests, 1);
    EXPECT_EQ(host_.scanFlowStarts, 1);
    EXPECT_EQ(host_.main.timers, (std::vector<UINT>{106}));
}

TEST_F(WizardPages, ArchiveListOffersOnlyUsableArchivesNewestFirst) {
    // None at all: both buttons off, and Restore now says so.
    ShowRestoreList();
    EXPECT_FALSE(wizard_.RestoreList().RestoreNowButton().IsEnabled());
    EXPECT_FALSE(wizard_.RestoreList().DeleteButton().IsEnabled());
    wizard_.RestoreList().OnRestoreNow();
    EXPECT_EQ(host_.Messages().back(), Key(L"IDS_DRIVER_NOBACKUP"));

    const std::wstring older = AddArchive(L"older.zip", {{"index.dat", "x"}});
    host_.backups[L"older.zip"] = older + L"|2026-01-02_03-04-05";
    AddArchive(L"newer.zip", {{"index.dat", "x"}});
    host_.backups[L"gone.zip"] = archives_.File(L"gone.zip") + L"|2026-12-10_00-00-00";
    wizard_.OnSubPage(IDC_TAB_BACKUP);
    ShowRestoreList();
    HWND list = wizard_.RestoreList().List();
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    wchar_t text[64] = {};
    ListView_GetItemText(list, 0, 0, text, 64);
    EXPECT_STREQ(text, L"newer.zip");
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);

    // A click beside the rows keeps a row selected: the last.
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_RST1_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = -1;
    SelectSingleListItem(list, -1);
    SendMessageW(wizard_.RestoreList(), WM_NOTIFY, IDC_RST1_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);

    // Deleting asks first; Yes removes the file and lists again.
    host_.answers = {IDYES, IDOK};
    Click(wizard_.RestoreList().DeleteButton());
    wizard_.RestoreList().WaitForListing();
    PumpWaitingMessages();
    EXPECT_FALSE(PathExists(older));
    EXPECT_EQ(host_.Messages().back(), Key(L"IDS_SUCCESS_DEL_BAKFILE"));
    EXPECT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_FALSE(host_.busy);
    EXPECT_TRUE(host_.navigationEnabled);
}

TEST_F(WizardPages, RestoreNowResetsAnExistingRebootValueButNeverMakesOne) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD saved = 0;
    DWORD size = sizeof(saved);
    const bool had = RegQueryValueExW(key, L"Reboot", nullptr, nullptr, reinterpret_cast<BYTE*>(&saved), &size) == ERROR_SUCCESS;
    RegDeleteValueW(key, L"Reboot");
    AddArchive(L"one.zip", {{"index.dat", "x"}});
    ShowRestoreList();
    wizard_.RestoreList().OnRestoreNow();
    EXPECT_NE(RegQueryValueExW(key, L"Reboot", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    const DWORD one = 1;
    RegSetValueExW(key, L"Reboot", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
    wizard_.RestoreList().OnRestoreNow();
    DWORD value = 7;
    size = sizeof(value);
    EXPECT_EQ(RegQueryValueExW(key, L"Reboot", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 0u);
    if (had) {
        RegSetValueExW(key, L"Reboot", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved), sizeof(saved));
    } else {
        RegDeleteValueW(key, L"Reboot");
    }
    RegCloseKey(key);
    wizard_.RestoreSelect().WaitForLoad();
}

TEST_F(WizardPages, DamagedArchiveIsRefusedWithNothingWrittenOutside) {
    AddArchive(L"crafted.zip", {{"index.dat", "x"}, {"..\\escaped.txt", "bad"}});
    ShowRestoreList();
    Click(wizard_.RestoreList().RestoreNowButton());
    ASSERT_TRUE(PumpMessagesUntil([&] { return wizard_.CurrentPage() == &wizard_.RestoreSelect(); }, 5000));
    PumpMessagesUntil([&] { return wizard_.RestoreSelect().RestoreButton().IsEnabled(); }, 10000);
    wizard_.RestoreSelect().WaitForLoad();
    PumpWaitingMessages();
    EXPECT_TRUE(wizard_.RestoreSelect().LoadFailed());
    EXPECT_EQ(runMessages_, (std::vector<std::wstring>{Key(L"IDS_CURRPT_ZIP_FILE")}));
    EXPECT_FALSE(PathExists(work_.File(L"escaped.txt")));
    EXPECT_EQ(TreeView_GetCount(wizard_.RestoreSelect().Tree()), 0u);
    EXPECT_FALSE(host_.busy);

    // Nothing to tick: Restore asks for a driver and stays.
    Click(wizard_.RestoreSelect().RestoreButton());
    EXPECT_EQ(host_.Messages().back(), Key(L"IDS_RESTORE_ONETIME"));
    EXPECT_FALSE(wizard_.State().restorePending);
}

TEST_F(WizardPages, FinishPageRestartsAtOnceOrPromptsAsChosen) {
    engine_.backupRestore.restoreSelectedCount = 2;
    engine_.backupRestore.restoreFailureCount = 1;
    engine_.backupRestore.restoreSuccess = 0;
    engine_.backupRestore.restartNeeded = 1;
    wizard_.State().totalDriversInArchive = 3;
    wizard_.OnSubPage(122);
    EXPECT_EQ(wizard_.RestoreFinish().Counts().notDone, L"1 driver");
    EXPECT_FALSE(wizard_.RestoreFinish().AllRestored());
    EXPECT_EQ(engine_.backupRestore.restartNeeded, 0u);
    ASSERT_TRUE(PumpMessagesUntil([&] { return host_.restartPrompts == 1; }, 3000));
    EXPECT_EQ(host_.restarts, 0);
    TakeScreenshot("restore4_failed");

    wizard_.OnSubPage(119);
    wizard_.RestoreList().WaitForListing();
    Click(wizard_.RestoreList().Item(IDC_RST1_RESTART_AT_ONCE));
    engine_.backupRestore.restartNeeded = 1;
    wizard_.OnSubPage(122);
    EXPECT_EQ(host_.restarts, 1);
    EXPECT_EQ(host_.restartPrompts, 1);
}

TEST_F(WizardPages, ParentShowsOnePageAtATimeAndSizesAllOfThem) {
    EXPECT_FALSE(wizard_.BackupTabButton().IsVisible());
    EXPECT_FALSE(wizard_.RestoreTabButton().IsVisible());
    wizard_.OnSubPage(118);
    EXPECT_TRUE(wizard_.BackupFinish().IsVisible());
    EXPECT_FALSE(wizard_.BackupType().IsVisible());
    wizard_.OnSubPage(118);
    EXPECT_TRUE(wizard_.BackupFinish().IsVisible());
    EXPECT_TRUE(wizard_.BackupFinish().IsEnabled());

    wizard_.MoveTo(0, 0, 700, 430);
    const RECT hidden = wizard_.RestoreProgress().RectInParent();
    EXPECT_EQ(hidden.right - hidden.left, 700);
    EXPECT_EQ(hidden.bottom - hidden.top, 430);
    EXPECT_FALSE(wizard_.BackupTabButton().IsVisible());
}

// A translation longer than its place is cut on screen: every language's captions
// on the backup and restore pages fit, those of controls and those the pages draw.
TEST(WizardCaptions, EveryLanguagesCaptionsFitOnTheBackupAndRestorePages) {
    std::vector<CutCaption> cut;
    SetPageTextProbe([&cut](const std::wstring& text, const RECT& rect, HFONT font, UINT format) {
        CheckDrawnText(text, rect, font, format, cut);
    });
    for (const LanguageRecord& language : LanguageTable) {
        SCOPED_TRACE(Utf8(language.stringsFile));
        LanguageFileCache().SetPath(std::wstring(HALVENOR_SOURCE_DIR L"\\resources\\") + language.stringsFile);
        LanguageFileCache().ClearCache();
        CDriverScannerApp scanner;
        CDriverScanUpdate engine;
        ScopedTempFolder archives;
        TestHost host{engine, scanner};
        host.backupFolder = archives.Path();
        CDlgBkpRstoreParent wizard{host};
        ASSERT_TRUE(OpenWizard(host, wizard));
        // The place the main window gives the page.
        wizard.MoveTo(0, 0, 783, 468);
        for (UINT page = 115; page <= 122; ++page) {
            wizard.OnSubPage(page);
            if (page == 119) wizard.RestoreList().WaitForListing();
            CDlgChildBase* shown = wizard.CurrentPage();
            ASSERT_NE(shown, nullptr);
            RedrawWindow(shown->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            CollectCutCaptions(shown->Handle(), cut);
        }
        for (const CutCaption& caption : cut) {
            ADD_FAILURE() << "\"" << Utf8(caption.text) << "\" needs " << caption.needed.cx << "x" << caption.needed.cy
                          << " where it has " << caption.room << "x" << caption.height;
        }
        cut.clear();
    }
    SetPageTextProbe(nullptr);
    UseEnglishTexts();
    LanguageFileCache().ClearCache();
}

}  // namespace
