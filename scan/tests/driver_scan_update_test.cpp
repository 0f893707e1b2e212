#include "scan/driver_scan_update.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "foundation/daily_log.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/os_identity.h"

#include <memory>
#include <string>
#include <vector>

#include "tests/support/scoped_temp_folder.h"
#include "tests/support/test_devices.h"

namespace {

// A hidden window that keeps the progress messages it is sent.
class ProgressRecorder {
public:
    ProgressRecorder() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ProgressRecorder::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"HalvenorProgressRecorder";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, this);
    }
    ~ProgressRecorder() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }
    const std::vector<std::pair<WPARAM, LPARAM>>& Messages() const { return messages_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<ProgressRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_USER + 2) self->messages_.emplace_back(wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::vector<std::pair<WPARAM, LPARAM>> messages_;
};

class RecordingScanPage {
public:
    struct Row {
        std::wstring name, category;
        int percent, index;
    };
    virtual ~RecordingScanPage() = default;
    virtual void AddScannedDevice(const std::wstring& name, const std::wstring& category, int percent, int index) {
        rows.push_back({name, category, percent, index});
    }
    std::vector<Row> rows;
};

// Shows a run the way a screen does: the percent as the progress message to a
// bar, the device name or the closing status in a label, each scanned device as
// a row of the page.
class WindowProgress : public EngineProgress {
public:
    WindowProgress(HWND bar, HWND label, RecordingScanPage* page = nullptr) : bar_(bar), label_(label), page_(page) {}
    void ShowPercent(int percent) override {
        if (bar_ != nullptr) SendMessageW(bar_, CDriverScanUpdate::kProgressMessage, static_cast<WPARAM>(percent), 0);
    }
    void ShowDevice(const std::wstring& name, const std::wstring& category, int percent, int index) override {
        if (label_ != nullptr) SetWindowTextW(label_, name.c_str());
        if (page_ != nullptr) page_->AddScannedDevice(name, category, percent, index);
    }
    void ShowStatus(const std::wstring& text) override {
        if (label_ != nullptr) SetWindowTextW(label_, text.c_str());
    }

private:
    HWND bar_;
    HWND label_;
    RecordingScanPage* page_;
};

