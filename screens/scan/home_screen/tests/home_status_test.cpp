#include "screens/scan/home_screen/home_status.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "tests/support/scoped_registry.h"

namespace {

// Texts are their own keys, so the expected lists read as the keys the page gets.
HomeStatusTexts KeyTexts() {
    return {[](const wchar_t* key) {
                return std::wstring(key) == L"IDS_ERRORCOUNTS" ? std::wstring(L"N_ERR_DONOTTRANSLATE errors")
                                                                : std::wstring(key);
            },
            [](const SYSTEMTIME& t) { return L"date " + std::to_wstring(t.wDay) + L"/" + std::to_wstring(t.wMonth); }};
}

SYSTEMTIME Day(WORD year, WORD month, WORD day) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = 10;
    return t;
}

const SYSTEMTIME kNow = Day(2024, 5, 31);

HomeStatusInputs Inputs(std::optional<SYSTEMTIME> scan, int condition, int outdated, int upToDate = 40) {
    HomeStatusInputs in;
    in.now = kNow;
    in.lastScan = scan;
    in.scanCondition = condition;
    in.outdatedCount = outdated;
    in.upToDateCount = upToDate;
    return in;
}

using Texts = std::vector<std::wstring>;

Texts Expected(const std::wstring& alert, const std::wstring& scanText, const std::wstring& backupText,
               const std::wstring& outdated, const std::wstring& upToDate, const std::wstring& condition,
               const std::wstring& level = L"2") {
    return {alert, L"IDS_SHOWUPDATEDYOURPC:", L"string97:", scanText, L"IDS_SLASTBACKUP:", backupText,
            L"IDS_SOUTOFDATEFILES:", outdated, L"IDS_SUPTODATEFILES:", upToDate, L"IDC_SCANTAB_SCAN_NOW",
            condition, L"string112", L"string130", L"string131", L"string132", L"string133", L"string134",
            L"0", L"IDS_FEEDBACK", L"0", L"IDS_BACKUP_REQUIRED", level};
}

TEST(HomeStatus, SetTextValuesForEachStoredState) {
    const struct {
        const char* name;
        HomeStatusInputs in;
        Texts expected;
    } cases[] = {
        {"never scanned", Inputs(std::nullopt, 0, 0),
         Expected(L"IDS_ALERT_HOME_TEXT_NOTSCANNED", L"IDS_SCAN_REQUIRED", L"IDS_BACKUP_REQUIRED",
                  L"IDS_SCAN_REQUIRED", L"IDS_SCAN_REQUIRED", L"0")},
        {"one outdated, scanned today", Inputs(Day(2024, 5, 31), 1, 1),
         Expected(L"IDS_ALERT_HOME_TEXT_OUTDATED_DRIVER", L"IDS_TODAY", L"IDS_BACKUP_REQUIRED", L"1", L"40", L"1")},
        {"five outdated, yesterday", Inputs(Day(2024, 5, 30), 1, 5),
         Expected(L"IDS_ALERT_HOME_TEXT_OUTDATED_DRIVERS", L"IDS_YESTERDAY", L"IDS_BACKUP_REQUIRED", L"5", L"40",
                  L"1")},
        {"all current 30 days ago", Inputs(Day(2024, 5, 1), 2, 3),
         Expected(L"IDS_ALERT_HOME_TEXT_PERFECT", L"date 1/5", L"IDS_BACKUP_REQUIRED", L"0", L"40", L"2")},
        {"condition out of range counts as no scan", Inputs(Day(2024, 5, 31), 7, 2),
         Expected(L"IDS_ALERT_HOME_TEXT_NOTSCANNED", L"IDS_SCAN_REQUIRED", L"IDS_BACKUP_REQUIRED",
                  L"IDS_SCAN_REQUIRED", L"IDS_SCAN_REQUIRED", L"0")},
        {"negative counts show as 0", Inputs(Day(2024, 5, 31), 2, -4, -9),
         Expected(L"IDS_ALERT_HOME_TEXT_PERFECT", L"IDS_TODAY", L"IDS_BACKUP_REQUIRED", L"0", L"0", L"2")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildHomeStatus(c.in, KeyTexts()).setTextArguments, c.expected) << c.name;
    }
}

