#include "scan/device_inventory.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "tests/support/message_wait.h"
#include "tests/support/process_log_watch.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/test_devices.h"

namespace {

const GUID kClassWithoutDescription = {0x6a1f4e0b, 0x2d3c, 0x4b5a, {0x91, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};

struct Report {
    bool recorded;
    int percent;
    DriverInfoRecord record;
};

// Collects what the inventory reports, the way the engine does: the record at the
// running index of reported devices.
struct ReportLog {
    std::vector<Report> reports;
    size_t recordedCount = 0;

    ScanProgressCallback Callback() {
        return [this](const DriverInfoRecord* records, int percent) {
            if (records == nullptr) {
                reports.push_back({false, percent, {}});
                return;
            }
            reports.push_back({true, percent, records[recordedCount]});
            ++recordedCount;
        };
    }
    const DriverInfoRecord* Find(const std::wstring& hardwareId) const {
        for (const Report& report : reports) {
            if (report.recorded && report.record.hardwareId == hardwareId) return &report.record;
        }
        return nullptr;
    }
};

// One report per device whose percent never falls, stays within 0..100 and ends
// at 100 when no device is left out as a non-Plug-and-Play driver.
void ExpectProgressThatRises(const std::vector<Report>& reports, bool endsAt100) {
    ASSERT_FALSE(reports.empty());
    int previous = 0;
    for (size_t i = 0; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].percent, previous) << "report " << i;
        EXPECT_LE(reports[i].percent, 100) << "report " << i;
        previous = reports[i].percent;
    }
    if (endsAt100) {
        EXPECT_EQ(100, reports.back().percent);
    }
}

class InventoryFixture : public testing::Test {
protected:
    void SetUp() override {
        tag_ = UniqueTestTag();
        app_.InitializeOperation();
        app_.SetStopWaitTimeout(10000);
        app_.BeginOperation();
    }
    std::wstring Id(const std::wstring& prefix) const { return prefix + tag_; }

    std::wstring tag_;
    ScanOperation app_;
};