// The daily log is UTF-16LE without a byte-order mark.
std::wstring ReadLogText(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

DriverInfoRecord Device(const wchar_t* name, const wchar_t* category) {
    DriverInfoRecord record;
    record.deviceName = name;
    record.category = category;
    record.hardwareId = L"PCI\\VEN_8086&DEV_1234";
    record.hardwareIds = {L"PCI\\VEN_8086&DEV_1234"};
    record.driverRank = 0xFF0000;
    return record;
}

TEST(DriverScanUpdateTest, FreshRecordsHoldTheirStartingValues) {
    CDriverScanUpdate::tagUpdateResultsStruct result;
    EXPECT_EQ(-1, result.deviceIndex);
    EXPECT_EQ(-1, result.offeredIndex);
    EXPECT_EQ(-1, result.rowIndex);
    EXPECT_EQ(0, result.selected);
    EXPECT_EQ(1, result.visible);
    EXPECT_EQ(0, result.state);
    EXPECT_EQ(4, result.severity);
    EXPECT_EQ(-1, result.itemData);

    result.deviceIndex = 7;
    result.title = L"Display";
    result.state = CDriverScanUpdate::tagUpdateResultsStruct::kNotPending;
    result.reserved[4] = 9;
    result.Reset();
    EXPECT_EQ(-1, result.deviceIndex);
    EXPECT_TRUE(result.title.empty());
    EXPECT_EQ(0, result.state);
    EXPECT_EQ(0, result.reserved[4]);

    CDriverScanUpdate::tagCategoryUpdateInfo category;
    EXPECT_TRUE(category.name.empty());
    EXPECT_EQ(4, category.severity);
    EXPECT_EQ(0, category.count);
}

TEST(DriverScanUpdateTest, IgnoreMapAddsAndRemovesKeysWithoutRegardToCase) {
    CDriverScanUpdate engine;
    EXPECT_EQ(L"pci\\ven_8086|{4d36e968-e325-11ce-bfc1-08002be10318}\\0000|",
              CDriverScanUpdate::MakeIgnoreKey(L"PCI\\VEN_8086", L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000", L""));

    EXPECT_FALSE(engine.IsDeviceIgnored(L"USB\\VID_1", L"{A}\\0001", L""));
    EXPECT_EQ(1, engine.SetDeviceIgnored(L"USB\\VID_1", L"{A}\\0001", L"", true));
    EXPECT_TRUE(engine.IsDeviceIgnored(L"usb\\vid_1", L"{a}\\0001", L""));
    // Another instance of the same device is a different key.
    EXPECT_FALSE(engine.IsDeviceIgnored(L"USB\\VID_1", L"{A}\\0002", L""));
    // Adding twice keeps one entry; removing an absent key changes nothing.
    EXPECT_EQ(1, engine.SetDeviceIgnored(L"usb\\VID_1", L"{A}\\0001", L"", true));
    EXPECT_EQ(1u, engine.ignoreMap.size());
    EXPECT_EQ(1, engine.SetDeviceIgnored(L"PCI\\X", L"{B}\\0000", L"", false));
    EXPECT_EQ(1u, engine.ignoreMap.size());
    EXPECT_EQ(1, engine.SetDeviceIgnored(L"USB\\VID_1", L"{A}\\0001", L"", false));
    EXPECT_FALSE(engine.IsDeviceIgnored(L"USB\\VID_1", L"{A}\\0001", L""));
    EXPECT_TRUE(engine.ignoreMap.empty());
}

TEST(DriverScanUpdateTest, ScanProgressCopiesEachRecordAndCapsThePercent) {
    CDriverScanUpdate engine;
    ProgressRecorder progress;
    HWND label = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    RecordingScanPage page;
    engine.operationKind = CDriverScanUpdate::kScanOperation;
    WindowProgress shown(progress.Handle(), label, &page);
    engine.scanProgress = &shown;
    engine.ResetDeviceArrays();

    // The inventory's array: the callback takes the record at its own running index.
    std::vector<DriverInfoRecord> inventory;
    inventory.push_back(Device(L"Network adapter", L"Network"));
    inventory.push_back(Device(L"Display adapter", L"Display"));
    EXPECT_TRUE(engine.ReportScanProgress(inventory.data(), 40));
    EXPECT_TRUE(engine.ReportScanProgress(nullptr, 60));  // a skipped device
    EXPECT_TRUE(engine.ReportScanProgress(inventory.data(), 100));
    inventory.clear();  // the inventory's records are gone after the run

    ASSERT_EQ(2, engine.DeviceCount());
    EXPECT_EQ(L"Network adapter", engine.Devices()[0].deviceName);
    EXPECT_EQ(L"Display adapter", engine.Devices()[1].deviceName);
    EXPECT_EQ(std::vector<std::wstring>{L"PCI\\VEN_8086&DEV_1234"}, engine.Devices()[1].hardwareIds);
    // Copying leaves the link to the offered drivers where it was.
    ASSERT_NE(nullptr, engine.OfferedDrivers());
    EXPECT_EQ(CDriverScanUpdate::kDeviceCapacity, engine.OfferedDrivers()->size());

    const std::vector<std::pair<WPARAM, LPARAM>> expected = {{40, 0}, {60, 0}, {99, 0}};
    EXPECT_EQ(expected, progress.Messages());
    EXPECT_EQ(L"Display adapter", WindowText(label));
    ASSERT_EQ(2u, page.rows.size());
    EXPECT_EQ(L"Network", page.rows[0].category);
    EXPECT_EQ(0, page.rows[0].index);
    EXPECT_EQ(99, page.rows[1].percent);
    EXPECT_EQ(1, page.rows[1].index);
    DestroyWindow(label);
}

TEST(DriverScanUpdateTest, ProgressGoesToTheWindowOfTheRunningOperation) {
    CDriverScanUpdate engine;
    ProgressRecorder scan, backup, restore;
    WindowProgress scanShown(scan.Handle(), nullptr), backupShown(backup.Handle(), nullptr),
        restoreShown(restore.Handle(), nullptr);
    engine.scanProgress = &scanShown;
    engine.backupProgress = &backupShown;
    engine.restoreProgress = &restoreShown;
    const DriverInfoRecord device = Device(L"Sound", L"Audio");

    engine.operationKind = CDriverScanUpdate::kBackupOperation;
    engine.ReportScanProgress(&device, 150);  // only scans are held below 100
    engine.operationKind = CDriverScanUpdate::kRestoreOperation;
    engine.ReportScanProgress(&device, 30);

    EXPECT_TRUE(scan.Messages().empty());
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{150, 0}}), backup.Messages());
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{30, 0}}), restore.Messages());
    EXPECT_EQ(1, engine.backupRestore.backupCounter);
    EXPECT_EQ(1, engine.backupRestore.restoreCounter);
    EXPECT_EQ(0, engine.DeviceCount());

    const std::wstring log = ReadLogText(ProcessLog().Path());
    EXPECT_NE(std::wstring::npos, log.find(L"|  Creating Backup For: Category: Audio, Driver:Sound\r\n")) << log;
    EXPECT_NE(std::wstring::npos, log.find(L"|  Restoring: Category: Audio, Driver:Sound\r\n")) << log;
}

