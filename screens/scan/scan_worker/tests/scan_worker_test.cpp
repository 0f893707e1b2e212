// The stand-in server brings Winsock, which must come before windows.h.
#include "tests/support/outdated_device_scenario.h"

#include <gtest/gtest.h>

#include "screens/scan/scan_worker/scan_worker.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "foundation/app_settings.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/html/recording_page_host.h"
#include "scan/scan_results.h"
#include "screens/scan/results_rows/results_pages.h"
#include "screens/scan/results_rows/tests/key_language_file.h"
#include "shell/web_page.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/test_devices.h"

namespace {

constexpr DWORD kRunLimitMs = 180000;

// The scan page: records what the worker shows; the test answers the stop question.
class RecordingScanPage : public ScanPageView {
public:
    RecordingScanPage() {
        label_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    ~RecordingScanPage() override { DestroyWindow(label_); }

    HWND ProgressBar() override { return nullptr; }
    HWND StatusLabel() override { return label_; }
    void SetScanStatusText(const std::wstring& text, bool) override {
        std::lock_guard lock(mutex_);
        if (!text.empty() && text != L" ") statuses_.push_back(text);
    }
    void AddScannedDevice(const std::wstring&, const std::wstring&, int, int) override {
        devices_.fetch_add(1);
        if (onDevice) onDevice(devices_.load());
    }
    void ClearDeviceRows() override {}
    void ResetProgressTexts() override {}
    void SetStopEnabled(bool enabled) override { stopEnabled_ = enabled; }
    void StartElapsedTimer() override {}
    void StopElapsedTimer() override {}
    bool AskStopScan(const std::wstring&) override { return answer ? answer() : false; }
    void ShowServiceError(const std::wstring& text) override {
        std::lock_guard lock(mutex_);
        errors_.push_back(text);
    }

    int Devices() const { return devices_.load(); }
    std::vector<std::wstring> Errors() {
        std::lock_guard lock(mutex_);
        return errors_;
    }
    std::vector<std::wstring> Statuses() {
        std::lock_guard lock(mutex_);
        return statuses_;
    }

    std::function<void(int count)> onDevice;  // on the worker thread
    std::function<bool()> answer;             // on the test thread

private:
    HWND label_ = nullptr;
    std::mutex mutex_;
    std::atomic<int> devices_{0};
    std::atomic<bool> stopEnabled_{false};
    std::vector<std::wstring> errors_;
    std::vector<std::wstring> statuses_;
};

class RecordingNavigator : public ScanNavigator {
public:
    void EnableNavigation(bool enable) override { Add(enable ? L"navigation on" : L"navigation off"); }
    void SetBusy(bool busy) override { Add(busy ? L"busy" : L"not busy"); }
    void ShowResultsPage() override { Add(L"results"); }
    void ShowHomePage() override { Add(L"home"); }
    void BackupInventoryDone(bool found) override { Add(found ? L"backup devices" : L"backup none"); }
    void StartBackupOrHome(bool found) override { Add(found ? L"backup start" : L"backup home"); }

    std::vector<std::wstring> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // The pages asked for, in order.
    std::vector<std::wstring> Pages() {
        std::vector<std::wstring> pages;
        for (const auto& call : Calls()) {
            if (call == L"results" || call == L"home") pages.push_back(call);
        }
        return pages;
    }
    // Navigation and busy as the run left them.
    bool LeftFree() {
        std::wstring navigation, busy;
        for (const auto& call : Calls()) {
            if (call.rfind(L"navigation", 0) == 0) navigation = call;
            if (call.find(L"busy") != std::wstring::npos) busy = call;
        }
        return navigation == L"navigation on" && busy == L"not busy";
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

private:
    void Add(const wchar_t* call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }
    std::mutex mutex_;
    std::vector<std::wstring> calls_;
};

class ScanWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        UseKeyLanguageFile(appData_.Path() + L"\\keys.ini");
        ASSERT_TRUE(scenario_.Start());
        addresses_ = scenario_.Addresses();
        app_ = std::make_unique<CDriverOptimizerApp>();
        app_->ScannerApp().InitializeOperation();
        // "LastScan" is only ever updated, never created.
        SetUserRegistryValue(true, kProductKeyPath, L"LastScan", L"never", 0, REG_SZ);
    }

