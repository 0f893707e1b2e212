#include "screens/scan/results_rows/results_rows.h"

#include <gtest/gtest.h>

#include <memory>

#include "foundation/app_settings.h"
#include "foundation/date_text.h"
#include "foundation/md5_checksum.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/html/recording_page_host.h"
#include "scan/scan_results.h"
#include "screens/scan/results_rows/results_pages.h"
#include "screens/scan/results_rows/tests/key_language_file.h"
#include "shell/exclusions/exclusion_list.h"
#include "shell/web_page.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/test_devices.h"

namespace {

using Texts = std::vector<std::wstring>;

class NoEvents : public PageHostEvents {
public:
    void OnDocumentComplete() override {}
    HRESULT OnElementEvent(PageEvent, const std::vector<PageElement>&) override { return S_OK; }
};

constexpr wchar_t kSystemClass[] = L"{4d36e97d-e325-11ce-bfc1-08002be10318}";
constexpr wchar_t kDisplayClass[] = L"{4d36e968-e325-11ce-bfc1-08002be10318}";

struct DeviceSpec {
    std::wstring classGuid = kSystemClass;
    uint32_t problem = 0;
    bool package = true;
    uint16_t ageClass = 3;
    uint16_t categoryId = 120;
    uint32_t days = 400;
    bool offeredDate = true;
};

class ResultsRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        UseKeyLanguageFile(appData_.Path() + L"\\keys.ini");
        app_ = std::make_unique<CDriverOptimizerApp>();
        context_ = std::make_unique<ResultsRowsContext>(ResultsRowsContext{*app_, &ready_, [](const std::wstring&) {
                                                                               return 100;
                                                                           }});
        CurrentScanStatus() = 1;
    }

    CDriverScanUpdate& Engine() { return app_->ScanUpdate(); }

    void MakeDevices(const std::vector<DeviceSpec>& specs) {
        Engine().ResetDeviceArrays(specs.size());
        Engine().devicesReported = static_cast<int32_t>(specs.size());
        DriverInfoArray& offered = *Engine().OfferedDrivers();
        for (size_t i = 0; i < specs.size(); ++i) {
            DriverInfoRecord& device = Engine().devices[i];
            const std::wstring n = std::to_wstring(i);
            device.deviceName = L"Device " + n;
            device.category = L"Category " + n;
            device.hardwareId = L"PCI\\VEN_1234&DEV_000" + n;
            device.driverKey = specs[i].classGuid + L"\\000" + n;
            device.driverVersion = L"1.0.0." + n;
            device.provider = L"Old Maker";
            const FILETIME installed = FileTimeOfDate(2019, 3, 4);
            device.driverDateLow = installed.dwLowDateTime;
            device.driverDateHigh = installed.dwHighDateTime;
            device.nodeStatusResult = specs[i].problem;
            DriverInfoRecord& offer = offered[i];
            if (specs[i].package) DownloadAddressOf(offer) = L"http://127.0.0.1/Drivers/Package_" + n + L".exe";
            Md5Of(offer) = L"0123456789abcdef0123456789abcdef";
            SeverityOf(offer) = specs[i].ageClass;
            CategoryIdOf(offer) = specs[i].categoryId;
            AgeInDaysOf(offer) = specs[i].days;
            offer.driverVersion = L"2.0.0." + n;
            offer.provider = L"New Maker";
            if (specs[i].offeredDate) {
                const FILETIME date = FileTimeOfDate(2024, 6, 7);
                offer.driverDateLow = date.dwLowDateTime;
                offer.driverDateHigh = date.dwHighDateTime;
            }
        }
    }

    void Match(const Texts& order) {
        Engine().displayOrder = order;
        Engine().answerText = L"<nd/>";
        Engine().updateCount = static_cast<int32_t>(order.size());
    }

    std::vector<int> RowDevices() {
        std::vector<int> devices;
        for (const ResultRow& row : Engine().updateResults) devices.push_back(row.deviceIndex);
        return devices;
    }

    // Three rows, devices 4, 0 and 2, out of a list with everything that gives no row.
    void ThreeRows() {
        MakeDevices({{},
                     {kDisplayClass, 13},
                     {kSystemClass, 13, true, 1, 186},
                     {kSystemClass, 0, false},
                     {kSystemClass, 0, true, 0, 6, 400, false}});
        Match({L"0|Category 4|Device 4|4", L"0|Category 0|Device 0|0", L"0|Category 4|Device 4|4", L"|skipped|3",
               L"0|Category 3|Device 3|3", L"0|x|99", L"0|x|abc", L"1|Category 1|Device 1|1",
               L"1|Category 2|Device 2|2"});
        ASSERT_TRUE(ShowCategoryResults(*context_));
    }

    ScopedComApartment apartment_;
    ScopedAppDataFolder appData_;
    std::unique_ptr<CDriverOptimizerApp> app_;
    CDriverOptimizerApp::StringMap ready_;
    std::unique_ptr<ResultsRowsContext> context_;
};

