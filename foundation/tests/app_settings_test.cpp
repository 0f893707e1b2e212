#include "foundation/app_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "foundation/product_key.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scoped_registry.h"

namespace {

class ProductKey {
public:
    explicit ProductKey(HKEY root) {
        RegCreateKeyExW(root, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    }
    ~ProductKey() { RegCloseKey(key_); }
    ProductKey(const ProductKey&) = delete;
    ProductKey& operator=(const ProductKey&) = delete;
    HKEY Handle() const { return key_; }

    void SetDword(const wchar_t* name, DWORD value) const { SetRawValue(key_, name, REG_DWORD, &value, 4); }
    void SetText(const wchar_t* name, const std::wstring& text) const {
        SetRawValue(key_, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
    }
    std::map<std::wstring, DWORD> ValueTypes() const {
        std::map<std::wstring, DWORD> types;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256] = {};
            DWORD length = 256;
            DWORD type = 0;
            if (RegEnumValueW(key_, index, name, &length, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
            types[name] = type;
        }
        return types;
    }

private:
    HKEY key_ = nullptr;
};

// Every test gets empty registry roots of its own and a record back at its start.
class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots_.Active());
        InitDefaultSettings();
        UpdateAppSettings([](AppSettings& settings) {
            const AppSettings fresh;
            settings.strLastOptimizeTime = fresh.strLastOptimizeTime;
            settings.strLastScan = fresh.strLastScan;
            settings.strLastScanResults = fresh.strLastScanResults;
            settings.strLatestRegDefrag = fresh.strLatestRegDefrag;
            settings.strLatestRestorePoint = fresh.strLatestRestorePoint;
            settings.strLastStartupOpt = fresh.strLastStartupOpt;
            settings.scheduledTime = fresh.scheduledTime;
            settings.installedPath = fresh.installedPath;
        });
    }

    // A stored schedule kind, as most users have one.
    static void StoreScheduleKind(const ProductKey& key) { key.SetDword(L"m_rBtnEvery", 3); }

    ScopedRegistryRoots roots_;
};

// The read fills the record with the defaults and creates the product key; the
// default scan task is a start-up decision made elsewhere, so nothing about a
// schedule is stored.
TEST_F(AppSettingsTest, FreshUserGetsTheKeyAndEveryDefault) {
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKeyPath));
    LoadSettings();
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kProductKeyPath));

    const AppSettings loaded = GetAppSettings();
    const std::pair<const char*, std::pair<int, int>> numbers[] = {
        {"StartWhenWinBoots", {loaded.startWhenWinBoots, 1}},
        {"GoToSystemTrayOnClose", {loaded.goToSystemTrayOnClose, 1}},
        {"SetChkREmovableMedia", {loaded.setChkRemovableMedia, 1}},
        {"SetChkSkipEmptyKeys", {loaded.setChkSkipEmptyKeys, 1}},
        {"ImprovementProgram", {loaded.improvementProgram, 1}},
        {"ConfirmBkUps", {loaded.confirmBkUps, 1}},
        {"StartScan", {loaded.startScan, 0}},
        {"StartMinimized", {loaded.startMinimized, 0}},
        {"AutoRepair", {loaded.autoRepair, 0}},
        {"RegErrFoundTillDate", {loaded.regErrFoundTillDate, 0}},
        {"NumTimesHalRunned", {loaded.numTimesHalRunned, 0}},
        {"DriverAge", {loaded.driverAge, 4}},
        {"AppDriverScanStatus", {loaded.appDriverScanStatus, 0}},
        {"IsTelNoEnabled", {loaded.isTelNoEnabled, 0}},
        {"IsDriverAlertsEnabled", {loaded.isDriverAlertsEnabled, 1}},
        {"m_rBtnEvery", {loaded.scheduleKind, -1}},
    };
    for (const auto& [name, values] : numbers) EXPECT_EQ(values.first, values.second) << name;
    EXPECT_EQ(loaded.strLastScanResults, L"0");
    EXPECT_TRUE(loaded.strLastScan.empty());
    EXPECT_TRUE(loaded.installedPath.empty());
    EXPECT_TRUE(loaded.scheduledTime.empty());

    ProductKey user(HKEY_CURRENT_USER);
    EXPECT_FALSE(ReadRawValue(user.Handle(), L"m_rBtnEvery").has_value()) << "the read stored a schedule";
    EXPECT_FALSE(ReadRawValue(user.Handle(), L"ScheduledTime").has_value()) << "the read stored a schedule";
}