    // One run of the worker to its end, with the test thread answering the page's
    // window calls meanwhile.
    void Run(ScanWorker& worker) {
        ASSERT_TRUE(worker.Start());
        EXPECT_TRUE(PumpMessagesUntil([&worker] { return worker.Wait(0); }, kRunLimitMs));
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

    ScopedComApartment apartment_;
    ScopedAppDataFolder appData_;
    OutdatedDeviceScenario scenario_{L"Halvenor Worker Test", L"HalvenorWorkerTest", L"Worker Test Camera"};
    ServiceAddresses addresses_;
    std::unique_ptr<CDriverOptimizerApp> app_;
    RecordingScanPage page_;
    RecordingNavigator navigator_;
};

TEST_F(ScanWorkerTest, AScanOfCreatedDevicesEndsOnTheResultsWithEverythingStored) {
    CUpdateServiceHelper helper(addresses_, nullptr);
    ScanWorker worker(*app_, helper, page_, navigator_);
    Run(worker);

    EXPECT_GT(page_.Devices(), 0);
    EXPECT_EQ(scenario_.service.Calls().size(), 1u);
    EXPECT_EQ(CameraRows(), 1);
    EXPECT_EQ(navigator_.Pages(), std::vector<std::wstring>{L"results"});
    EXPECT_TRUE(navigator_.LeftFree());
    EXPECT_TRUE(page_.Errors().empty());
    EXPECT_EQ(worker.outcome.load(), 1);
    EXPECT_FALSE(worker.LastRequestText().empty());

    const AppSettings settings = GetAppSettings();
    const int outdated = app_->ScanUpdate().updateResults.GetSize();
    EXPECT_EQ(settings.appDriverScanStatus, 1);
    EXPECT_EQ(settings.totalOutOfDateDrivers, outdated);
    EXPECT_EQ(settings.totalScannedDrivers, app_->ScanUpdate().DeviceCount());
    EXPECT_GE(settings.oldestDriverAgeInYears, 800);
    EXPECT_EQ(GetLastScanResultCount(), outdated);
    EXPECT_EQ(DaysSinceLastScan(), 0);
    const std::wstring lastScan = ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, L"LastScan", L"");
    EXPECT_NE(lastScan, L"never");
    EXPECT_FALSE(ReadFileBytes(ResultsFile()).empty());