TEST_F(ResultsRowsTest, RowsFollowTheMatchedListOnePerDeviceAndReachThePageWithTheirValues) {
    ThreeRows();
    // Duplicates, skipped entries, bad indexes, a device without a package and an
    // unplugged display adapter give no row.
    EXPECT_EQ(RowDevices(), (std::vector<int>{4, 0, 2}));
    EXPECT_EQ(Engine().rowDeviceMap, (CDriverScanUpdate::IndexMap{{0, 4}, {1, 0}, {2, 2}}));

    NoEvents events;
    RecordingPageHost host;
    host.Open(nullptr, nullptr, 5388, events);
    CWebPage page;
    page.SetDocument(host.Document());
    Engine().updateResults[2].state = ResultState::kInstalledRestartNeeded;
    EXPECT_EQ(FillScanResultsPage(*context_, page), 1);

    ASSERT_EQ(host.CallsOf(L"clearrows").size(), 1u);
    const auto rows = host.CallsOf(L"addTableRow");
    ASSERT_EQ(rows.size(), 3u);
    const std::wstring installed = FileTimeToLocalDateString(FileTimeOfDate(2019, 3, 4));
    const std::wstring offered = FileTimeToLocalDateString(FileTimeOfDate(2024, 6, 7));
    // Age class 0 reads as "old"; no offered date reads as not available.
    EXPECT_EQ(rows[0].arguments,
              (Texts{L"Camera.gif", L"Device 4", L"Device 4", L"", L"Category 4", L"IDS_INSTALLED", installed,
                     L"IDS_AVAILABLED", L"IDS_NOT_AVAILABLE", L"string95", L"IDS_IGNORE_TEXT", L"IDS_OLD",
                     L"IDS_VERY_OLD", L"IDS_ANCIENT", L"2", L"IDS_OLD", L"IDS_UPDATE_DRIVER", L"0", L"0", L"4",
                     L"updated 400 days ago", L"0", L"2", L"0"}));
    EXPECT_EQ(rows[1].arguments[0], L"Others.gif");
    EXPECT_EQ(rows[1].arguments[8], offered);
    EXPECT_EQ(rows[1].arguments[14], L"4");
    EXPECT_EQ(rows[1].arguments[15], L"IDS_VERY_OLD");
    // An unplugged device of another class keeps its row, with the badge.
    EXPECT_EQ(rows[2].arguments[0], L"Bluetooth.gif");
    EXPECT_EQ(rows[2].arguments[3], L"string404");
    EXPECT_EQ(rows[2].arguments[14], L"6");
    EXPECT_EQ(rows[2].arguments[18], L"2");
    EXPECT_EQ(rows[2].arguments[19], L"2");
    EXPECT_EQ(rows[2].arguments[16], L"IDS_RESTART_PC_TO_COMPLETE_INSTALL");

    PageContract contract{L"scan_results.htm", L"three-rows", {}, {}};
    contract.calls = {{L"setlanguage", {L"en"}}, {L"setosid", {L"10"}}};
    for (const auto& call : host.Calls()) contract.calls.emplace_back(call.function, call.arguments);
    contract.calls.emplace_back(L"settext", ScanResultsPageTexts(1, 3));
    EXPECT_TRUE(WritePageContract(contract));

    // The fill stores the statistics of what it showed.
    const AppSettings settings = GetAppSettings();
    EXPECT_EQ(settings.totalOutOfDateDrivers, 3);
    EXPECT_EQ(settings.totalScannedDrivers, 5);
    EXPECT_EQ(settings.totalUpToDateDrivers, 2);
    EXPECT_EQ(settings.oldestDriverAgeInYears, 400);
    EXPECT_EQ(GetLastScanResultCount(), 3);
}

