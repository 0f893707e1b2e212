// The stand-in server brings Winsock, which must come before windows.h.
#include "tests/support/outdated_device_scenario.h"

#include <gtest/gtest.h>

#include "screens/scan/scan_screens/dlg_scan2_scanning.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "foundation/app_settings.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/ui/message_pump.h"
#include "scan/scan_results.h"
#include "screens/scan/results_rows/tests/key_language_file.h"
#include "screens/scan/scan_screens/scan_screens_ids.h"
#include "screens/scan/scan_screens/tests/recording_scan_host.h"
#include "shell/app/app_busy.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/test_devices.h"

namespace {

constexpr DWORD kRunLimitMs = 180000;

// A picture of the screen for a person to look at, when the run asks for them.
void TakeScreenshot(const char* name) {
    const char* folder = getenv("SETTINGS_PICTURES");
    if (folder == nullptr) return;
    PumpMessagesUntilQuiet();
    const std::string command = std::string("start /wait /unix /usr/bin/import -window root ") + folder + "/" + name;
    std::system(command.c_str());
}

class ScanPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        UseKeyLanguageFile(appData_.Path() + L"\\keys.ini");
        ASSERT_TRUE(scenario_.Start());
        addresses_ = scenario_.Addresses();
        app_ = std::make_unique<CDriverOptimizerApp>();
        app_->ScannerApp().InitializeOperation();
        SetUserRegistryValue(true, kProductKeyPath, L"LastScan", L"never", 0, REG_SZ);
    }

    // The page inside a window of the main window's size, with its own service.
    void MakePage(const ServiceAddresses& addresses) {
        helper_ = std::make_unique<CUpdateServiceHelper>(addresses, nullptr);
        host_ = std::make_unique<RecordingScanHost>(*app_, *helper_, frame_.Handle());
        page_ = std::make_unique<CDlgScan2Scanning>(*host_);
        ASSERT_TRUE(page_->Create(frame_.Handle()));
        page_->MoveTo(0, 0, 777, 440);
        page_->Show(SW_SHOW);
        ui::PumpPendingMessages();
    }

    // The main window shows the page; the worker runs to its end.
    void RunScan() {
        page_->OnShownByMainWindow();
        ASSERT_TRUE(PumpMessagesUntil([this] { return page_->Worker().Running(); }, 5000));
        WaitForEnd();
    }
    void WaitForEnd() {
        EXPECT_TRUE(PumpMessagesUntil([this] { return !page_->Worker().Running(); }, kRunLimitMs));
        PumpMessagesUntilQuiet();
    }

    bool ListHas(const std::wstring& text) const {
        for (int row = 0; row < page_->ListRows(); ++row) {
            if (page_->ListRowText(row) == text) return true;
        }
        return false;
    }
    int CameraRows() {
        int rows = 0;
        for (const ResultRow& row : app_->ScanUpdate().updateResults) {
            const DriverInfoRecord& device = app_->ScanUpdate().devices[static_cast<size_t>(row.deviceIndex)];
            if (device.hardwareId == scenario_.HardwareId()) ++rows;
        }
        return rows;
    }
    std::wstring ResultsFile() const { return CScanResults(app_->DataFolder()).Path(); }
    bool StopEnabled() const { return IsWindowEnabled(page_->Item(IDC_SCAN_STOP)) != FALSE; }
    void ClickStop() { SendMessageW(page_->Handle(), WM_COMMAND, MAKEWPARAM(IDC_SCAN_STOP, BN_CLICKED), 0); }

    // The status line as the inventory writes each device's name into it from the
    // worker's thread; the worker waits meanwhile.
    static LRESULT CALLBACK ClickStopOnFirstDevice(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                   DWORD_PTR data) {
        auto* self = reinterpret_cast<ScanPageTest*>(data);
        if (message == WM_SETTEXT && InSendMessage() && lParam != 0 &&
            *reinterpret_cast<const wchar_t*>(lParam) != L'\0' && !self->clickedDuringInventory_) {
            self->clickedDuringInventory_ = true;
            self->ClickStop();
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }
    bool clickedDuringInventory_ = false;

    ScopedComApartment apartment_;
    ScopedAppDataFolder appData_;
    OutdatedDeviceScenario scenario_{L"Halvenor Scan Page Test", L"HalvenorScanPageTest", L"Scan Page Test Camera"};
    ServiceAddresses addresses_;
    std::unique_ptr<CDriverOptimizerApp> app_;
    AnsweringBoxes boxes_;
    ScopedAppSystem boxesInForce_{boxes_};
    TestHostWindow frame_{783, 470};
    std::unique_ptr<CUpdateServiceHelper> helper_;
    std::unique_ptr<RecordingScanHost> host_;
    std::unique_ptr<CDlgScan2Scanning> page_;
};

