// The stand-in server brings Winsock, which must come before windows.h.
#include "tests/support/outdated_device_scenario.h"
#include "tools/program_site_stand_in.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/language_strings.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/html/script_page_host.h"
#include "program/scan_screen_pages.h"
#include "program/screen_pages.h"
#include "scan/scan_results.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "screens/manage/backup_restore/backup_restore_page.h"
#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"
#include "screens/manage/backup_restore/tree_view_items.h"
#include "screens/scan/scan_screens/dlg_scan2_scanning.h"
#include "screens/scan/scan_screens/html_result_screens.h"
#include "screens/scan/scan_screens/scan_screens_ids.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/app/main_window.h"
#include "shell/html_dialog/child_html_dialog.h"
#include "shell/web_requests/driver_alert_signup.h"
#include "tests/support/manual_clock.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/test_devices.h"

namespace {

constexpr DWORD kRunLimitMs = 180000;

BOOL WINAPI AcceptingShell(DWORD, PNOTIFYICONDATAW) { return TRUE; }
bool ModernShell() { return true; }

class RecordingBoxes final : public AppSystem {
public:
    std::vector<std::wstring> boxes;
    int answer = IDOK;
    bool IsAdmin() override { return true; }
    unsigned WindowsMajorVersion() override { return 6; }
    void Sleep(DWORD) override {}
    bool LaunchThroughShell(HWND, const std::wstring&, const std::wstring&, const std::wstring&,
                            const std::wstring&) override {
        return true;
    }
    void EndProcess(UINT) override { ADD_FAILURE() << "the process must not end"; }
    int ShowMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        boxes.push_back(text);
        return answer;
    }
};

void TakeScreenshot(const char* name) {
    const char* folder = getenv("SETTINGS_PICTURES");
    if (folder == nullptr) return;
    const std::string command = std::string("start /wait /unix /usr/bin/import -window root ") + folder + "/" + name;
    std::system(command.c_str());
}

// The program's main window with the screens' pages, its HTML pages run by the
// script host, the stand-in update service and a device made in the prefix.
class ScanFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        ASSERT_TRUE(scenario_.Start());
        const std::wstring address = scenario_.UpdateServiceUrl();
        for (const wchar_t* name : {L"UpdateServiceAddress1", L"UpdateServiceAddress2"}) {
            SetUserRegistryValue(true, kProductKeyPath, name, address, 0, REG_SZ);
        }
        SetUserRegistryValue(true, kProductKeyPath, L"ServiceNamespace", OutdatedDeviceScenario::ServiceNamespace(), 0,
                             REG_SZ);
        SetUserRegistryValue(true, kProductKeyPath, L"LastScan", L"never", 0, REG_SZ);
        AppBusy().scanRunning = false;
        AppBusy().operationRunning = false;

        // The application object reads the service's addresses when it is made.
        app_ = std::make_unique<CHvApp>();
        app_->ScannerApp().InitializeOperation();
        window_ = std::make_unique<CHvAppDlg>(*app_, pages_, TrayShell{AcceptingShell, ModernShell});
        window_->internetCheck = [] { return true; };
        window_->startupTimerDelayMs = 50;
        window_->releaseFallbackMs = 300;
        ASSERT_NE(window_->Create(), nullptr);
        window_->OnHomePageFailed();
        PumpMessagesUntilQuiet(400);
    }
    void TearDown() override {
        PumpMessagesUntil([] { return !AppBusy().scanRunning.load(); }, kRunLimitMs);
        window_.reset();
        PumpMessagesUntilQuiet();
    }

    ScriptPageHost* ResultsPage() {
        MainPage* page = window_->Page(MainPageId::Results);
        auto* dialog = page != nullptr ? dynamic_cast<CChildHtmlDialog*>(ui::Window::FromHandle(page->Window())) : nullptr;
        return dialog != nullptr ? dynamic_cast<ScriptPageHost*>(dialog->Host()) : nullptr;
    }
    CDriverScanUpdate& Engine() { return app_->ScanUpdate(); }
    std::wstring ResultsFile() const { return CScanResults(app_->DataFolder()).Path(); }

    ScopedComApartment apartment_;
    ScopedAppDataFolder appData_;
    ScopedPageHostFactory scripted_{[] { return std::make_unique<ScriptPageHost>(); }};
    RecordingBoxes boxes_;
    ScopedAppSystem boxesInForce_{boxes_};
    OutdatedDeviceScenario scenario_{L"Halvenor Scan Flow Test", L"HalvenorScanFlowTest", L"Scan Flow Camera"};
    ScreenPageFactory pages_;
    std::unique_ptr<CHvApp> app_;
    std::unique_ptr<CHvAppDlg> window_;
};