TEST_F(ResultsRowsTest, RowStateAndWideStatusFollowTheState) {
    ThreeRows();
    Engine().updateResults[0].state = ResultState::kInstalledRestartNeeded;
    Engine().updateResults[1].state = 5;
    context_->statusTextWidth = [](const std::wstring& text) { return text == L"IDS_RESTART_PC_TO_COMPLETE_INSTALL" ? 300 : 10; };
    const Texts restart = ResultsTableRowValues(*context_, Engine().updateResults[0], 0);
    EXPECT_EQ(restart[16], L"IDS_RESTART_PC_TO_COMPLETE_INSTALL");
    EXPECT_EQ(restart[17], L"2");
    EXPECT_EQ(restart[22], L"2");  // rows whose install is still to come
    EXPECT_EQ(restart[23], L"1");
    EXPECT_EQ(ResultsTableRowValues(*context_, Engine().updateResults[1], 1)[16], L"IDS_DOWNLOAD");
}

TEST_F(ResultsRowsTest, ADownloadedPackageCountsOnlyWhileItIsThereWithTheOfferedDigest) {
    MakeDevices({{}, {}});
    Match({L"0|a|b|0", L"0|a|b|1"});
    const std::wstring good = app_->DataFolder() + L"\\good.exe";
    const std::wstring changed = app_->DataFolder() + L"\\changed.exe";
    for (const auto& path : {good, changed}) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, path.c_str(), static_cast<DWORD>(path.size() * 2), &written, nullptr);
        CloseHandle(file);
    }
    DriverInfoArray& offered = *Engine().OfferedDrivers();
    Md5Of(offered[0]) = Md5OfFile(good);
    Md5Of(offered[1]) = L"ffffffffffffffffffffffffffffffff";
    const std::wstring key0 = L"http:127.0.0.1driverspackage_0.exe";
    const std::wstring key1 = L"http:127.0.0.1driverspackage_1.exe";
    app_->DownloadsList()[key0] = good + L"|" + Md5Of(offered[0]);
    app_->DownloadsList()[key1] = changed + L"|x";

    ASSERT_TRUE(ShowCategoryResults(*context_));
    EXPECT_EQ(Engine().updateResults[0].state, ResultState::kDownloaded);
    EXPECT_EQ(Engine().updateResults[1].state, ResultState::kUpdateAvailable);
    EXPECT_EQ(ready_, (CDriverOptimizerApp::StringMap{{Md5Of(offered[0]), good}}));
    EXPECT_EQ(app_->DownloadsList().count(key1), 0u);
    CDriverOptimizerApp reread;
    reread.LoadListFile(1);
    EXPECT_EQ(reread.DownloadsList().count(key1), 0u);
    EXPECT_EQ(reread.DownloadsList().count(key0), 1u);

    // Gone before the page is filled: the row offers the download again.
    DeleteFileW(good.c_str());
    NoEvents events;
    RecordingPageHost host;
    host.Open(nullptr, nullptr, 5388, events);
    CWebPage page;
    page.SetDocument(host.Document());
    FillScanResultsPage(*context_, page);
    EXPECT_EQ(Engine().updateResults[0].state, ResultState::kUpdateAvailable);
    EXPECT_TRUE(app_->DownloadsList().empty());
}

TEST_F(ResultsRowsTest, IgnoringARowExcludesItsDeviceAndRenumbersTheRest) {
    ThreeRows();
    ExclusionList list(&Engine(), appData_.Path() + L"\\exclusion.xml");
    ASSERT_TRUE(ExcludeResultRow(Engine(), list, 1));
    EXPECT_TRUE(RemoveResultByRow(Engine(), 1));
    ASSERT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.Items()[0].DriverName, L"Device 0");
    EXPECT_EQ(list.Items()[0].HardwareIds, L"PCI\\VEN_1234&DEV_0000");
    EXPECT_EQ(RowDevices(), (std::vector<int>{4, 2}));
    EXPECT_EQ(Engine().rowDeviceMap, (CDriverScanUpdate::IndexMap{{0, 4}, {1, 2}}));
    EXPECT_EQ(GetLastScanResultCount(), 2);

    // A click names a row only; a row that is no longer shown is ignored.
    const auto clicked = ResolveClickedRow(Engine(), 1);
    ASSERT_TRUE(clicked.has_value());
    EXPECT_EQ(clicked->deviceIndex, 2);
    EXPECT_FALSE(ResolveClickedRow(Engine(), 2).has_value());
    EXPECT_FALSE(ResolveClickedRow(Engine(), -1).has_value());
    EXPECT_FALSE(ExcludeResultRow(Engine(), list, 7));
    EXPECT_FALSE(RemoveResultByRow(Engine(), 7));
    Engine().rowDeviceMap[0] = 3;
    EXPECT_FALSE(ResolveClickedRow(Engine(), 0).has_value());
}

