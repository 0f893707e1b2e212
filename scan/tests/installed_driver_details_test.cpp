#include "scan/installed_driver_details.h"

#include <gtest/gtest.h>

#include <ctime>

#include "scan/scan_operation.h"
#include "platform/text_case.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/test_devices.h"

namespace {

// Local midnight of a day, worked out through the time-zone rules rather than the
// C runtime.
FILETIME LocalMidnight(WORD year, WORD month, WORD day) {
    SYSTEMTIME local{};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    SYSTEMTIME utc{};
    TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    FILETIME result{};
    SystemTimeToFileTime(&utc, &result);
    return result;
}

TEST(DateStringToFileTimeTest, ReadsYearMonthDayAndRefusesEverythingElse) {
    struct Case {
        const wchar_t* text;
        bool valid;
        WORD year, month, day;
    };
    const Case cases[] = {
        {L"2010-05-17", true, 2010, 5, 17},
        {L"2010-05-17T13:45:00", true, 2010, 5, 17},  // the time is ignored
        {L"2010-5-7", true, 2010, 5, 7},
        {L"2012-12-31", true, 2012, 12, 31},
        {L"05-17-2010", false, 0, 0, 0},  // month first: 5 is no year
        {L"2010-13-01", false, 0, 0, 0},
        {L"2010-00-10", false, 0, 0, 0},
        {L"2010-05-32", false, 0, 0, 0},
        {L"2010-05-00", false, 0, 0, 0},
        {L"1899-12-31", false, 0, 0, 0},
        {L"2010-05", false, 0, 0, 0},
        {L"2010--17", false, 0, 0, 0},
        {L"", false, 0, 0, 0},
        {L"not a date", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<FILETIME> result = DateStringToFileTime(c.text);
        ASSERT_EQ(c.valid, result.has_value()) << testing::PrintToString(std::wstring(c.text));
        if (!c.valid) continue;
        const FILETIME expected = LocalMidnight(c.year, c.month, c.day);
        EXPECT_EQ(expected.dwLowDateTime, result->dwLowDateTime) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(expected.dwHighDateTime, result->dwHighDateTime);
    }
}

TEST(FormatDriverDateTest, WritesMonthDayYearWithDashes) {
    EXPECT_EQ(L"03-05-2019", FormatDriverDate(FileTimeOfDate(2019, 3, 5)));
    EXPECT_EQ(L"12-31-1999", FormatDriverDate(FileTimeOfDate(1999, 12, 31)));
}

TEST(FindDeviceEnumKeyTest, FindsTheInstanceByHardwareIdOrDriverKey) {
    const std::wstring tag = UniqueTestTag();
    TestDeviceSetup setup;
    setup.classGuid = kSystemClassGuid;
    setup.hardwareIds = {L"HALVENOR\\ENUM_" + tag, L"HALVENOR\\OTHER"};
    setup.withDriverKey = true;
    TestDevice device(setup);
    ASSERT_TRUE(device.Created());
    ASSERT_FALSE(device.DriverKey().empty());
    const std::wstring expected = L"SYSTEM\\CurrentControlSet\\Enum\\" + device.InstanceId();

    struct Query {
        std::wstring text;
        EnumKeySearch search;
        bool found;
    };
    const Query queries[] = {
        {L"halvenor\\enum_" + tag, EnumKeySearch::kByHardwareId, true},
        {L"HALVENOR\\ENUM_" + tag, EnumKeySearch::kByHardwareId, true},
        {device.DriverKey(), EnumKeySearch::kByDriverKey, true},
        // Only the first hardware id counts, and the two searches do not mix.
        {L"halvenor\\other", EnumKeySearch::kByHardwareId, false},
        {L"halvenor\\enum_" + tag, EnumKeySearch::kByDriverKey, false},
        {L"halvenor\\missing_" + tag, EnumKeySearch::kByHardwareId, false},
    };
    // The whole-scan index answers exactly as the single search.
    DeviceEnumIndex index;
    index.Build();
    for (const Query& query : queries) {
        const std::wstring searched = FindDeviceEnumKey(query.text, query.search);
        EXPECT_EQ(query.found, EqualsIgnoringCase(expected, searched)) << testing::PrintToString(query.text);
        if (!query.found) {
            EXPECT_EQ(L"", searched);
        }
        EXPECT_EQ(searched, index.Find(query.text, query.search)) << testing::PrintToString(query.text);
    }
}

TEST(GetInstalledDriverDateVersionTest, ReadsTheDriverKeyOfTheMatchingDevice) {
    const std::wstring tag = UniqueTestTag();
    TestDeviceSetup setup;
    setup.classGuid = kSystemClassGuid;
    setup.hardwareIds = {L"HALVENOR\\DATED_" + tag};
    setup.withDriverKey = true;
    setup.driverTexts = {{L"DriverDate", L"1-2-2003"}, {L"DriverVersion", L"5.6.7.8"}};
    setup.driverDateData = FileTimeOfDate(2020, 7, 9);
    TestDevice device(setup);
    ASSERT_TRUE(device.Created());

    InstalledDriverDateVersion result;
    result.problem = 77;
    if (!GetInstalledDriverDateVersion(device.DriverKey(), L"halvenor\\dated_" + tag, result)) {
        GTEST_SKIP() << "the prefix does not list created devices as present";
    }
    EXPECT_EQ(L"07-09-2020", result.dateText);
    EXPECT_EQ(FileTimeOfDate(2020, 7, 9).dwHighDateTime, result.fileTimeHigh);
    EXPECT_EQ(L"5.6.7.8", result.version);

    // Another hardware id or a malformed class leaves the caller's values alone.
    InstalledDriverDateVersion untouched;
    untouched.version = L"kept";
    EXPECT_FALSE(GetInstalledDriverDateVersion(device.DriverKey(), L"halvenor\\nobody_" + tag, untouched));
    EXPECT_FALSE(GetInstalledDriverDateVersion(L"not-a-guid\\0000", L"x", untouched));
    EXPECT_EQ(L"kept", untouched.version);
}

TEST(ServiceImageCompanyTest, ResolvesTheImagePathUnderTheWindowsFolder) {
    ScopedTempFolder windows;
    ASSERT_TRUE(CreateDirectoryW(windows.File(L"system32").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(windows.File(L"system32\\drivers").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(windows.File(L"system32\\drivers\\present.sys"), "MZ"));
    const std::wstring present = windows.File(L"system32\\drivers\\present.sys");
    struct Case {
        const wchar_t* imagePath;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"\\SystemRoot\\System32\\drivers\\present.sys", windows.File(L"System32\\drivers\\present.sys")},
        {L"System32\\DRIVERS\\present.sys", windows.File(L"System32\\DRIVERS\\present.sys")},
        // A path that does not lead to a file falls back to its file name under drivers.
        {L"C:\\Vendor\\present.sys", present},
        {L"\\??\\C:\\Elsewhere\\missing.sys", windows.File(L"system32\\drivers\\missing.sys")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, ResolveServiceImagePath(windows.Path(), c.imagePath))
            << testing::PrintToString(std::wstring(c.imagePath));
    }
}

TEST(ServiceImageCompanyTest, ReadsTheCompanyOfTheServicesImageFile) {
    ScanOperation app;
    app.InitializeOperation();
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring service = L"halvenor_svc_" + UniqueTestTag();
    const std::wstring serviceKey = L"SYSTEM\\CurrentControlSet\\Services\\" + service;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, serviceKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                                             nullptr, &key, nullptr));
    struct Case {
        const wchar_t* imagePath;
        const wchar_t* company;
    };
    // The prefix's own driver files carry version information with a company.
    const Case cases[] = {
        {L"\\SystemRoot\\System32\\drivers\\ksecdd.sys", L"Microsoft Corporation"},
        {L"C:\\Vendor\\ksecdd.sys", L"Microsoft Corporation"},
        {L"System32\\drivers\\halvenor_missing.sys", L""},
    };
    for (const Case& c : cases) {
        const std::wstring imagePath = c.imagePath;
        RegSetValueExW(key, L"ImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(imagePath.c_str()),
                       static_cast<DWORD>((imagePath.size() + 1) * sizeof(wchar_t)));
        EXPECT_EQ(c.company, GetServiceImageCompany(app, windows, service)) << testing::PrintToString(imagePath);
    }
    RegCloseKey(key);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, serviceKey.c_str());
    EXPECT_EQ(L"", GetServiceImageCompany(app, windows, service));
}

TEST(SignedDriverQueryTest, ReportsWhetherRowsWereReadAndNeverKeepsOldOnes) {
    // Under Wine the query gives no rows (or WMI is not reachable at all).
    SignedDriverTable table;
    table.rows.push_back({L"left", L"over", L"row"});
    const bool read = QuerySignedDrivers(table);
    EXPECT_EQ(read, !table.rows.empty());
    for (const SignedDriverEntry& row : table.rows) EXPECT_NE(L"left", row.deviceName);
    EXPECT_FALSE(table.truncated);
}

}  // namespace