TEST_F(AppSettingsTest, ReadsStoredValuesAndIgnoresWrongTypes) {
    ProductKey user(HKEY_CURRENT_USER);
    ProductKey machine(HKEY_LOCAL_MACHINE);
    StoreScheduleKind(user);
    user.SetText(L"StartScan", L"1");              // a number stored as text
    user.SetDword(L"StrLastScan", 5);              // a text stored as a number
    user.SetDword(L"StartMinimized", 1);
    user.SetDword(L"DriverAge", 2);
    user.SetDword(L"TotalScannedDrivers", 123);
    user.SetText(L"StrLatestRestorePoint", L"restore point text");
    user.SetText(L"InstalledPath", L"C:\\Program Files\\Halvenor");
    user.SetText(L"StrLastScanResults", L"7 drivers");
    user.SetText(L"ScheduledTime", L"Every day; 09:00 AM");
    machine.SetDword(L"IsDriverAlertsEnabled", 0);
    machine.SetText(L"IsTelNoEnabled", L"1");

    LoadSettings();
    const AppSettings loaded = GetAppSettings();
    EXPECT_EQ(loaded.startScan, 0);
    EXPECT_TRUE(loaded.strLastScan.empty());
    EXPECT_EQ(loaded.startMinimized, 1);
    EXPECT_EQ(loaded.driverAge, 2);
    EXPECT_EQ(loaded.totalScannedDrivers, 123);
    EXPECT_EQ(loaded.strLatestRestorePoint, L"restore point text");
    EXPECT_EQ(loaded.installedPath, L"C:\\Program Files\\Halvenor");
    EXPECT_EQ(loaded.strLastScanResults, L"7");
    EXPECT_EQ(loaded.scheduledTime, L"Every day; 09:00 AM");
    EXPECT_EQ(loaded.scheduleKind, 3);
    EXPECT_EQ(loaded.isDriverAlertsEnabled, 0);
    EXPECT_EQ(loaded.isTelNoEnabled, 0);
}