TEST_F(ScanPageTest, AScanShownByTheMainWindowListsTheDevicesAndEndsOnTheResults) {
    MakePage(addresses_);
    EXPECT_EQ(page_->ListRows(), 0);
    RunScan();

    // Every device of the inventory came by the page, the camera among them.
    EXPECT_GT(page_->DevicesScanned(), 0);
    EXPECT_EQ(page_->DevicesScanned(), app_->ScanUpdate().DeviceCount());
    EXPECT_TRUE(ListHas(L"Scan Page Test Camera"));
    EXPECT_TRUE(ListHas(L"IDS_GETTING_RESULTS"));
    EXPECT_EQ(scenario_.service.Calls().size(), 1u);
    EXPECT_EQ(CameraRows(), 1);
    // The service was asked: from then on a scan cannot be stopped.
    EXPECT_FALSE(StopEnabled());
    // The results page fills itself, then the main window shows it.
    EXPECT_EQ(host_->refills, 1);
    EXPECT_EQ(host_->mainTimers, std::vector<UINT>{137});
    EXPECT_TRUE(host_->navigationEnabled);
    EXPECT_FALSE(host_->busy);
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_EQ(GetAppSettings().appDriverScanStatus, 1);
    EXPECT_FALSE(ReadFileBytes(ResultsFile()).empty());
    TakeScreenshot("scan_page_finished.png");
}