TEST_F(ScanFlowTest, TheScanTabScansAndTheResultsPageShowsTheOutdatedDriverStoredOnDisk) {
    ASSERT_NE(ResultsPage(), nullptr);
    PostMessageW(window_->Handle(), WM_COMMAND, MainCommand::kScanTab, 0);
    ASSERT_TRUE(PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::Scan; }, 5000));
    ASSERT_TRUE(PumpMessagesUntil([] { return AppBusy().scanRunning.load(); }, 5000));
    EXPECT_FALSE(window_->NavigationEnabled());
    PumpMessagesUntilQuiet();
    TakeScreenshot("main_window_scanning.png");

    ASSERT_TRUE(PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::Results; }, kRunLimitMs));
    ScriptPageHost& results = *ResultsPage();
    ASSERT_TRUE(PumpMessagesUntil([&] { return results.Count(L"#idTableResultDisplay tr") > 0; }, 5000));
    EXPECT_TRUE(results.ScriptErrors().empty());
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_TRUE(window_->NavigationEnabled());
    EXPECT_EQ(scenario_.service.Calls().size(), 1u);

    // The page shows what the engine holds: one row per result, the camera's among them.
    const int rows = Engine().updateResults.GetSize();
    ASSERT_GT(rows, 0);
    EXPECT_EQ(results.Count(L"#idTableResultDisplay tr"), rows);
    int cameraRow = -1;
    for (int row = 0; row < rows; ++row) {
        if (results.TextAt(L"#idTableResultDisplay .deviceName", row) == L"Scan Flow Camera") cameraRow = row;
    }
    ASSERT_GE(cameraRow, 0);
    EXPECT_EQ(results.AttributeAt(L"#idTableResultDisplay img.deviceIcon", cameraRow, L"src"), L"Camera.gif");
    EXPECT_EQ(results.ElementText(L"varBtmErrCount"), std::to_wstring(rows));
    EXPECT_TRUE(results.IsElementVisible(L"rowsPanel"));
    EXPECT_FALSE(results.IsElementVisible(L"noScanPanel"));

    // What the scan leaves stored.
    const AppSettings settings = GetAppSettings();
    EXPECT_EQ(settings.appDriverScanStatus, 1);
    EXPECT_EQ(settings.totalOutOfDateDrivers, rows);
    EXPECT_EQ(settings.totalScannedDrivers, Engine().DeviceCount());
    EXPECT_EQ(GetLastScanResultCount(), rows);
    EXPECT_NE(ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, L"LastScan", L""), L"never");
    EXPECT_FALSE(ReadFileBytes(ResultsFile()).empty());
    // The feedback form lists the devices of the very request that went.
    const std::wstring sent = LastScanRequestText(window_->Handle());
    size_t listed = 0;
    for (size_t at = sent.find(L"<dev>"); at != std::wstring::npos; at = sent.find(L"<dev>", at + 1)) ++listed;
    ASSERT_FALSE(scenario_.service.Calls().empty());
    EXPECT_EQ(listed, scenario_.service.Calls().back().devices.size());
    EXPECT_GT(listed, 0u);

    // With no click the program goes on to update every outdated driver: the
    // download window takes all rows, the camera's device among them.
    ASSERT_TRUE(
        PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::DownloadInstall; }, 10000));
    std::vector<int32_t> allRows;
    for (int row = 0; row < rows; ++row) allRows.push_back(row);
    EXPECT_EQ(Engine().resultSelection, allRows);
    bool cameraChosen = false;
    for (const auto& [entry, device] : Engine().updateList) {
        const size_t index = static_cast<size_t>(device);
        if (index < Engine().devices.size() && Engine().devices[index].hardwareId == scenario_.HardwareId()) {
            cameraChosen = true;
        }
    }
    EXPECT_TRUE(cameraChosen);

    // A driver-alert sign-up against the stand-in site sends the short device
    // list to the update service once it is recorded.
    ProgramSiteStandIn site(scenario_.server);
    site.SetSignupAnswer("Thank you\r\nU-31\r\n");
    const std::wstring signup = scenario_.server.Url(ProgramSiteStandIn::kSignupPath) + L"?email=<email>";
    const std::wstring confirm = scenario_.server.Url(ProgramSiteStandIn::kConfirmPath) +
                                 L"?pid=<pid>&uid=<uid>&macid=<macid>&osid=<osid>&appver=<appver>";
    SetUserRegistryValue(true, kProductKeyPath, L"DriverAlertSignupAddress", signup, 0, REG_SZ);
    SetUserRegistryValue(true, kProductKeyPath, L"DriverAlertConfirmAddress", confirm, 0, REG_SZ);
    PumpMessagesUntil([] { return !AppBusy().scanRunning.load(); }, kRunLimitMs);
    const size_t callsBefore = scenario_.service.Calls().size();
    EXPECT_EQ(RegisterForDriverAlerts(L"user@example.com", true), 0);
    EXPECT_EQ(site.CallsTo(ProgramSiteStandIn::kConfirmPath).size(), 1u);
    EXPECT_EQ(scenario_.service.Calls().size(), callsBefore + 1) << "no device list after the sign-up";
}