TEST(DriverScanUpdateTest, RunsNobodyShowsStillRecordTheirDevices) {
    CDriverScanUpdate engine;
    engine.ResetDeviceArrays();
    const DriverInfoRecord device = Device(L"Sound", L"Audio");
    engine.operationKind = CDriverScanUpdate::kScanOperation;
    EXPECT_TRUE(engine.ReportScanProgress(&device, 50));
    engine.operationKind = CDriverScanUpdate::kBackupOperation;
    EXPECT_TRUE(engine.ReportScanProgress(&device, 60));
    EXPECT_EQ(7, engine.ReportInstallProgress(70, L"IDS_DONE", IDYES));

    ASSERT_EQ(1, engine.DeviceCount());
    EXPECT_EQ(L"Sound", engine.Devices()[0].deviceName);
    EXPECT_EQ(1, engine.backupRestore.backupCounter);
    EXPECT_EQ(1u, engine.installDone);
}

TEST(DriverScanUpdateTest, InstallProgressCanBeHeldAndMarksTheInstallDone) {
    CDriverScanUpdate engine;
    ProgressRecorder install;
    WindowProgress installShown(install.Handle(), nullptr);
    engine.installProgress = &installShown;

    EXPECT_EQ(7, engine.ReportInstallProgress(10, nullptr, 6));
    EXPECT_EQ(0u, engine.installDone);  // code 6 counts only with a text
    engine.scanRun.progressHeld = 1;
    EXPECT_EQ(7, engine.ReportInstallProgress(55, L"IDS_INSTALLING", 1));
    EXPECT_EQ(55, engine.scanRun.heldProgress);
    engine.scanRun.progressHeld = 0;
    EXPECT_EQ(7, engine.ReportInstallProgress(100, L"IDS_DONE", 6));
    EXPECT_EQ(1u, engine.installDone);
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{10, 0}, {100, 0}}), install.Messages());
}

TEST(DriverScanUpdateTest, FailedStopRequestClearsTheBusyFlags) {
    CDriverScanUpdate engine;
    ScanOperation app;
    app.InitializeOperation();
    app.SetStopWaitTimeout(10);
    engine.StartEngineOperationAndWait(false, app);  // nothing runs: the wait times out
    EXPECT_EQ(0u, engine.firstBusy);
    EXPECT_EQ(0u, engine.secondBusy);
    EXPECT_EQ(35, app.StatusCode());
    engine.StartEngineOperationAndWait(true, app);
    EXPECT_EQ(1u, engine.scanRun.scanFinished);
}

// The class image list cannot be shown here: this Wine answers the class image
// list call with a failure.
TEST(DriverScanUpdateTest, EngineHoldsTheOsVersion) {
    CDriverScanUpdate engine;
    DWORD build = 0, major = 0, minor = 0;
    int productType = 0, architecture = 0;
    GetOsVersionInfo(build, major, minor, productType, architecture);
    EXPECT_EQ(std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build),
              engine.osVersion.text);
    EXPECT_EQ(architecture, engine.osVersion.processorArchitecture);
}

TEST(DriverScanUpdateTest, SmallHelpersFormatAsTheRequestsNeed) {
    EXPECT_EQ(L"", CDriverScanUpdate::IntegerToTextOrEmpty(0));
    EXPECT_EQ(L"-3", CDriverScanUpdate::IntegerToTextOrEmpty(-3));
    EXPECT_EQ(L"", CDriverScanUpdate::GetOsValueText(4));
}

TEST(DriverScanUpdateTest, KeyContainerHoldsBothKeysAfterTheEngineIsBuilt) {
    CDriverScanUpdate engine;
    EXPECT_TRUE(CDriverScanUpdate::EnsureCryptoKeyContainer());
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextW(&provider, nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, 0));
    for (DWORD keySpec : {static_cast<DWORD>(AT_SIGNATURE), static_cast<DWORD>(AT_KEYEXCHANGE)}) {
        HCRYPTKEY key = 0;
        EXPECT_TRUE(CryptGetUserKey(provider, keySpec, &key)) << keySpec;
        if (key != 0) CryptDestroyKey(key);
    }
    CryptReleaseContext(provider, 0);
}

// A page that asks the running scan to stop once it has seen `stopAfter` devices.
class StoppingScanPage : public RecordingScanPage {
public:
    StoppingScanPage(ScanOperation& app, size_t stopAfter) : app_(app), stopAfter_(stopAfter) {}
    void AddScannedDevice(const std::wstring& name, const std::wstring& category, int percent, int index) override {
        RecordingScanPage::AddScannedDevice(name, category, percent, index);
        if (rows.size() == stopAfter_) app_.SetStatusCode(EngineCode::kScanStopRequest);
    }

private:
    ScanOperation& app_;
    size_t stopAfter_;
};