TEST_F(ScanPageTest, AFailedServiceCallTellsTheUserAndGoesHomeWithThePreviousResultsKept) {
    MakePage(addresses_);
    RunScan();
    ASSERT_EQ(CameraRows(), 1);
    const std::string previous = ReadFileBytes(ResultsFile());
    ASSERT_FALSE(previous.empty());

    HttpStandInServer closed;
    ASSERT_TRUE(closed.Start());
    const std::wstring closedAddress = closed.Url("/driverupdateservicenew/updateservice.asmx");
    closed.Stop();
    using Failure = UpdateServiceStandIn::Failure;
    const struct {
        const char* name;
        Failure failure;
        bool closedPort;
    } cases[] = {
        {"soap fault", Failure::Fault, false},
        {"answer that is no document", Failure::Malformed, false},
        {"closed port", Failure::None, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceAddresses addresses = addresses_;
        if (c.closedPort) addresses.updateFirst = addresses.updateSecond = closedAddress;
        scenario_.service.SetFailure(L"GetDriverUpdatesData1", c.failure);
        page_.reset();
        MakePage(addresses);
        boxes_.boxes.clear();
        RunScan();

        ASSERT_EQ(boxes_.boxes.size(), 1u);
        EXPECT_EQ(boxes_.boxes[0].text, L"IDS_INTERNETCONN_FIREWALL_CHECK");
        EXPECT_EQ(boxes_.boxes[0].style & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
        EXPECT_TRUE(ListHas(L"IDS_INTERNETCONN_FIREWALL_CHECK"));
        EXPECT_EQ(host_->mainTimers, std::vector<UINT>{131});
        EXPECT_EQ(host_->refills, 0);
        EXPECT_TRUE(host_->navigationEnabled);
        EXPECT_EQ(ReadFileBytes(ResultsFile()), previous);
        EXPECT_EQ(CameraRows(), 1);
    }
}

TEST_F(ScanPageTest, StopAsksFirstYesGoesHomeWithThePreviousResultsNoLetsTheScanFinish) {
    MakePage(addresses_);
    RunScan();
    const size_t callsAfterFirst = scenario_.service.Calls().size();

    // No: the worker holds while the question is open, then the scan ends normally.
    page_.reset();
    MakePage(addresses_);
    int devicesWhileAsked = -1;
    int devicesLaterInTheQuestion = -2;
    boxes_.answer = IDNO;
    boxes_.whileOpen = [&] {
        PumpMessagesUntil([] { return false; }, 200);
        devicesWhileAsked = page_->DevicesScanned();
        PumpMessagesUntil([] { return false; }, 400);
        devicesLaterInTheQuestion = page_->DevicesScanned();
    };
    page_->OnShownByMainWindow();
    ASSERT_TRUE(PumpMessagesUntil([this] { return page_->DevicesScanned() > 0; }, kRunLimitMs));
    ClickStop();
    // A second start while the scan runs is not a second scan.
    page_->OnShownByMainWindow();
    WaitForEnd();
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text, L"IDS_STOP_SCAN_DES");
    EXPECT_EQ(boxes_.boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(devicesWhileAsked, devicesLaterInTheQuestion);
    EXPECT_EQ(scenario_.service.Calls().size(), callsAfterFirst + 1);
    EXPECT_EQ(host_->mainTimers, std::vector<UINT>{137});
    EXPECT_FALSE(page_->Worker().stopRequested.load());

    // Yes during the inventory: no service call, home page, the previous results.
    // The user clicks while the inventory hands its first device to the status
    // line, so the click surely comes before the inventory's end.
    const std::string beforeYes = ReadFileBytes(ResultsFile());
    page_.reset();
    MakePage(addresses_);
    boxes_.boxes.clear();
    boxes_.whileOpen = nullptr;
    boxes_.answer = IDYES;
    ASSERT_TRUE(SetWindowSubclass(page_->Item(IDC_SCAN_STATUS), ClickStopOnFirstDevice, 1,
                                  reinterpret_cast<DWORD_PTR>(this)));
    page_->OnShownByMainWindow();
    ASSERT_TRUE(PumpMessagesUntil([this] { return clickedDuringInventory_; }, kRunLimitMs));
    PumpWaitingMessages();
    EXPECT_FALSE(StopEnabled());
    WaitForEnd();
    EXPECT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(scenario_.service.Calls().size(), callsAfterFirst + 1);
    EXPECT_EQ(host_->mainTimers, std::vector<UINT>{131});
    EXPECT_TRUE(host_->navigationEnabled);
    EXPECT_FALSE(host_->busy);
    EXPECT_EQ(ReadFileBytes(ResultsFile()), beforeYes);
    EXPECT_EQ(CameraRows(), 1);
    EXPECT_FALSE(page_->Worker().stopRequested.load());
}

TEST_F(ScanPageTest, ARunForTheBackupWizardTakesOnlyTheInventoryAndAStoppedOneHandsNothingOver) {
    // What an earlier scan left stored, which a run for the wizard leaves alone.
    const std::string previous = "results of an earlier scan";
    {
        std::ofstream out(std::filesystem::path(ResultsFile()), std::ios::binary);
        out << previous;
    }
    const AppSettings before = GetAppSettings();
    CDriverScanUpdate& engine = app_->ScanUpdate();
    const auto expectNothingStoredOrAsked = [&] {
        EXPECT_TRUE(scenario_.service.Calls().empty());
        EXPECT_EQ(ReadFileBytes(ResultsFile()), previous);
        EXPECT_EQ(ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, L"LastScan", L""), L"never");
        const AppSettings after = GetAppSettings();
        EXPECT_EQ(after.totalScannedDrivers, before.totalScannedDrivers);
        EXPECT_EQ(after.appDriverScanStatus, before.appDriverScanStatus);
        EXPECT_EQ(after.strLastScan, before.strLastScan);
        EXPECT_FALSE(ListHas(L"IDS_GETTING_RESULTS"));
        // Neither the results nor the home page: the wizard decides what comes next.
        EXPECT_TRUE(host_->mainTimers.empty());
        EXPECT_EQ(host_->refills, 0);
        EXPECT_TRUE(host_->navigationEnabled);
        EXPECT_FALSE(host_->busy);
        EXPECT_FALSE(AppBusy().scanRunning.load());
        EXPECT_FALSE(page_->Worker().backupInventory.load());
        EXPECT_FALSE(page_->Worker().stopRequested.load());
    };

    // Stopped halfway: a backup from some of the devices would leave the others out,
    // so the inventory is dropped and the wizard shows its first page again.
    MakePage(addresses_);
    boxes_.answer = IDYES;
    ASSERT_TRUE(SetWindowSubclass(page_->Item(IDC_SCAN_STATUS), ClickStopOnFirstDevice, 1,
                                  reinterpret_cast<DWORD_PTR>(this)));
    page_->Worker().backupInventory = true;
    page_->OnShownByMainWindow();
    ASSERT_TRUE(PumpMessagesUntil([this] { return clickedDuringInventory_; }, kRunLimitMs));
    WaitForEnd();
    SCOPED_TRACE("stopped");
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(host_->backupHandOvers, std::vector<bool>{false});
    EXPECT_EQ(engine.DeviceCount(), 0);
    expectNothingStoredOrAsked();

    // Whole: every device is in the engine for the wizard, and nothing else happened.
    page_.reset();
    MakePage(addresses_);
    page_->Worker().backupInventory = true;
    page_->OnShownByMainWindow();
    ASSERT_TRUE(PumpMessagesUntil([this] { return page_->DevicesScanned() > 0; }, kRunLimitMs));
    TakeScreenshot("scan_page_backup_inventory.png");
    WaitForEnd();
    SCOPED_TRACE("whole");
    EXPECT_EQ(host_->backupHandOvers, std::vector<bool>{true});
    EXPECT_GT(engine.DeviceCount(), 0);
    EXPECT_EQ(page_->DevicesScanned(), engine.DeviceCount());
    EXPECT_TRUE(ListHas(L"Scan Page Test Camera"));
    EXPECT_EQ(engine.scanRun.scanFinished, 1u);
    EXPECT_EQ(engine.inventoryReady, 1u);
    EXPECT_EQ(engine.updateResults.GetSize(), 0);
    expectNothingStoredOrAsked();
}

}  // namespace

namespace {

// The status line tells the test that the inventory has begun handing over devices.
LRESULT CALLBACK NoteFirstDevice(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_SETTEXT && InSendMessage() && lParam != 0 && *reinterpret_cast<const wchar_t*>(lParam) != L'\0') {
        *reinterpret_cast<bool*>(data) = true;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(ScanPageTest, ThePageGoingAwayDuringAScanStopsItAndEndsTheWorker) {
    MakePage(addresses_);
    bool inventoryRuns = false;
    ASSERT_TRUE(SetWindowSubclass(page_->Item(IDC_SCAN_STATUS), NoteFirstDevice, 1,
                                  reinterpret_cast<DWORD_PTR>(&inventoryRuns)));
    page_->OnShownByMainWindow();
    ASSERT_TRUE(PumpMessagesUntil([&] { return inventoryRuns; }, kRunLimitMs));
    const DWORD start = GetTickCount();
    page_.reset();
    EXPECT_LT(GetTickCount() - start, 60000u);
    EXPECT_FALSE(AppBusy().scanRunning.load());
}

}  // namespace