// The devices of a backup tree, categories left out.
std::vector<std::wstring> TreeDevices(HWND tree) {
    std::vector<std::wstring> names;
    for (HTREEITEM category = TreeView_GetRoot(tree); category != nullptr;
         category = TreeView_GetNextSibling(tree, category)) {
        for (HTREEITEM item = TreeView_GetChild(tree, category); item != nullptr;
             item = TreeView_GetNextSibling(tree, item)) {
            names.push_back(TreeItemText(tree, item));
        }
    }
    return names;
}

// Runs an action on the window thread while the inventory hands a device to the
// scan page's status line, once per arming; the worker waits meanwhile, so the
// action surely comes before the inventory's end.
class DuringInventory {
public:
    explicit DuringInventory(HWND statusLine) : line_(statusLine) {
        SetWindowSubclass(line_, Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~DuringInventory() { RemoveWindowSubclass(line_, Proc, 1); }
    DuringInventory(const DuringInventory&) = delete;
    DuringInventory& operator=(const DuringInventory&) = delete;
    void Arm(std::function<void()> action) {
        action_ = std::move(action);
        ran_ = false;
    }
    bool Ran() const { return ran_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
        auto* self = reinterpret_cast<DuringInventory*>(data);
        if (message == WM_SETTEXT && InSendMessage() && lParam != 0 &&
            *reinterpret_cast<const wchar_t*>(lParam) != L'\0' && self->action_) {
            const std::function<void()> action = std::exchange(self->action_, nullptr);
            action();
            self->ran_ = true;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }
    HWND line_;
    std::function<void()> action_;
    bool ran_ = false;
};

// The results refill themselves after the download window closes, also when the
// user has gone on to another tab by then; that tab keeps its own header row.
TEST_F(ScanFlowTest, AResultsRefillBehindAnotherTabLeavesThatTabsHeaderRow) {
    MainPage* results = window_->Page(MainPageId::Results);
    ASSERT_NE(results, nullptr);
    const struct {
        UINT command;
        MainPageId page;
        UINT tab;  // a tab of that page's header row, 0 for none
    } cases[] = {{MainCommand::kSettings, MainPageId::Settings, CDlgSubHeader::kLanguageTab},
                 {MainCommand::kBackupTab, MainPageId::BackupRestore, CDlgSubHeader::kRestoreTab},
                 {MainCommand::kDownloads, MainPageId::Downloads, CDlgSubHeader::kDownloadsTab}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        PostMessageW(window_->Handle(), WM_COMMAND, c.command, 0);
        ASSERT_TRUE(PumpMessagesUntil([&] { return window_->CurrentPage() == c.page; }, 5000));
        PumpMessagesUntilQuiet();
        const int caption = window_->SubHeader().Caption();
        ASSERT_TRUE(window_->SubHeader().ButtonVisible(c.tab));
        ::SetTimer(results->Window(), CDLG_HTML_SCAN_RESULTS::kFillTimer, 1, nullptr);
        PumpMessagesUntilQuiet();
        EXPECT_EQ(window_->SubHeader().Caption(), caption);
        EXPECT_TRUE(window_->SubHeader().ButtonVisible(c.tab));
        EXPECT_EQ(window_->CurrentPage(), c.page);
    }
    // On the scan's own pages the refill marks the review step.
    PostMessageW(window_->Handle(), WM_COMMAND, MainCommand::kGoToScan, 0);
    ASSERT_TRUE(PumpMessagesUntil([&] { return window_->CurrentPage() == MainPageId::Scan; }, 5000));
    ::SetTimer(results->Window(), CDLG_HTML_SCAN_RESULTS::kFillTimer, 1, nullptr);
    EXPECT_TRUE(PumpMessagesUntil([&] { return window_->SubHeader().Caption() == HeaderPicture::kResults; }, 5000));
}

TEST_F(ScanFlowTest, TheBackupWizardTakesItsInventoryFromTheScanPageAndNothingIsAskedOrStored) {
    const std::string previous = "results of an earlier scan";
    {
        std::ofstream out(std::filesystem::path(ResultsFile()), std::ios::binary);
        out << previous;
    }
    const AppSettings before = GetAppSettings();
    PostMessageW(window_->Handle(), WM_COMMAND, MainCommand::kBackupTab, 0);
    ASSERT_TRUE(PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::BackupRestore; }, 5000));
    auto* backupPage = dynamic_cast<BackupRestoreMainPage*>(window_->Page(MainPageId::BackupRestore));
    ASSERT_TRUE(backupPage != nullptr && backupPage->Wizard() != nullptr);
    CDlgBkpRstoreParent& wizard = *backupPage->Wizard();
    HWND scanPage = window_->Page(MainPageId::Scan)->Window();
    DuringInventory duringInventory(GetDlgItem(scanPage, IDC_SCAN_STATUS));
    ASSERT_EQ(Engine().DeviceCount(), 0);
    const auto clickNext = [&] {
        PostMessageW(wizard.BackupType(), WM_COMMAND, MAKEWPARAM(IDC_BKP1_NEXT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(wizard.BackupType().NextButton().Handle()));
    };
    const auto expectNothingAskedOrStored = [&] {
        EXPECT_TRUE(window_->NavigationEnabled());
        EXPECT_FALSE(AppBusy().scanRunning.load());
        EXPECT_FALSE(AppBusy().operationRunning.load());
        EXPECT_EQ(window_->SelectedNavigationButton(), MainCommand::kBackupTab);
        EXPECT_EQ(window_->SubHeader().Caption(), 230);
        EXPECT_TRUE(scenario_.service.Calls().empty());
        EXPECT_EQ(ReadFileBytes(ResultsFile()), previous);
        EXPECT_EQ(ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, L"LastScan", L""), L"never");
        EXPECT_EQ(GetAppSettings().totalScannedDrivers, before.totalScannedDrivers);
        EXPECT_EQ(GetAppSettings().appDriverScanStatus, before.appDriverScanStatus);
        EXPECT_EQ(GetAppSettings().strLastScan, before.strLastScan);
    };

    // A partial backup before any scan: the scan page takes the inventory first.
    // Stopped halfway, it hands nothing over and the wizard's first step is back.
    CheckRadioButton(wizard.BackupType(), IDC_BKP1_FULL, IDC_BKP1_PARTIAL, IDC_BKP1_PARTIAL);
    boxes_.answer = IDYES;
    duringInventory.Arm([&] {
        EXPECT_EQ(window_->CurrentPage(), MainPageId::Scan);
        EXPECT_FALSE(window_->NavigationEnabled());
        SendMessageW(scanPage, WM_COMMAND, MAKEWPARAM(IDC_SCAN_STOP, BN_CLICKED), 0);
    });
    clickNext();
    ASSERT_TRUE(PumpMessagesUntil([&] { return duringInventory.Ran(); }, kRunLimitMs));
    ASSERT_TRUE(PumpMessagesUntil(
        [&] {
            return !AppBusy().scanRunning.load() && window_->CurrentPage() == MainPageId::BackupRestore &&
                   wizard.CurrentPage() == &wizard.BackupType() && window_->NavigationEnabled();
        },
        kRunLimitMs));
    PumpMessagesUntilQuiet();
    {
        SCOPED_TRACE("stopped");
        EXPECT_EQ(boxes_.boxes, std::vector<std::wstring>{GetLangString(L"IDS_STOP_SCAN_DES", L"RESOURCESTRING")});
        EXPECT_EQ(Engine().DeviceCount(), 0);
        EXPECT_EQ(wizard.CurrentPage(), &wizard.BackupType());
        expectNothingAskedOrStored();
    }

    // Next again: a whole inventory this time, and the wizard goes on by itself to
    // the devices the scan page found.
    boxes_.boxes.clear();
    duringInventory.Arm([] {
        PumpMessagesUntilQuiet();
        TakeScreenshot("main_window_backup_inventory.png");
    });
    clickNext();
    HWND tree = wizard.BackupDevices().Tree();
    ASSERT_TRUE(PumpMessagesUntil(
        [&] {
            return window_->CurrentPage() == MainPageId::BackupRestore &&
                   wizard.CurrentPage() == &wizard.BackupDevices() && TreeView_GetCount(tree) > 0;
        },
        kRunLimitMs));
    PumpMessagesUntilQuiet();
    {
        SCOPED_TRACE("whole");
        EXPECT_TRUE(duringInventory.Ran());
        const std::vector<std::wstring> devices = TreeDevices(tree);
        EXPECT_NE(std::find(devices.begin(), devices.end(), L"Scan Flow Camera"), devices.end());
        EXPECT_GT(Engine().DeviceCount(), 0);
        EXPECT_TRUE(boxes_.boxes.empty());
        expectNothingAskedOrStored();
    }
    TakeScreenshot("main_window_backup_devices.png");
}

// The machine-wide backup mode, on for the test's scope. The mode is read at most
// every few seconds: a clock far ahead for one read makes every later read fresh.
class ScopedMachineBackupMode {
public:
    ScopedMachineBackupMode() {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        const DWORD on = 1;
        RegSetValueExW(key, L"IsDriverBackupModeEnabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
        RegCloseKey(key);
        Reread(0x40000000);
    }
    ~ScopedMachineBackupMode() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKeyPath, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegSetValueExW(key, L"IsDriverBackupModeEnabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kOff),
                           sizeof kOff);
            RegCloseKey(key);
        }
        Reread(0x80000000);
    }
    ScopedMachineBackupMode(const ScopedMachineBackupMode&) = delete;
    ScopedMachineBackupMode& operator=(const ScopedMachineBackupMode&) = delete;
    bool On() const { return on_; }

private:
    static constexpr DWORD kOff = 0;
    void Reread(DWORD ahead) {
        const ManualClock clock(GetTickCount() + ahead);
        on_ = IsDriverBackupModeEnabled();
    }
    bool on_ = false;
};

