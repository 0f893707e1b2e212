// Both wizards driven through their controls: a backup of a device with an
// installed driver into a dated archive, and the restore of that archive through
// the install engine.
#include <windows.h>
#include <commctrl.h>

#include <set>

#include "engine/backup_archive_list.h"
#include "engine/backup_restore_runs.h"
#include "engine/tests/installed_driver_fixture.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "screens/manage/backup_restore/tests/wizard_test_host.h"
#include "tests/support/manual_clock.h"
#include "tests/support/zip_writer.h"

namespace {

using namespace wizard_test;

using installed_test_driver::SavedLastBackupTime;

class WizardFlow : public installed_test_driver::InstalledDriverTest {
protected:
    void SetUp() override {
        UseEnglishTexts();
        InstalledDriverTest::SetUp();
        if (HasFatalFailure()) return;
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kProductKeyPath, SavedLastBackupTime::kValue);
        scanUpdate_.devices = {DeviceRecord()};
        scanUpdate_.devicesReported = 1;
        scanUpdate_.inventoryReady = 1;
        scanUpdate_.temporaryWorkFolder = backupFolder_.File(L"work");
        scanUpdate_.installHelperFolder = helperFolder_.Path();
        host_.backupFolder = archives_.Path();
        SetRunMessageSink([this](const std::wstring& text) { runMessages_.push_back(text); });
        ASSERT_TRUE(OpenWizard(host_, wizard_));
        wizard_.BackupProgress().startDelayMs = 50;
        wizard_.RestoreProgress().pauseMs = 20;
    }
    void TearDown() override {
        SetRunMessageSink(nullptr);
        InstalledDriverTest::TearDown();
    }