class DeviceSet {
public:
    explicit DeviceSet(const std::wstring& tag)
        : displayClass_(L"Halvenor Display Class", L"HalvenorDisplay"),
          netClass_(L"@netcfgx.dll,-5000", L"HalvenorNet") {
        TestDeviceSetup display;
        display.classGuid = displayClass_.Guid();
        display.hardwareIds = {L"PCI\\VEN_10DE&DEV_1234&SUBSYS_" + tag, L"PCI\\VEN_10DE", L" ACPI\\PNP0F03 "};
        display.compatibleIds = {L"PCI\\VEN_10DE&CC_0300", L"ROOT\\GENERIC", L"PCI\\CC_0300"};
        display.friendlyName = L"Halvenor Test Display";
        display.deviceDescription = L"Display description";
        display.manufacturer = L"Display Maker";
        display.service = L"halvenor_no_such_service";
        display.withDriverKey = true;
        display.driverTexts = {{L"InfPath", L"halvenor_scan_" + tag + L".inf"},
                               {L"DriverVersion", L"1.2.3.4"},
                               {L"ProviderName", L"Display Provider"},
                               {L"DriverDate", L"1-1-2001"},
                               {L"MatchingDeviceId", L"pci\\ven_10de&dev_1234&subsys_" + tag},
                               {L"InfSection", L"Display_Install"}};
        display.driverDateData = FileTimeOfDate(2019, 3, 15);
        devices_.push_back(std::make_unique<TestDevice>(display));

        TestDeviceSetup net;
        net.classGuid = netClass_.Guid();
        net.hardwareIds = {L"USB\\VID_0B95&PID_" + tag};
        net.deviceDescription = L"Halvenor Test Network";
        net.withDriverKey = true;
        net.driverTexts = {{L"InfPath", L"oem77.inf"},
                           {L"DriverVersion", L"10.0.1"},
                           {L"DriverDate", L"5-20-2018"},
                           {L"MatchingDeviceId", L"root\\net_" + tag}};
        devices_.push_back(std::make_unique<TestDevice>(net));

        TestDeviceSetup audio;
        audio.classGuid = kMediaClassGuid;
        audio.hardwareIds = {L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888&" + tag};
        audio.friendlyName = L"Halvenor Test Audio";
        devices_.push_back(std::make_unique<TestDevice>(audio));

        TestDeviceSetup unknown;
        unknown.classGuid = kClassWithoutDescription;
        unknown.hardwareIds = {L"HALVENOR\\UNKNOWN_" + tag};
        devices_.push_back(std::make_unique<TestDevice>(unknown));

        TestDeviceSetup starred;
        starred.classGuid = kSystemClassGuid;
        starred.hardwareIds = {L"*PNP" + tag};
        starred.friendlyName = L"Generic by its id";
        devices_.push_back(std::make_unique<TestDevice>(starred));

        TestDeviceSetup legacy;
        legacy.classGuid = kLegacyDriverClassGuid;
        legacy.hardwareIds = {L"HALVENOR\\LEGACY_" + tag};
        legacy.friendlyName = L"Generic by its class";
        devices_.push_back(std::make_unique<TestDevice>(legacy));
    }

    bool AllCreated() const {
        if (!displayClass_.Created() || !netClass_.Created()) return false;
        for (const auto& device : devices_) {
            if (!device->Created()) return false;
        }
        return true;
    }
    const TestDevice& At(size_t index) const { return *devices_[index]; }

private:
    TestDeviceClass displayClass_;
    TestDeviceClass netClass_;
    std::vector<std::unique_ptr<TestDevice>> devices_;
};

TEST_F(InventoryFixture, RecordsTheCreatedDevicesAndSkipsTheGenericOnes) {
    DeviceSet devices(tag_);
    ASSERT_TRUE(devices.AllCreated());
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring infFile = std::wstring(windows) + L"\\inf\\halvenor_scan_" + tag_ + L".inf";
    ASSERT_TRUE(WriteFileBytes(infFile, "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\n"));

    // The real device layer end to end, through the engine's scan operation.
    ReportLog log;
    app_.SetScanProgressCallback(log.Callback());
    EXPECT_EQ(32, app_.RunDeviceScan(L"C:\\scan"));
    EXPECT_EQ(35, app_.StatusCode());
    EXPECT_EQ(L"C:\\scan", app_.ScanPath());
    DeleteFileW(infFile.c_str());

    ExpectProgressThatRises(log.reports, true);
    EXPECT_EQ(nullptr, log.Find(L"*PNP" + tag_));
    EXPECT_EQ(nullptr, log.Find(L"HALVENOR\\LEGACY_" + tag_));

    const DriverInfoRecord* display = log.Find(L"PCI\\VEN_10DE&DEV_1234&SUBSYS_" + tag_);
    ASSERT_NE(nullptr, display);
    EXPECT_EQ(L"Halvenor Test Display", display->deviceName);
    EXPECT_EQ(L"Halvenor Display Class", display->category);
    EXPECT_EQ(infFile, display->infPath);
    EXPECT_EQ(L"1.2.3.4", display->driverVersion);
    EXPECT_EQ(L"Display Provider", display->provider);
    EXPECT_EQ(L"Display Maker", display->manufacturer);
    EXPECT_EQ(devices.At(0).DriverKey(), display->driverKey);
    EXPECT_EQ(L"03-15-2019", display->driverDate);
    const FILETIME date = FileTimeOfDate(2019, 3, 15);
    EXPECT_EQ(date.dwLowDateTime, display->driverDateLow);
    EXPECT_EQ(date.dwHighDateTime, display->driverDateHigh);
    EXPECT_EQ(L"halvenor_no_such_service", display->serviceName);
    EXPECT_TRUE(display->signer.empty());
    EXPECT_EQ(L"pci\\ven_10de&dev_1234&subsys_" + tag_, display->matchingDeviceId);
    // "PCI\VEN_10DE&CC_0300" has a vendor but no device part: generic.
    EXPECT_EQ(L"pci\\ven_10de&dev_1234&subsys_" + tag_ + L"|PCI\\CC_0300", display->matchingIds);
    EXPECT_EQ((std::vector<std::wstring>{L"PCI\\VEN_10DE&DEV_1234&SUBSYS_" + tag_, L"ACPI\\PNP0F03"}),
              display->hardwareIds);
    EXPECT_EQ((std::vector<std::wstring>{L"PCI\\VEN_10DE&DEV_1234&SUBSYS_" + tag_, L"PCI\\VEN_10DE",
                                         L" ACPI\\PNP0F03 "}),
              display->allHardwareIds);
    EXPECT_EQ((std::vector<std::wstring>{L"PCI\\CC_0300"}), display->compatibleIds);
    EXPECT_EQ(3u, display->allCompatibleIds.size());
    EXPECT_EQ(0u, display->isUnknownDevice);
    EXPECT_EQ(0u, display->nodeStatusResult);
    EXPECT_EQ(0xFFFFFFFFu, display->driverRank);  // Wine's driver store reports no installed driver
    EXPECT_EQ(0u, display->isSigned);
    EXPECT_EQ(0u, InstallFlagOf(*display));
    EXPECT_EQ(nullptr, display->offeredDrivers);

    const DriverInfoRecord* net = log.Find(L"USB\\VID_0B95&PID_" + tag_);
    ASSERT_NE(nullptr, net);
    EXPECT_EQ(L"Halvenor Test Network", net->deviceName);
    EXPECT_EQ(L"HalvenorNet", net->category);  // a resource reference gives way to the class name
    EXPECT_EQ(L"oem77.inf", net->infPath);  // not under the Windows folder: the key's text as it is
    EXPECT_EQ(L"10.0.1", net->driverVersion);
    EXPECT_EQ(L"5-20-2018", net->driverDate);  // no binary date: the text as stored
    EXPECT_TRUE(net->provider.empty());
    EXPECT_TRUE(net->matchingDeviceId.empty());  // a generic matching id is left out
    EXPECT_TRUE(net->matchingIds.empty());

    const DriverInfoRecord* audio = log.Find(L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888&" + tag_);
    ASSERT_NE(nullptr, audio);
    EXPECT_EQ(L"Halvenor Test Audio", audio->deviceName);
    EXPECT_EQ(L"Other devices", audio->category);  // the prefix has no description for this class
    EXPECT_EQ(1u, audio->isUnknownDevice);
    EXPECT_TRUE(audio->driverKey.empty());
    EXPECT_TRUE(audio->driverVersion.empty());
    EXPECT_TRUE(audio->driverDate.empty());
    EXPECT_TRUE(audio->infPath.empty());

    const DriverInfoRecord* unknown = log.Find(L"HALVENOR\\UNKNOWN_" + tag_);
    ASSERT_NE(nullptr, unknown);
    EXPECT_EQ(L"Unknown Device", unknown->deviceName);
    EXPECT_EQ(L"Other devices", unknown->category);
    EXPECT_EQ(1u, unknown->isUnknownDevice);
}

// The real device list with what Wine's driver store and device tree cannot show:
// an installed driver with rank and signature, a device that is not present, a
// device with a problem.
class DriverStoreStandIn : public SetupApiDeviceAccess {
public:
    std::map<std::wstring, InstalledDriver> installed;  // by first hardware id
    std::map<std::wstring, DeviceNodeStatus> nodes;
    std::vector<SignedDriverEntry> signedRows;  // none: the query fails
    bool signedTableTruncated = false;

    bool QuerySignedDrivers(SignedDriverTable& table) override {
        table.rows = signedRows;
        table.truncated = signedTableTruncated;
        return !table.rows.empty();
    }

    DeviceNodeStatus ReadNodeStatus(const SP_DEVINFO_DATA& device) override {
        auto found = nodes.find(FirstHardwareId(device));
        return found != nodes.end() ? found->second : SetupApiDeviceAccess::ReadNodeStatus(device);
    }
    std::optional<InstalledDriver> FindInstalledDriver(const SP_DEVINFO_DATA& device) override {
        auto found = installed.find(FirstHardwareId(device));
        if (found != installed.end()) return found->second;
        return SetupApiDeviceAccess::FindInstalledDriver(device);
    }

private:
    std::wstring FirstHardwareId(const SP_DEVINFO_DATA& device) {
        BYTE buffer[1026] = {};
        if (!ReadProperty(device, SPDRP_HARDWAREID, buffer, 1024)) return {};
        return reinterpret_cast<const wchar_t*>(buffer);
    }
};

TEST_F(InventoryFixture, TakesTheDriverStoresAnswerBeforeTheDriverKey) {
    DeviceSet devices(tag_);
    ASSERT_TRUE(devices.AllCreated());
    auto store = std::make_unique<DriverStoreStandIn>();
    InstalledDriver driver;
    driver.rank = 0x00FF2001;
    driver.flags = kDriverFlagInstalled | kDriverFlagInfIsSigned;
    driver.date = FileTimeOfDate(2021, 11, 2);
    driver.infFileName = L"C:\\Windows\\System32\\DriverStore\\oem9.inf";
    driver.provider = L"Store Provider";
    driver.manufacturer = L"Store Maker";
    store->installed[L"PCI\\VEN_10DE&DEV_1234&SUBSYS_" + tag_] = driver;  // its key names a provider
    store->installed[L"USB\\VID_0B95&PID_" + tag_] = driver;               // its key names none
    store->nodes[L"USB\\VID_0B95&PID_" + tag_] = {CR_NO_SUCH_DEVNODE, 0, 0};
    store->nodes[L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888&" + tag_] = {CR_SUCCESS, DN_HAS_PROBLEM, 28};
    store->signedRows = {{L"Someone Else", L"Wrong Signer", L""},
                         {L"", L"Audio Signer", L"HALVENOR TEST AUDIO"},
                         {L"halvenor test display", L"Display Signer", L""},
                         {L"Halvenor Test Display", L"Later Signer", L""}};

    ReportLog log;
    CDeviceInventory inventory(app_, log.Callback(), std::move(store));
    EXPECT_EQ(32, inventory.EnumerateDevices());

    const DriverInfoRecord* display = log.Find(L"PCI\\VEN_10DE&DEV_1234&SUBSYS_" + tag_);
    ASSERT_NE(nullptr, display);
    EXPECT_EQ(0x00FF2001u, display->driverRank);
    EXPECT_EQ(1u, display->isSigned);
    EXPECT_EQ(L"11-02-2021", display->driverDate);  // a full date from the store keeps the key's date out
    EXPECT_EQ(FileTimeOfDate(2021, 11, 2).dwLowDateTime, display->driverDateLow);
    EXPECT_EQ(L"Display Provider", display->provider);
    EXPECT_EQ(L"Store Maker", display->manufacturer);
    // The key's INF file is not under the Windows folder here: the store's path stands.
    EXPECT_EQ(driver.infFileName, display->infPath);
    EXPECT_EQ(L"Display Signer", display->signer);  // first row by name, without regard to case

    const DriverInfoRecord* net = log.Find(L"USB\\VID_0B95&PID_" + tag_);
    ASSERT_NE(nullptr, net);
    EXPECT_EQ(static_cast<uint32_t>(CR_NO_SUCH_DEVNODE), net->nodeStatusResult);
    EXPECT_EQ(0u, net->problemCode);
    EXPECT_EQ(L"Store Provider", net->provider);
    EXPECT_EQ(driver.infFileName, net->infPath);

    const DriverInfoRecord* audio = log.Find(L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888&" + tag_);
    ASSERT_NE(nullptr, audio);
    EXPECT_EQ(0u, audio->nodeStatusResult);
    EXPECT_EQ(28u, audio->problemCode);
    EXPECT_EQ(0xFFFFFFFFu, audio->driverRank);
    EXPECT_EQ(L"Audio Signer", audio->signer);  // matched by its friendly name
    EXPECT_TRUE(net->signer.empty());           // no row names it, and no fallback once the table was read
}

TEST_F(InventoryFixture, StopRequestedMidScanEndsTheWalkAndLeavesTheEngineIdle) {
    DeviceSet devices(tag_);
    ASSERT_TRUE(devices.AllCreated());
    size_t reports = 0;
    HANDLE firstReport = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CDeviceInventory inventory(app_, [&](const DriverInfoRecord*, int) {
        if (++reports != 1) return;
        SetEvent(firstReport);
        // Hold the walk until the screen's request is in, so it lands mid-scan.
        PumpMessagesUntil([&] { return app_.StopRequested(18); }, 5000);
    }, std::make_unique<DriverStoreStandIn>());

    int result = 0;
    std::thread worker([&] { result = inventory.EnumerateDevices(); });
    const DWORD firstReportWait = WaitForSingleObject(firstReport, 30000);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), firstReportWait);
    EXPECT_TRUE(app_.WaitForOperation(18));
    worker.join();
    CloseHandle(firstReport);

    EXPECT_EQ(18, result);
    EXPECT_EQ(35, app_.StatusCode());
    EXPECT_EQ(1u, reports);
}

TEST_F(InventoryFixture, DevicesBeyondTheCapacityAreLeftOutAndTheProgressStillEnds) {
    DeviceSet devices(tag_);
    ASSERT_TRUE(devices.AllCreated());
    ReportLog log;
    CDeviceInventory inventory(app_, log.Callback(), std::make_unique<DriverStoreStandIn>(), 2);
    EXPECT_EQ(32, inventory.EnumerateDevices());
    EXPECT_TRUE(inventory.CapacityReached());
    EXPECT_EQ(2u, log.recordedCount);
    ExpectProgressThatRises(log.reports, true);
}

TEST_F(InventoryFixture, ReachedLimitsAreWrittenToTheDailyLog) {
    const std::wstring deviceLine = L"|  Device list full: 2 devices recorded, further devices were left out\r\n";
    const std::wstring signedLine = L"|  Signed driver list full: 1 entries read, further entries were left out\r\n";
    struct Case {
        const char* name;
        size_t capacity;
        bool signedTableTruncated;
        bool deviceLineExpected;
        bool signedLineExpected;
    } cases[] = {
        {"within both limits", 1024, false, false, false},
        {"device list full", 2, false, true, false},
        {"signed driver list full", 1024, true, false, true},
    };
    DeviceSet devices(tag_);
    ASSERT_TRUE(devices.AllCreated());
    for (const Case& c : cases) {
        auto access = std::make_unique<DriverStoreStandIn>();
        access->signedRows.resize(1);
        access->signedTableTruncated = c.signedTableTruncated;
        CDeviceInventory inventory(app_, nullptr, std::move(access), c.capacity);
        ProcessLogWatch log;
        EXPECT_EQ(32, inventory.EnumerateDevices()) << c.name;
        const std::wstring written = log.NewText();
        EXPECT_EQ(c.deviceLineExpected, written.find(L"Device list full") != std::wstring::npos) << c.name;
        EXPECT_EQ(c.signedLineExpected, written.find(L"Signed driver list full") != std::wstring::npos) << c.name;
        if (c.deviceLineExpected) {
            EXPECT_NE(std::wstring::npos, written.find(deviceLine)) << c.name;
        }
        if (c.signedLineExpected) {
            EXPECT_NE(std::wstring::npos, written.find(signedLine)) << c.name;
        }
    }
}

TEST_F(InventoryFixture, NonPlugAndPlayDriversAreLeftOutWithoutTheLastDeviceRule) {
    TestDeviceClass nonPnpClass(L"Non-Plug and Play drivers", L"HalvenorLegacy");
    ASSERT_TRUE(nonPnpClass.Created());
    TestDeviceSetup setup;
    setup.classGuid = nonPnpClass.Guid();
    setup.hardwareIds = {L"HALVENOR\\NONPNP_" + tag_};
    setup.friendlyName = L"Legacy service";
    TestDevice device(setup);
    ASSERT_TRUE(device.Created());

    ReportLog log;
    CDeviceInventory inventory(app_, log.Callback(), std::make_unique<DriverStoreStandIn>());
    EXPECT_EQ(32, inventory.EnumerateDevices());
    EXPECT_EQ(nullptr, log.Find(L"HALVENOR\\NONPNP_" + tag_));
    ASSERT_GT(log.reports.size(), 1u);
    // The last device reports 100 unless it was the one left out here.
    ExpectProgressThatRises(log.reports, log.reports.back().recorded);
}

TEST(DeviceInventoryTest, EngineFormOnlyFiltersAndCannotRun) {
    CDeviceInventory inventory;
    EXPECT_TRUE(inventory.IsGenericDevice(L"", L"ROOT\\LEGACY_BEEP"));
    EXPECT_FALSE(inventory.WindowsFolder().empty());
    EXPECT_EQ(33, inventory.EnumerateDevices());
}

TEST(DeviceInventoryTest, NoDeviceListMeansFailureAndNoReports) {
    class EmptyDeviceList : public SetupApiDeviceAccess {
    public:
        bool OpenAllDevices() override { return false; }
    };
    ScanOperation app;
    app.InitializeOperation();
    int reports = 0;
    CDeviceInventory inventory(app, [&](const DriverInfoRecord*, int) { ++reports; },
                               std::make_unique<EmptyDeviceList>());
    EXPECT_EQ(33, inventory.EnumerateDevices());
    EXPECT_EQ(0, reports);
}

}  // namespace