TEST_F(AppSettingsTest, SaveWritesExactlyTheSaveSet) {
    ProductKey user(HKEY_CURRENT_USER);
    StoreScheduleKind(user);
    LoadSettings();
    UpdateAppSettings([](AppSettings& settings) {
        settings.startScan = 1;
        settings.driverAge = 3;
        settings.strLastScan = L"last scan";
        settings.installedPath = L"C:\\Halvenor";
        settings.strLastScanResults = L"12";
        settings.scheduleKind = 2;         // not saved: the schedule page owns it
        settings.setChkRemovableMedia = 0;  // read only
    });
    RegDeleteValueW(user.Handle(), L"m_rBtnEvery");
    SaveSettings();

    const std::map<std::wstring, DWORD> expected = {
        {L"ImprovementProgram", REG_DWORD},    {L"StartWhenWinBoots", REG_DWORD},
        {L"GoToSystemTrayOnClose", REG_DWORD}, {L"StartScan", REG_DWORD},
        {L"StartMinimized", REG_DWORD},        {L"StrLastScan", REG_SZ},
        {L"StrLastScanResults", REG_SZ},       {L"StrLatestRestorePoint", REG_SZ},
        {L"ScheduledTime", REG_SZ},            {L"NumTimesHalRunned", REG_DWORD},
        {L"TotalScannedDrivers", REG_DWORD},   {L"TotalOutOfDateDrivers", REG_DWORD},
        {L"TotalUpToDateDrivers", REG_DWORD},  {L"DriverAge", REG_DWORD},
        {L"OldestDriverAgeInYears", REG_DWORD}, {L"AppDriverScanStatus", REG_DWORD},
        {L"InstalledPath", REG_SZ},
    };
    EXPECT_EQ(user.ValueTypes(), expected);

    const auto startScan = ReadRawValue(user.Handle(), L"StartScan");
    ASSERT_TRUE(startScan.has_value());
    EXPECT_EQ(startScan->bytes, (std::vector<BYTE>{1, 0, 0, 0}));
    const auto results = ReadRawValue(user.Handle(), L"StrLastScanResults");
    ASSERT_TRUE(results.has_value());
    EXPECT_EQ(results->bytes, (std::vector<BYTE>{'1', 0, '2', 0, 0, 0}));

    ProductKey machine(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(machine.ValueTypes(), (std::map<std::wstring, DWORD>{{L"InstalledPath", REG_SZ}}));
}

TEST_F(AppSettingsTest, AbsentResultCountLoadsAndSavesAsZero) {
    ProductKey user(HKEY_CURRENT_USER);
    StoreScheduleKind(user);
    UpdateAppSettings([](AppSettings& settings) { settings.strLastScanResults = L"99"; });
    LoadSettings();
    EXPECT_EQ(GetAppSettings().strLastScanResults, L"0");
    SaveSettings();
    const auto results = ReadRawValue(user.Handle(), L"StrLastScanResults");
    ASSERT_TRUE(results.has_value());
    EXPECT_EQ(results->bytes, (std::vector<BYTE>{'0', 0, 0, 0}));
}

TEST_F(AppSettingsTest, ResultCountReadsLeadingDigits) {
    ProductKey user(HKEY_CURRENT_USER);
    const std::pair<std::wstring, int> cases[] = {{L"15", 15}, {L"8 left", 8}, {L"none", 0}, {L"", 0}, {L"-2", -2}};
    for (const auto& [text, count] : cases) {
        user.SetText(L"StrLastScanResults", text);
        EXPECT_EQ(GetLastScanResultCount(), count) << text;
    }
    SaveLastScanResultCount(31);
    EXPECT_EQ(GetLastScanResultCount(), 31);
}

TEST_F(AppSettingsTest, DaysSinceLastScanCountsWholeDaysAndRejectsBadTimes) {
    ManualClock clock(0, ManualClock::Make(2026, 3, 7, 12, 0, 0));
    EXPECT_EQ(DaysSinceLastScan(), -1) << "no key at all";
    ProductKey user(HKEY_CURRENT_USER);
    EXPECT_EQ(DaysSinceLastScan(), -1) << "no value";

    struct Case {
        const char* what;
        SYSTEMTIME stored;
        DWORD bytes;
        int expected;
    } cases[] = {
        {"36 hours ago", ManualClock::Make(2026, 3, 6, 0, 0, 0), 16, 1},
        {"31 days ago", ManualClock::Make(2026, 2, 4, 12, 0, 0), 16, 31},
        {"just now", ManualClock::Make(2026, 3, 7, 11, 0, 0), 16, 0},
        {"two days ahead", ManualClock::Make(2026, 3, 9, 12, 0, 0), 16, -2},
        {"month 13", ManualClock::Make(2026, 13, 1, 0, 0, 0), 16, -1},
        {"only four bytes", ManualClock::Make(2026, 3, 6, 0, 0, 0), 4, -1},
    };
    cases[4].stored.wMonth = 13;
    for (const auto& c : cases) {
        ASSERT_TRUE(SetRawValue(user.Handle(), L"CurrentScanTime", REG_BINARY, &c.stored, c.bytes));
        EXPECT_EQ(DaysSinceLastScan(), c.expected) << c.what;
    }
}

TEST_F(AppSettingsTest, StartAutoScanFlagIsReadAndReset) {
    EXPECT_FALSE(ReadStartAutoScanFlag());
    ProductKey user(HKEY_CURRENT_USER);
    user.SetDword(L"StartAutoScanPMUI", 5);
    EXPECT_TRUE(ReadStartAutoScanFlag());
    EXPECT_FALSE(ResetStartAutoScanFlag());
    EXPECT_FALSE(ReadStartAutoScanFlag());
    const auto stored = ReadRawValue(user.Handle(), L"StartAutoScanPMUI");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(AppSettingsTest, BackupModeIsReadAtMostEvery8192Ms) {
    ManualClock clock(1000000);
    ProductKey machine(HKEY_LOCAL_MACHINE);
    // Let any answer cached by an earlier test expire.
    clock.AdvanceTick(8192);
    machine.SetDword(L"IsDriverBackupModeEnabled", 1);
    EXPECT_TRUE(IsDriverBackupModeEnabled());

    machine.SetDword(L"IsDriverBackupModeEnabled", 0);
    clock.AdvanceTick(8191);
    EXPECT_TRUE(IsDriverBackupModeEnabled()) << "still the cached answer";
    clock.AdvanceTick(1);
    EXPECT_FALSE(IsDriverBackupModeEnabled());

    machine.SetDword(L"IsDriverBackupModeEnabled", 2);
    clock.AdvanceTick(8192);
    EXPECT_FALSE(IsDriverBackupModeEnabled()) << "only 1 means on";

    machine.SetDword(L"IsDriverBackupModeEnabled", 1);
    clock.AdvanceTick(8192);
    EXPECT_TRUE(IsDriverBackupModeEnabled());
    RegDeleteValueW(machine.Handle(), L"IsDriverBackupModeEnabled");
    clock.AdvanceTick(8192);
    EXPECT_TRUE(IsDriverBackupModeEnabled()) << "a vanished value keeps the last answer";

    // The tick count wraps after 49.7 days; the cache must still expire.
    clock.SetTick(0xFFFFF000u);
    machine.SetDword(L"IsDriverBackupModeEnabled", 0);
    EXPECT_FALSE(IsDriverBackupModeEnabled());
    machine.SetDword(L"IsDriverBackupModeEnabled", 1);
    clock.SetTick(0x00001000u);
    EXPECT_TRUE(IsDriverBackupModeEnabled());
}

TEST_F(AppSettingsTest, LoadsAndSavesOnOtherThreadsNeverTearTheTexts) {
    ProductKey user(HKEY_CURRENT_USER);
    StoreScheduleKind(user);
    const std::wstring first(300, L'a');
    const std::wstring second(700, L'b');
    user.SetText(L"StrLastScan", first);

    LoadSettings();
    ASSERT_EQ(GetAppSettings().strLastScan, first);

    std::atomic<bool> stop{false};
    std::atomic<int> loads{0};
    std::atomic<int> saves{0};
    std::atomic<int> torn{0};
    std::thread loader([&] {
        for (; !stop; ++loads) LoadSettings();
    });
    std::thread saver([&] {
        for (int round = 0; !stop; ++round, ++saves) {
            UpdateAppSettings([&](AppSettings& settings) { settings.strLastScan = round % 2 ? first : second; });
            SaveSettings();
        }
    });
    const DWORD start = GetTickCount();
    while ((loads < 50 || saves < 50) && GetTickCount() - start < 20000) {
        const std::wstring seen = GetAppSettings().strLastScan;
        if (seen != first && seen != second) ++torn;
    }
    stop = true;
    loader.join();
    saver.join();
    EXPECT_GE(loads.load(), 50);
    EXPECT_GE(saves.load(), 50);
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