    bool WaitForPage(CDlgChildBase& page, DWORD timeoutMs = 60000) {
        return PumpMessagesUntil([&] { return wizard_.CurrentPage() == &page; }, timeoutMs);
    }
    // The backup thread has ended and its page timer has shown the finish page.
    bool RunBackupToFinish() {
        if (!WaitForPage(wizard_.BackupFinish())) return false;
        wizard_.BackupProgress().WaitForThreads();
        PumpWaitingMessages();
        return true;
    }
    static std::wstring StoredBackupPath() {
        std::wstring text;
        DWORD unused = 0;
        GetUserRegistryValue(kProductKeyPath, L"Backup Path", text, unused, REG_SZ);
        return text;
    }
    std::vector<std::wstring> ArchivesOnDisk() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((archives_.Path() + L"\\*.zip").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do names.push_back(found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

    SavedLastBackupTime savedTime_;
    ManualClock clock_{100000, ManualClock::Make(2026, 12, 9, 9, 34, 31)};
    CDriverScanUpdate scanUpdate_{&engine_};
    ScopedTempFolder archives_;
    TestHost host_{scanUpdate_, engine_};
    CDlgBkpRstoreParent wizard_{host_};
    std::vector<std::wstring> runMessages_;
};

TEST_F(WizardFlow, FullBackupMakesADatedArchiveThatTheRestoreWizardPutsBack) {
    ASSERT_EQ(wizard_.CurrentPage(), &wizard_.BackupType());
    TakeScreenshot("backup1_type");
    Click(wizard_.BackupType().NextButton());
    ASSERT_TRUE(RunBackupToFinish());
    TakeScreenshot("backup4_finish");

    const std::wstring name = L"HalvenorBackupWednesday,09-Dec-2026_H09-M34-S31.zip";
    const std::wstring archive = archives_.File(name);
    EXPECT_EQ(host_.backups, (BackupList{{name, archive + L"|2026-12-09_09-34-31"}}));
    EXPECT_GE(host_.saves, 1);
    const std::string storedInf(storedInfName_.begin(), storedInfName_.end());
    EXPECT_EQ(ZipEntryNames(archive),
              (std::set<std::string>{"index.dat", "Halvenor BackupDevice/" + base_ + ".sys",
                                     "Halvenor BackupDevice/" + base_ + ".cat", "Halvenor BackupDevice/" + storedInf}));
    SYSTEMTIME last{};
    ASSERT_TRUE(ReadUserSystemTime(kProductKeyPath, SavedLastBackupTime::kValue, last));
    EXPECT_EQ(last.wYear, 2026);
    EXPECT_FALSE(wizard_.BackupFinish().ShowsFailure());
    EXPECT_EQ(wizard_.BackupFinish().Counts().done, L"1 driver");
    EXPECT_EQ(wizard_.BackupFinish().Counts().notDone, L"--");
    EXPECT_TRUE(host_.navigationEnabled);
    EXPECT_FALSE(host_.busy);

    // Finish goes back to the first page.
    Click(wizard_.BackupFinish().FinishButton());
    ASSERT_TRUE(WaitForPage(wizard_.BackupType(), 5000));

    // The restore side lists the archive, selected, and loads it into its tree.
    wizard_.OnSubPage(IDC_TAB_RESTORE);
    ASSERT_EQ(wizard_.CurrentPage(), &wizard_.RestoreList());
    wizard_.RestoreList().WaitForListing();
    PumpWaitingMessages();
    HWND list = wizard_.RestoreList().List();
    ASSERT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);
    EXPECT_TRUE(wizard_.RestoreList().RestoreNowButton().IsEnabled());
    TakeScreenshot("restore1_list");

    Click(wizard_.RestoreList().RestoreNowButton());
    ASSERT_TRUE(WaitForPage(wizard_.RestoreSelect(), 5000));
    ASSERT_TRUE(PumpMessagesUntil([&] { return TreeView_GetCount(wizard_.RestoreSelect().Tree()) == 2; }, 20000));
    wizard_.RestoreSelect().WaitForLoad();
    EXPECT_FALSE(wizard_.RestoreSelect().LoadFailed());
    CTreeXCtrl& tree = wizard_.RestoreSelect().Tree();
    HTREEITEM category = TreeView_GetRoot(tree);
    HTREEITEM device = TreeView_GetChild(tree, category);
    ASSERT_NE(device, nullptr);
    TakeScreenshot("restore2_select");

    // Nothing ticked: the wizard asks for a driver and stays.
    Click(wizard_.RestoreSelect().RestoreButton());
    EXPECT_EQ(host_.Messages().back(), Key(L"IDS_RESTORE_ONETIME"));
    EXPECT_TRUE(wizard_.RestoreSelect().RestoreButton().IsEnabled());

    tree.SetCheckState(device, CTreeXCtrl::kChecked);
    {
        const CDriverScannerApp::FsRedirectionOff redirection(engine_);
        ASSERT_TRUE(DeleteFileW(driverFile_.c_str()));
    }
    Sleep(CDlgRestore2Select::kDebounceMs);
    wizard_.RestoreProgress().pauseMs = 1000;
    Click(wizard_.RestoreSelect().RestoreButton());
    ASSERT_TRUE(WaitForPage(wizard_.RestoreProgress(), 5000));
    TakeScreenshot("restore3_progress");
    ASSERT_TRUE(WaitForPage(wizard_.RestoreFinish()));
    wizard_.RestoreProgress().WaitForWorker();
    PumpWaitingMessages();
    TakeScreenshot("restore4_finish");

    EXPECT_TRUE(wizard_.RestoreFinish().AllRestored());
    EXPECT_EQ(wizard_.RestoreFinish().Counts().total, L"1 driver");
    EXPECT_EQ(wizard_.RestoreFinish().Counts().done, L"1 driver");
    EXPECT_EQ(wizard_.RestoreFinish().Counts().notDone, L"--");
    EXPECT_FALSE(wizard_.State().restorePending);
    EXPECT_TRUE(runMessages_.empty());
    const CDriverScannerApp::FsRedirectionOff redirection(engine_);
    EXPECT_EQ(ReadFileBytes(driverFile_), "driver image");
}

TEST_F(WizardFlow, PartialBackupTakesOnlyTheTickedDevice) {
    Click(wizard_.BackupType().Item(IDC_BKP1_PARTIAL));
    Click(wizard_.BackupType().NextButton());
    ASSERT_TRUE(WaitForPage(wizard_.BackupDevices(), 5000));
    CTreeXCtrl& tree = wizard_.BackupDevices().Tree();
    ASSERT_TRUE(PumpMessagesUntil([&] { return TreeView_GetCount(tree) == 2; }, 5000));
    HTREEITEM category = TreeView_GetRoot(tree);
    HTREEITEM device = TreeView_GetChild(tree, category);
    ASSERT_NE(device, nullptr);
    TreeView_SelectItem(tree, device);
    PumpWaitingMessages();
    EXPECT_EQ(GetDlgItemTextString(wizard_.BackupDevices(), IDC_BKP2_CATEGORY), L"System");
    EXPECT_EQ(GetDlgItemTextString(wizard_.BackupDevices(), IDC_BKP2_VERSION), L"1.2.3.4");
    TakeScreenshot("backup2_devices");

    // Nothing ticked: a message, and Next stays usable even for a quick second click.
    Click(wizard_.BackupDevices().NextButton());
    EXPECT_EQ(host_.Messages().back(), Key(L"IDS_BACKUP_ONETIME"));
    Click(wizard_.BackupDevices().NextButton());
    EXPECT_TRUE(wizard_.BackupDevices().NextButton().IsEnabled());
    EXPECT_EQ(wizard_.CurrentPage(), &wizard_.BackupDevices());

    // Ticking the category ticks its device; select-all follows.
    tree.ToggleItem(category);
    EXPECT_EQ(tree.GetCheckState(device), CTreeXCtrl::kChecked);
    EXPECT_EQ(IsDlgButtonChecked(wizard_.BackupDevices(), IDC_BKP2_SELECT_ALL), BST_CHECKED);
    Sleep(CDlgBackup2Home::kDebounceMs);
    Click(wizard_.BackupDevices().NextButton());
    ASSERT_TRUE(RunBackupToFinish());
    EXPECT_FALSE(wizard_.BackupFinish().ShowsFailure());
    EXPECT_EQ(wizard_.State().selectedDriverCount, 1);
    EXPECT_EQ(ArchivesOnDisk().size(), 1u);
    EXPECT_TRUE(wizard_.BackupDevices().NextButton().IsEnabled());
}

TEST_F(WizardFlow, TwoBackupsInOneSecondKeepBothArchives) {
    for (int run = 0; run < 2; ++run) {
        Click(wizard_.BackupType().NextButton());
        ASSERT_TRUE(RunBackupToFinish());
        EXPECT_FALSE(wizard_.BackupFinish().ShowsFailure());
        Click(wizard_.BackupFinish().FinishButton());
        ASSERT_TRUE(WaitForPage(wizard_.BackupType(), 5000));
    }
    EXPECT_EQ(ArchivesOnDisk().size(), 2u);
    EXPECT_EQ(host_.backups.size(), 2u);
    for (const auto& [name, value] : host_.backups) {
        EXPECT_TRUE(PathExists(SplitBackupListValue(value).path)) << name;
    }
}

TEST_F(WizardFlow, StopBeforePackingLeavesNoArchiveAndEndsAsFailed) {
    SYSTEMTIME before = ManualClock::Make(2025, 1, 2, 3, 4, 5);
    WriteUserSystemTime(before, kProductKeyPath, SavedLastBackupTime::kValue);
    wizard_.BackupProgress().startDelayMs = 1500;
    Click(wizard_.BackupType().NextButton());
    ASSERT_TRUE(WaitForPage(wizard_.BackupProgress(), 5000));
    ASSERT_TRUE(PumpMessagesUntil([&] { return wizard_.State().backupRunning.load(); }, 5000));
    TakeScreenshot("backup3_progress");
    Click(wizard_.BackupProgress().StopButton());
    EXPECT_EQ(wizard_.BackupProgress().StatusText(), Key(L"IDS_WAIT_STOP_BAK"));
    ASSERT_TRUE(RunBackupToFinish());
    TakeScreenshot("backup4_failed");

    EXPECT_TRUE(wizard_.BackupFinish().ShowsFailure());
    EXPECT_EQ(wizard_.BackupFinish().Counts().done, Key(L"BACKUPDLG4_1"));
    EXPECT_EQ(wizard_.BackupFinish().Text(), Key(L"BACKUPDLG4_1"));
    EXPECT_TRUE(ArchivesOnDisk().empty());
    EXPECT_TRUE(host_.backups.empty());
    SYSTEMTIME last{};
    ASSERT_TRUE(ReadUserSystemTime(kProductKeyPath, SavedLastBackupTime::kValue, last));
    EXPECT_EQ(last.wYear, 2025);
    EXPECT_FALSE(host_.busy);
    EXPECT_TRUE(host_.navigationEnabled);
}

TEST_F(WizardFlow, TooLittleRoomAsksForAnotherFolderAndRecordsIt) {
    // The first folder is a file's name: the archive cannot be made there.
    const std::wstring blocked = archives_.File(L"blocked");
    ASSERT_TRUE(WriteFileBytes(blocked, "x"));
    host_.backupFolder = blocked;
    ScopedTempFolder other;
    host_.chosenFolder = other.Path();
    host_.answers = {IDYES};
    Click(wizard_.BackupType().NextButton());
    ASSERT_TRUE(RunBackupToFinish());
    EXPECT_EQ(host_.Messages().front(), Key(L"IDS_BACKUP_INSUFFI_SPACE"));
    EXPECT_FALSE(wizard_.BackupFinish().ShowsFailure());
    EXPECT_EQ(host_.backupFolder, other.Path() + L"\\");
    EXPECT_EQ(StoredBackupPath(), other.Path() + L"\\");
    ASSERT_EQ(host_.backups.size(), 1u);
    EXPECT_EQ(SplitBackupListValue(host_.backups.begin()->second).path.rfind(other.Path(), 0), 0u);
}

TEST_F(WizardFlow, AnotherFolderThatCannotBeWrittenIsRefusedAsTheFolderPageRefusesIt) {
    const std::wstring blocked = archives_.File(L"blocked");
    ASSERT_TRUE(WriteFileBytes(blocked, "x"));
    const std::wstring before = StoredBackupPath();
    // A file's name and a relative path: neither is a folder the archive could go to.
    for (const std::wstring& picked : {blocked, std::wstring(L"relative\\folder")}) {
        host_.backupFolder = blocked;
        host_.chosenFolder = picked;
        host_.answers = {IDYES};
        const size_t seen = host_.Messages().size();
        Click(wizard_.BackupType().NextButton());
        ASSERT_TRUE(RunBackupToFinish());
        const std::vector<std::wstring> messages = host_.Messages();
        EXPECT_EQ(std::vector<std::wstring>(messages.begin() + static_cast<std::ptrdiff_t>(seen), messages.end()),
                  (std::vector<std::wstring>{Key(L"IDS_BACKUP_INSUFFI_SPACE"), Key(L"IDS_UNABLE_SAVE_SETTING")}));
        EXPECT_TRUE(wizard_.BackupFinish().ShowsFailure());
        EXPECT_EQ(host_.backupFolder, blocked);
        EXPECT_EQ(StoredBackupPath(), before);
        EXPECT_TRUE(host_.backups.empty());
        Click(wizard_.BackupFinish().FinishButton());
        ASSERT_TRUE(WaitForPage(wizard_.BackupType(), 5000));
    }
}

}  // namespace