    // The results page as the program fills it after this scan.
    RecordingPageHost host;
    class : public PageHostEvents {
        void OnDocumentComplete() override {}
        HRESULT OnElementEvent(PageEvent, const std::vector<PageElement>&) override { return S_OK; }
    } events;
    host.Open(nullptr, nullptr, 5388, events);
    CWebPage page;
    page.SetDocument(host.Document());
    ResultsRowsContext rows{*app_, nullptr, {}};
    page.InvokeScriptArgs(L"settext", ScanResultsPageTexts(1, outdated));
    FillScanResultsPage(rows, page);
    PageContract contract{L"scan_results.htm", L"after-scan", {}, {}};
    for (const auto& call : host.Calls()) contract.calls.emplace_back(call.function, call.arguments);
    EXPECT_TRUE(WritePageContract(contract));
}

TEST_F(ScanWorkerTest, AFailingServiceNeverCountsAsAllUpToDateAndLeavesThePreviousScan) {
    {
        CUpdateServiceHelper helper(addresses_, nullptr);
        ScanWorker first(*app_, helper, page_, navigator_);
        Run(first);
        ASSERT_EQ(CameraRows(), 1);
    }
    const std::string previous = ReadFileBytes(ResultsFile());
    const AppSettings before = GetAppSettings();
    ASSERT_FALSE(previous.empty());

    HttpStandInServer closed;
    closed.Start();
    const std::wstring closedAddress = closed.Url("/driverupdateservicenew/updateservice.asmx");
    closed.Stop();

    using Failure = UpdateServiceStandIn::Failure;
    const struct {
        const char* name;
        Failure failure;
        bool closedPort;
        bool stopServerWhileWaiting;
    } cases[] = {
        {"soap fault with status 500", Failure::Fault, false, false},
        {"answer that is no document", Failure::Malformed, false, false},
        {"answer cut short", Failure::Refuse, false, false},
        {"closed port", Failure::None, true, false},
        {"answer that never comes", Failure::Hang, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        navigator_.Clear();
        ServiceAddresses addresses = addresses_;
        if (c.closedPort) addresses.updateFirst = addresses.updateSecond = closedAddress;
        scenario_.service.SetFailure(L"GetDriverUpdatesData1", c.failure);
        CUpdateServiceHelper helper(addresses, nullptr);
        const size_t errorsBefore = page_.Errors().size();
        const size_t callsBefore = scenario_.service.Calls().size();
        ScanWorker worker(*app_, helper, page_, navigator_);
        ASSERT_TRUE(worker.Start());
        if (c.stopServerWhileWaiting) {
            PumpMessagesUntil([&] { return scenario_.service.Calls().size() > callsBefore; }, kRunLimitMs);
            PumpMessagesUntil([] { return false; }, 1500);
            scenario_.server.Stop();
        }
        EXPECT_TRUE(PumpMessagesUntil([&worker] { return worker.Wait(0); }, kRunLimitMs));

        EXPECT_EQ(navigator_.Pages(), std::vector<std::wstring>{L"home"});
        EXPECT_TRUE(navigator_.LeftFree());
        EXPECT_EQ(page_.Errors().size(), errorsBefore + 1);
        EXPECT_EQ(ReadFileBytes(ResultsFile()), previous);
        const AppSettings after = GetAppSettings();
        EXPECT_EQ(after.appDriverScanStatus, before.appDriverScanStatus);
        EXPECT_EQ(after.totalScannedDrivers, before.totalScannedDrivers);
        EXPECT_EQ(after.totalOutOfDateDrivers, before.totalOutOfDateDrivers);
        EXPECT_EQ(GetLastScanResultCount(), before.totalOutOfDateDrivers);
        EXPECT_EQ(CurrentScanStatus().load(), 1);
        // The previous scan's results are back.
        EXPECT_EQ(CameraRows(), 1);
        if (c.stopServerWhileWaiting) {
            ASSERT_TRUE(scenario_.server.Start());
        }
    }
}

TEST_F(ScanWorkerTest, StopYesDuringTheInventoryPutsThePreviousResultsBack) {
    {
        CUpdateServiceHelper helper(addresses_, nullptr);
        ScanWorker first(*app_, helper, page_, navigator_);
        Run(first);
        ASSERT_EQ(CameraRows(), 1);
    }
    const std::string previous = ReadFileBytes(ResultsFile());
    navigator_.Clear();
    const size_t callsBefore = scenario_.service.Calls().size();

    // The worker waits at its first device until the test has answered the question.
    HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> firstDevice{true};
    page_.onDevice = [&](int) {
        if (!firstDevice.exchange(false)) return;
        SetEvent(reached);
        WaitForSingleObject(release, kRunLimitMs);
    };
    page_.answer = [] { return true; };
    CUpdateServiceHelper helper(addresses_, nullptr);
    ScanWorker worker(*app_, helper, page_, navigator_);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(PumpMessagesUntil([&] { return WaitForSingleObject(reached, 0) == WAIT_OBJECT_0; }, kRunLimitMs));
    // A second start while the scan runs does nothing.
    EXPECT_FALSE(worker.Start());
    worker.OnStopClicked();
    SetEvent(release);
    EXPECT_TRUE(PumpMessagesUntil([&worker] { return worker.Wait(0); }, kRunLimitMs));
    CloseHandle(reached);
    CloseHandle(release);

    EXPECT_EQ(scenario_.service.Calls().size(), callsBefore);
    EXPECT_EQ(navigator_.Pages(), std::vector<std::wstring>{L"home"});
    EXPECT_TRUE(navigator_.LeftFree());
    EXPECT_EQ(ReadFileBytes(ResultsFile()), previous);
    EXPECT_EQ(CameraRows(), 1);
    EXPECT_FALSE(worker.stopRequested.load());
}

TEST_F(ScanWorkerTest, StopNoHoldsTheWorkerWhileAskedAndThenLetsTheScanFinish) {
    HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    page_.onDevice = [&](int) { SetEvent(reached); };
    int devicesAtFirstLook = -1;
    int devicesAtSecondLook = -2;
    size_t callsWhileAsked = 99;
    page_.answer = [&] {
        PumpMessagesUntil([] { return false; }, 300);
        devicesAtFirstLook = page_.Devices();
        callsWhileAsked = scenario_.service.Calls().size();
        PumpMessagesUntil([] { return false; }, 500);
        devicesAtSecondLook = page_.Devices();
        return false;
    };
    CUpdateServiceHelper helper(addresses_, nullptr);
    ScanWorker worker(*app_, helper, page_, navigator_);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(PumpMessagesUntil([&] { return WaitForSingleObject(reached, 0) == WAIT_OBJECT_0; }, kRunLimitMs));
    worker.OnStopClicked();
    EXPECT_TRUE(PumpMessagesUntil([&worker] { return worker.Wait(0); }, kRunLimitMs));
    CloseHandle(reached);

    EXPECT_EQ(devicesAtFirstLook, devicesAtSecondLook);
    EXPECT_EQ(callsWhileAsked, 0u);
    EXPECT_FALSE(worker.stopRequested.load());
    EXPECT_EQ(navigator_.Pages(), std::vector<std::wstring>{L"results"});
    EXPECT_EQ(CameraRows(), 1);
}

TEST_F(ScanWorkerTest, ABackupInventoryHandsTheDevicesToTheBackupAndStoresNoScan) {
    const AppSettings before = GetAppSettings();
    CUpdateServiceHelper helper(addresses_, nullptr);
    ScanWorker worker(*app_, helper, page_, navigator_);
    worker.backupInventory = true;
    worker.backupMode = true;
    Run(worker);

    EXPECT_TRUE(scenario_.service.Calls().empty());
    const auto calls = navigator_.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), L"backup devices"), calls.end());
    EXPECT_TRUE(navigator_.Pages().empty());
    EXPECT_GT(app_->ScanUpdate().DeviceCount(), 0);
    EXPECT_EQ(GetAppSettings().appDriverScanStatus, before.appDriverScanStatus);
    EXPECT_EQ(GetAppSettings().totalScannedDrivers, before.totalScannedDrivers);
    EXPECT_EQ(ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, L"LastScan", L""), L"never");
    EXPECT_FALSE(worker.backupInventory.load());
    EXPECT_FALSE(worker.backupMode.load());
}