class EngineScanTest : public testing::Test {
protected:
    void SetUp() override {
        app_.InitializeOperation();
        const std::wstring tag = UniqueTestTag();
        for (const wchar_t* name : {L"Halvenor Engine Sensor A", L"Halvenor Engine Sensor B"}) {
            TestDeviceSetup setup;
            setup.classGuid = deviceClass_.Guid();
            setup.hardwareIds = {std::wstring(L"HALVENOR\\ENGINE_") + name[24] + L"_" + tag};
            setup.friendlyName = name;
            devices_.push_back(std::make_unique<TestDevice>(setup));
            ASSERT_TRUE(devices_.back()->Created());
        }
        ASSERT_TRUE(deviceClass_.Created());
        LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
        label_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(label_); }

    const DriverInfoRecord* FindDevice(const CDriverScanUpdate& engine, const std::wstring& name) const {
        for (int i = 0; i < engine.DeviceCount(); ++i) {
            if (engine.Devices()[i].deviceName == name) return &engine.Devices()[i];
        }
        return nullptr;
    }

    ScanOperation app_;
    TestDeviceClass deviceClass_{L"Halvenor Engine Sensors", L"HalvenorEngineSensors"};
    std::vector<std::unique_ptr<TestDevice>> devices_;
    HWND label_ = nullptr;
};

TEST_F(EngineScanTest, ScanFillsTheDeviceArrayAndReportsProgress) {
    CDriverScanUpdate engine(&app_);
    ProgressRecorder progress;
    RecordingScanPage page;
    WindowProgress shown(progress.Handle(), label_, &page);
    engine.scanProgress = &shown;
    engine.updateCount = 5;
    engine.scanRun.scanPath = std::wstring(L"C:\\scan", 8) + std::wstring(1, L'\0') + L"rest";

    ASSERT_EQ(EngineCode::kFinished, engine.RunEngineScan());

    EXPECT_EQ(L"C:\\scan", app_.ScanPath());
    EXPECT_EQ(1u, engine.scanRun.scanFinished);
    EXPECT_EQ(0, engine.updateCount);
    EXPECT_EQ(L"Scan complete.", WindowText(label_));
    const DriverInfoRecord* sensorA = FindDevice(engine, L"Halvenor Engine Sensor A");
    ASSERT_NE(nullptr, sensorA);
    EXPECT_EQ(L"Halvenor Engine Sensors", sensorA->category);
    EXPECT_NE(nullptr, FindDevice(engine, L"Halvenor Engine Sensor B"));
    ASSERT_NE(nullptr, engine.OfferedDrivers());

    // One row per recorded device; the progress starts at 0, never falls, stays below 100.
    EXPECT_EQ(static_cast<size_t>(engine.DeviceCount()), page.rows.size());
    ASSERT_FALSE(progress.Messages().empty());
    EXPECT_EQ(0u, progress.Messages().front().first);
    WPARAM previous = 0;
    for (const auto& [percent, second] : progress.Messages()) {
        EXPECT_GE(percent, previous);
        EXPECT_LE(percent, 99u);
        EXPECT_EQ(0, second);
        previous = percent;
    }
    EXPECT_EQ(99u, progress.Messages().back().first);

    // A second scan replaces the arrays rather than adding to them. Other test
    // programs add and remove devices meanwhile, so only our own are counted.
    ASSERT_EQ(EngineCode::kFinished, engine.RunEngineScan());
    int sensorRecords = 0;
    for (int i = 0; i < engine.DeviceCount(); ++i) {
        if (engine.Devices()[i].deviceName == L"Halvenor Engine Sensor A") ++sensorRecords;
    }
    EXPECT_EQ(1, sensorRecords);
}

TEST_F(EngineScanTest, StoppedScanIsMarkedAborted) {
    CDriverScanUpdate engine(&app_);
    StoppingScanPage page(app_, 1);
    WindowProgress shown(nullptr, label_, &page);
    engine.scanProgress = &shown;

    EXPECT_EQ(EngineCode::kScanStopRequest, engine.RunEngineScan());
    EXPECT_EQ(1u, engine.scanRun.scanFinished);
    EXPECT_EQ(1, engine.DeviceCount());
    EXPECT_EQ(L"The scan was stopped.", WindowText(label_));
    EXPECT_EQ(EngineCode::kIdle, app_.StatusCode());
}

TEST(DriverScanUpdateTest, ScanWithoutTheEngineApplicationFails) {
    CDriverScanUpdate engine;
    EXPECT_EQ(-1, engine.RunEngineScan());
    EXPECT_EQ(0u, engine.scanRun.scanFinished);
}

TEST(MyArrayTest, KeepsWhatWasAddedAndRefusesIndexesPastTheEnd) {
    CMyArray<int> array;
    for (int i = 0; i < 10000; ++i) array.Add(i);
    ASSERT_EQ(10000, array.GetSize());
    EXPECT_EQ(0, array[0]);
    EXPECT_EQ(9999, array[9999]);
    EXPECT_THROW(array[10000], std::out_of_range);
}

}  // namespace