TEST_F(ResultsRowsTest, RowActionsAndUpdateAllFollowTheRowStates) {
    ThreeRows();
    const ClickedRow first = *ResolveClickedRow(Engine(), 0);
    const RowRequest download = DownloadResultRow(Engine(), first);
    EXPECT_EQ(download.action, RowAction::Download);
    EXPECT_EQ(download.mode, 1);
    EXPECT_EQ(download.windowTimer, 108u);
    EXPECT_EQ(Engine().resultSelection, std::vector<int32_t>{0});

    SetResultStateByRow(*context_, ResultState::kDownloaded, 2);
    EXPECT_EQ(SavedResultStateOf(Engine().devices[2]), 1);
    const RowRequest install = DownloadResultRow(Engine(), *ResolveClickedRow(Engine(), 2));
    EXPECT_EQ(install.mode, 4);
    EXPECT_EQ(install.windowTimer, 112u);
    EXPECT_EQ(Engine().resultSelection, std::vector<int32_t>{2});

    SetResultStateByRow(*context_, ResultState::kInstalledRestartNeeded, 0);
    EXPECT_EQ(DownloadResultRow(Engine(), *ResolveClickedRow(Engine(), 0)).action, RowAction::RestartPrompt);
    EXPECT_EQ(UpdateAllSelected(Engine()), UpdateAllOutcome::Started);
    EXPECT_EQ(Engine().resultSelection, (std::vector<int32_t>{1, 2}));
    // What the backup before the update reads: the devices of the selected rows.
    EXPECT_EQ(Engine().integerArray, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(Engine().updateList, (CDriverScanUpdate::IndexMap{{0, 0}, {1, 2}}));
    for (ResultRow& row : Engine().updateResults) row.selected = 0;
    EXPECT_EQ(UpdateAllSelected(Engine()), UpdateAllOutcome::NoneChosen);
    for (ResultRow& row : Engine().updateResults) row.state = ResultState::kInstalledRestartNeeded;
    EXPECT_EQ(UpdateAllSelected(Engine()), UpdateAllOutcome::AllDone);
    Engine().updateResults.RemoveAll();
    EXPECT_EQ(UpdateAllSelected(Engine()), UpdateAllOutcome::NoRows);
}

TEST_F(ResultsRowsTest, ResultsPageTextsFollowStatusAndRowCount) {
    const struct {
        int status;
        int rows;
        const wchar_t* attention;
        const wchar_t* bottom;
    } cases[] = {
        {0, 0, L"IDS_NOSCAN", L"varBottomText1"},
        {0, 3, L"IDS_NOSCAN", L"varBottomText1"},
        {1, 1, L"1 outdated driver", L"varBottomText"},
        {1, 2, L"2 outdated drivers", L"varBottomText1"},
        {2, 0, L"string403", L"varBottomText1"},
        {7, 1, L"", L"varBottomText"},
    };
    for (const auto& c : cases) {
        const Texts texts = ScanResultsPageTexts(c.status, c.rows);
        const std::wstring s = std::to_wstring(c.status);
        EXPECT_EQ(texts, (Texts{s, c.attention, L"varUpdateAllBtnText", L"IDS_DRIVER_DETAILS", L"Version",
                                L"IDS_STATUS", L"IDS_VQ_ACTION_REQ", c.bottom, std::to_wstring(c.rows), s,
                                L"IDS_NEVER_COMPLETED_SCAN1", L"IDS_NEVER_COMPLETED_SCAN2", L"IDS_ALLUPTODATE_DRIVER",
                                L"IDS_HINT_SCAN_RESULTS", L"String312"}))
            << c.status << " " << c.rows;
    }
    for (const auto& [status, state] : {std::pair{0, L"no-scan"}, std::pair{2, L"all-current"}}) {
        PageContract contract{L"scan_results.htm", state, {}, {}};
        contract.calls = {{L"setlanguage", {L"en"}}, {L"setosid", {L"10"}}, {L"clearrows", {}},
                          {L"settext", ScanResultsPageTexts(status, 0)}};
        EXPECT_TRUE(WritePageContract(contract));
    }
}

TEST_F(ResultsRowsTest, AFailedLoadOfTheLastScanLeavesResultsAndStatusesAlone) {
    ThreeRows();
    const CScanResults file(app_->DataFolder());
    SYSTEMTIME now;
    GetLocalTime(&now);
    SYSTEMTIME old = now;
    old.wYear = static_cast<WORD>(now.wYear - 1);
    const struct {
        const char* name;
        std::optional<SYSTEMTIME> scanTime;
        const wchar_t* storedAnswer;  // null: no file
    } cases[] = {
        {"no scan time", std::nullopt, L"<nd/>"},
        {"scan older than 30 days", old, L"<nd/>"},
        {"no file", now, nullptr},
        {"answer that does not read", now, L"<nd><dev><id>0"},
        {"empty answer", now, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegDeleteValueW(key, L"CurrentScanTime");
        RegCloseKey(key);
        if (c.scanTime) WriteUserSystemTime(*c.scanTime, kProductKeyPath, L"CurrentScanTime");
        DeleteFileW(file.Path().c_str());
        if (c.storedAnswer != nullptr) {
            ASSERT_EQ(file.Save(&Engine().devices, 5, c.storedAnswer), 1);
        }
        CurrentScanStatus() = 1;
        ShownScanStatus() = 1;
        SaveLastScanResultCount(3);

        EXPECT_EQ(LoadLastScanResults(*context_), 0);
        EXPECT_EQ(CurrentScanStatus().load(), 1);
        EXPECT_EQ(ShownScanStatus().load(), 1);
        EXPECT_EQ(GetLastScanResultCount(), 3);
        EXPECT_EQ(RowDevices(), (std::vector<int>{4, 0, 2}));
    }
}

TEST(ResultsHelpers, VersionsCompareFieldByFieldAtFullWidth) {
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        bool differ;
    } cases[] = {
        {L"1,2,3,4", L"1.2.3.4", false},
        {L"1.2", L"1.2.0.0", false},
        {L"1.2.3.5", L"1.2.3.4", true},
        {L" 1, 2, 3, 4", L"1.2.3.4", false},
        {L"1.2.3.4.9", L"1.2.3.4.1", false},  // only four fields count
        {L"65536.0.0.0", L"0.0.0.0", true},   // no field wraps around
        {L"1.65535.0.1", L"1.65535.0.1", false},
        {L"01.2", L"1.02", false},
        {L"", L"1.0", false},
        {L"1.0", L"", true},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionsDiffer(c.a, c.b), c.differ) << c.a << L" / " << c.b;
}

TEST(ResultsHelpers, StoredDriverDatesAreReadWithoutTheLocale) {
    const struct {
        const wchar_t* text;
        int year, month, day;  // 0: not a date
    } cases[] = {
        {L"04-02-2018", 2018, 4, 2},   {L"2024-05-06", 2024, 5, 6}, {L"2024-05-06T10:11:12", 2024, 5, 6},
        {L"12/31/2019", 2019, 12, 31}, {L"02-30-2020", 0, 0, 0},    {L"2020-13-01", 0, 0, 0},
        {L"yesterday", 0, 0, 0},       {L"", 0, 0, 0},              {L"1-2", 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto date = ParseStoredDriverDate(c.text);
        ASSERT_EQ(date.has_value(), c.year != 0) << c.text;
        if (!date) continue;
        EXPECT_EQ(date->wYear, c.year);
        EXPECT_EQ(date->wMonth, c.month);
        EXPECT_EQ(date->wDay, c.day);
    }
    DriverInfoRecord offered;
    offered.driverDate = L"2024-05-06T00:00:00";
    EXPECT_EQ(DriverDetailsDate(offered), L"2024-05-06");
}

TEST(ResultsHelpers, CategoryIconsAndAgeLevels) {
    const std::pair<int, const wchar_t*> icons[] = {{120, L"Others.gif"}, {186, L"Bluetooth.gif"}, {0, L""},
                                                    {202, L""},           {52, L"Motherboard.gif"}, {201, L"Controller.gif"},
                                                    {148, L"Modems_Routers.gif"}, {197, L"USB.gif"}};
    for (const auto& [id, file] : icons) EXPECT_EQ(CategoryIconFile(id), file) << id;
    for (const auto& [level, bar] : std::vector<std::pair<int, const wchar_t*>>{
             {0, L"2"}, {1, L"6"}, {2, L"6"}, {3, L"4"}, {4, L"2"}, {5, L"2"}}) {
        EXPECT_EQ(AgeBarLevel(level), bar) << level;
    }
}

}  // namespace