TEST_F(ScanWorkerTest, ABackupOfTheMachineTakesOnlyTheInventoryAndStartsTheBackupOnceTheRunHasSettled) {
    const std::string previous = "results of an earlier scan";
    {
        std::ofstream out(std::filesystem::path(ResultsFile()), std::ios::binary);
        out << previous;
    }
    const AppSettings before = GetAppSettings();
    const struct {
        const char* name;
        bool stopped;
        const wchar_t* last;  // the run's last word to the main window
    } cases[] = {
        {"whole", false, L"backup start"},
        // A part of the devices would make a backup that leaves drivers out.
        {"stopped", true, L"backup home"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        navigator_.Clear();
        std::atomic<bool> firstDevice{true};
        ScanWorker* running = nullptr;
        page_.onDevice = [&](int) {
            if (c.stopped && firstDevice.exchange(false)) running->stopRequested = true;
        };
        CUpdateServiceHelper helper(addresses_, nullptr);
        ScanWorker worker(*app_, helper, page_, navigator_);
        running = &worker;
        worker.backupMode = true;
        Run(worker);

        const auto calls = navigator_.Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), c.last);
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::wstring& call) {
                      return call.rfind(L"backup", 0) == 0;
                  }),
                  1);
        EXPECT_TRUE(navigator_.Pages().empty());
        EXPECT_TRUE(navigator_.LeftFree());
        EXPECT_EQ(app_->ScanUpdate().DeviceCount() > 0, !c.stopped);
        EXPECT_TRUE(scenario_.service.Calls().empty());
        EXPECT_EQ(ReadFileBytes(ResultsFile()), previous);
        EXPECT_EQ(GetAppSettings().appDriverScanStatus, before.appDriverScanStatus);
        EXPECT_EQ(GetAppSettings().totalScannedDrivers, before.totalScannedDrivers);
        EXPECT_EQ(ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, L"LastScan", L""), L"never");
        EXPECT_FALSE(worker.backupMode.load());
        page_.onDevice = nullptr;
    }
}

TEST_F(ScanWorkerTest, StopWithoutARunningScanAsksNothing) {
    int asked = 0;
    page_.answer = [&asked] {
        ++asked;
        return true;
    };
    CUpdateServiceHelper helper(addresses_, nullptr);
    ScanWorker worker(*app_, helper, page_, navigator_);
    worker.OnStopClicked();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(worker.stopRequested.load());
    EXPECT_FALSE(app_->ScannerApp().StopRequested(EngineCode::kScanStopRequest));
}

TEST(ScanElapsedTime, MinutesAndSecondsWrapAfterAnHour) {
    const SYSTEMTIME start{2026, 12, 4, 10, 9, 0, 0, 0};
    const struct {
        SYSTEMTIME now;
        const wchar_t* text;  // null: the text stays as it was
    } cases[] = {
        {{2026, 12, 4, 10, 9, 0, 0, 0}, L"00:00"},
        {{2026, 12, 4, 10, 10, 5, 9, 0}, L"05:09"},
        {{2026, 12, 4, 10, 9, 59, 59, 0}, L"59:59"},
        {{2026, 12, 4, 10, 8, 59, 0, 0}, nullptr},
        {{2026, 13, 4, 10, 9, 0, 0, 0}, nullptr},
    };
    for (const auto& c : cases) {
        const auto text = ElapsedScanText(start, c.now);
        ASSERT_EQ(text.has_value(), c.text != nullptr);
        if (text) {
            EXPECT_EQ(*text, c.text);
        }
    }
}

}  // namespace