TEST_F(ScanFlowTest, OnABackupMachineTheHomeStartScansOnceThenTheBackupOfAllDevicesStarts) {
    const std::string previous = "results of an earlier scan";
    {
        std::ofstream out(std::filesystem::path(ResultsFile()), std::ios::binary);
        out << previous;
    }
    const AppSettings before = GetAppSettings();
    const ScopedMachineBackupMode backupMode;
    ASSERT_TRUE(backupMode.On());
    PostMessageW(window_->Handle(), WM_COMMAND, MainCommand::kHome, 0);
    ASSERT_TRUE(PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::Home; }, 5000));
    MainPage* home = window_->Page(MainPageId::Home);
    auto* homeDialog = dynamic_cast<CChildHtmlDialog*>(ui::Window::FromHandle(home->Window()));
    ASSERT_TRUE(homeDialog != nullptr);
    auto* homePage = dynamic_cast<ScriptPageHost*>(homeDialog->Host());
    ASSERT_TRUE(homePage != nullptr);
    auto* backupPage = dynamic_cast<BackupRestoreMainPage*>(window_->Page(MainPageId::BackupRestore));
    ASSERT_TRUE(backupPage != nullptr && backupPage->Wizard() != nullptr);
    CDlgBkpRstoreParent& wizard = *backupPage->Wizard();
    HWND scanPage = window_->Page(MainPageId::Scan)->Window();
    DuringInventory duringInventory(GetDlgItem(scanPage, IDC_SCAN_STATUS));
    // The scan before the backup is a whole one: asked once, and its results,
    // figures and time kept as any scan's.
    const auto expectScannedOnce = [&] {
        EXPECT_EQ(scenario_.service.Calls().size(), 1u);
        EXPECT_NE(ReadFileBytes(ResultsFile()), previous);
        EXPECT_NE(ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, L"LastScan", L""), L"never");
        EXPECT_EQ(GetAppSettings().totalScannedDrivers, Engine().DeviceCount());
        EXPECT_NE(GetAppSettings().appDriverScanStatus, before.appDriverScanStatus);
    };

    // A whole inventory: the backup tab comes up and the backup of all devices runs
    // from its first step, as the step's Next would start it.
    std::atomic<bool> backupSeenRunning{false};
    duringInventory.Arm([&] {
        EXPECT_EQ(window_->CurrentPage(), MainPageId::Scan);
        EXPECT_FALSE(window_->NavigationEnabled());
    });
    homePage->Click(L"btnStartScanNow");
    ASSERT_TRUE(PumpMessagesUntil(
        [&] {
            if (wizard.State().backupRunning.load()) backupSeenRunning = true;
            return window_->CurrentPage() == MainPageId::BackupRestore &&
                   wizard.CurrentPage() == &wizard.BackupProgress();
        },
        kRunLimitMs));
    TakeScreenshot("main_window_machine_backup.png");
    ASSERT_TRUE(PumpMessagesUntil(
        [&] {
            if (wizard.State().backupRunning.load()) backupSeenRunning = true;
            return wizard.CurrentPage() == &wizard.BackupFinish() && !wizard.State().backupRunning.load() &&
                   !AppBusy().operationRunning.load();
        },
        kRunLimitMs));
    {
        SCOPED_TRACE("whole");
        EXPECT_TRUE(duringInventory.Ran());
        EXPECT_TRUE(backupSeenRunning.load());
        EXPECT_TRUE(wizard.State().fullBackup.load());
        EXPECT_GT(wizard.State().selectedDriverCount.load(), 0);
        EXPECT_EQ(window_->CurrentPage(), MainPageId::BackupRestore);
        EXPECT_EQ(window_->SelectedNavigationButton(), MainCommand::kBackupTab);
        EXPECT_TRUE(window_->NavigationEnabled());
        EXPECT_TRUE(boxes_.boxes.empty());
        expectScannedOnce();
    }
    const std::string scanned = ReadFileBytes(ResultsFile());

    // Stopped halfway, the run backs up nothing: the home page comes back, with
    // navigation, and the last scan's results stand.
    PostMessageW(window_->Handle(), WM_COMMAND, MainCommand::kHome, 0);
    ASSERT_TRUE(PumpMessagesUntil([this] { return window_->CurrentPage() == MainPageId::Home; }, 5000));
    // The main window spaces its connection checks.
    PumpMessagesUntil([] { return false; }, 1100);
    wizard.OnSubPage(IDC_TAB_BACKUP);
    boxes_.answer = IDYES;
    duringInventory.Arm([&] { SendMessageW(scanPage, WM_COMMAND, MAKEWPARAM(IDC_SCAN_STOP, BN_CLICKED), 0); });
    homePage->Click(L"btnStartScanNow");
    ASSERT_TRUE(PumpMessagesUntil([&] { return duringInventory.Ran(); }, kRunLimitMs));
    ASSERT_TRUE(PumpMessagesUntil(
        [&] {
            return !AppBusy().scanRunning.load() && window_->CurrentPage() == MainPageId::Home &&
                   window_->NavigationEnabled();
        },
        kRunLimitMs));
    PumpMessagesUntilQuiet();
    {
        SCOPED_TRACE("stopped");
        EXPECT_EQ(window_->CurrentPage(), MainPageId::Home);
        EXPECT_EQ(wizard.CurrentPage(), &wizard.BackupType());
        EXPECT_FALSE(wizard.State().backupRunning.load());
        EXPECT_FALSE(AppBusy().operationRunning.load());
        EXPECT_EQ(scenario_.service.Calls().size(), 1u);
        EXPECT_EQ(ReadFileBytes(ResultsFile()), scanned);
    }

    // Without a connection no run comes, and the mode does not wait for the next
    // scan, which the scan tab starts as an ordinary one.
    auto* scanScreen = dynamic_cast<CDlgScan2Scanning*>(ui::Window::FromHandle(scanPage));
    ASSERT_TRUE(scanScreen != nullptr);
    window_->internetCheck = [] { return false; };
    PumpMessagesUntil([] { return false; }, 1100);
    boxes_.boxes.clear();
    homePage->Click(L"btnStartScanNow");
    PumpMessagesUntilQuiet();
    {
        SCOPED_TRACE("no connection");
        EXPECT_EQ(boxes_.boxes, std::vector<std::wstring>{GetLangString(L"IDS_CHKNETCONN_FIREWALL", L"RESOURCESTRING")});
        EXPECT_EQ(window_->CurrentPage(), MainPageId::Home);
        EXPECT_FALSE(scanScreen->Worker().backupMode.load());
    }
}

}  // namespace