TEST(HomeStatus, LastScanAndBackupTextsByAge) {
    const struct {
        std::optional<SYSTEMTIME> time;
        const wchar_t* scanText;
        const wchar_t* backupText;
    } cases[] = {
        {std::nullopt, L"IDS_NOSCAN", L"IDS_BACKUP_REQUIRED"},
        {Day(2024, 5, 31), L"IDS_TODAY", L"IDS_TODAY"},
        {Day(2024, 5, 30), L"IDS_YESTERDAY", L"IDS_YESTERDAY"},
        {Day(2024, 5, 1), L"date 1/5", L"date 1/5"},
        // Older than 30 days the scan no longer counts; the backup still shows its date.
        {Day(2024, 4, 30), L"IDS_NOSCAN", L"date 30/4"},
        // A scan dated in the future is no scan.
        {Day(2024, 6, 2), L"IDS_NOSCAN", L"date 2/6"},
    };
    for (const auto& c : cases) {
        HomeStatusInputs in = Inputs(c.time, 1, 2);
        in.lastBackup = c.time;
        const HomeStatus status = BuildHomeStatus(in, KeyTexts());
        EXPECT_EQ(status.lastScanText, c.scanText);
        EXPECT_EQ(status.setTextArguments[5], c.backupText);
    }
}

TEST(HomeStatus, CountTextAgeBarAndBackupMode) {
    const struct {
        int outdated;
        const wchar_t* countText;
    } counts[] = {{0, L"IDS_ALLDRIVER_UPDATE"}, {1, L"IDS_ERRORCOUNTS_1"}, {5, L"5 errors"}, {-3, L"IDS_ALLDRIVER_UPDATE"}};
    for (const auto& c : counts) {
        EXPECT_EQ(BuildHomeStatus(Inputs(kNow, 1, c.outdated), KeyTexts()).outdatedCountText, c.countText);
    }
    const struct {
        int level;
        const wchar_t* bar;
    } levels[] = {{1, L"6"}, {2, L"6"}, {3, L"4"}, {4, L"2"}, {0, L"2"}, {7, L"2"}};
    for (const auto& c : levels) {
        HomeStatusInputs in = Inputs(kNow, 1, 1);
        in.ageLevel = c.level;
        EXPECT_EQ(BuildHomeStatus(in, KeyTexts()).ageBarLevel, c.bar) << c.level;
        EXPECT_EQ(SanitiseAgeLevel(c.level), c.level >= 1 && c.level <= 4 ? c.level : 4);
    }
    HomeStatusInputs backup = Inputs(std::nullopt, 0, 0);
    backup.backupMode = true;
    const Texts args = BuildHomeStatus(backup, KeyTexts()).setTextArguments;
    EXPECT_EQ(args[5], L"IDS_BACKUP_NOW");
    EXPECT_EQ(args[10], L"IDS_START_DRIVER_BACKUP");
    EXPECT_EQ(args[20], L"1");
    EXPECT_EQ(args[21], L"IDS_BACKUP_NOW");
}

TEST(HomeStatus, StoredValuesAreReadDefensively) {
    const struct {
        const wchar_t* text;
        int count;
    } counts[] = {{L"12", 12}, {L" 3 ", 3}, {L"", 0}, {L"-2", 0}, {L"abc", 0}, {L"4x", 0}, {L"99999999999", 0}};
    for (const auto& c : counts) EXPECT_EQ(ParseStoredCount(c.text), c.count) << c.text;
    for (int condition : {-1, 3, 100}) EXPECT_EQ(SanitiseScanCondition(condition), 0);

    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    const SYSTEMTIME good = Day(2024, 2, 29);
    SYSTEMTIME impossible = Day(2023, 2, 30);
    const BYTE shortValue[8] = {};
    SetRawValue(key, L"Good", REG_BINARY, &good, sizeof(good));
    SetRawValue(key, L"Impossible", REG_BINARY, &impossible, sizeof(impossible));
    SetRawValue(key, L"Short", REG_BINARY, shortValue, sizeof(shortValue));
    SetRawValue(key, L"Text", REG_SZ, L"2024-01-01", 22);
    RegCloseKey(key);
    ASSERT_TRUE(ReadStoredTime(L"Good").has_value());
    EXPECT_EQ(ReadStoredTime(L"Good")->wDay, 29);
    for (const wchar_t* name : {L"Impossible", L"Short", L"Text", L"Missing"}) {
        EXPECT_FALSE(ReadStoredTime(name).has_value()) << name;
    }
}

}  // namespace
