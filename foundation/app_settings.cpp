#include "foundation/app_settings.h"

#include <climits>
#include <cwctype>
#include <mutex>
#include <new>

#include "foundation/clock.h"
#include "foundation/product_key.h"
#include "platform/registry.h"
#include "foundation/registry_values.h"

namespace {

std::mutex recordLock;
AppSettings record;
bool recordInitialised = false;

// Keeps a load and a save from interleaving their registry work.
std::mutex storeLock;

constexpr DWORD kBackupModeCacheMs = 8192;

void ResetNumbers(AppSettings& settings) {
    const AppSettings defaults;
    settings.startWhenWinBoots = defaults.startWhenWinBoots;
    settings.goToSystemTrayOnClose = defaults.goToSystemTrayOnClose;
    settings.setChkRemovableMedia = defaults.setChkRemovableMedia;
    settings.setChkSkipEmptyKeys = defaults.setChkSkipEmptyKeys;
    settings.improvementProgram = defaults.improvementProgram;
    settings.confirmBkUps = defaults.confirmBkUps;
    settings.startScan = defaults.startScan;
    settings.startMinimized = defaults.startMinimized;
    settings.autoRepair = defaults.autoRepair;
    settings.regErrFoundTillDate = defaults.regErrFoundTillDate;
    settings.regErrsFixedTillDate = defaults.regErrsFixedTillDate;
    settings.regErrsFixedLast = defaults.regErrsFixedLast;
    settings.scheduleKind = defaults.scheduleKind;
    settings.numTimesHalRunned = defaults.numTimesHalRunned;
    settings.totalScannedDrivers = defaults.totalScannedDrivers;
    settings.totalOutOfDateDrivers = defaults.totalOutOfDateDrivers;
    settings.totalUpToDateDrivers = defaults.totalUpToDateDrivers;
    settings.driverAge = defaults.driverAge;
    settings.oldestDriverAgeInYears = defaults.oldestDriverAgeInYears;
    settings.appDriverScanStatus = defaults.appDriverScanStatus;
    settings.isTelNoEnabled = defaults.isTelNoEnabled;
    settings.isDriverAlertsEnabled = defaults.isDriverAlertsEnabled;
}

// Each value is read without the record's lock and stored under it, so readers on
// other threads wait only for the assignment.
void ReadInto(const CRegistry& key, const wchar_t* name, int AppSettings::*field) {
    DWORD value = 0;
    if (!key.ValueExists(name) || !key.ReadDwordChecked(name, value)) return;
    std::lock_guard<std::mutex> guard(recordLock);
    record.*field = static_cast<int>(value);
}

void ReadInto(const CRegistry& key, const wchar_t* name, std::wstring AppSettings::*field) {
    std::wstring value;
    if (!key.ValueExists(name) || !key.ReadString(name, value)) return;
    std::lock_guard<std::mutex> guard(recordLock);
    record.*field = std::move(value);
}

// Decimal value of the leading digits (with an optional sign); 0 without digits.
int ParseLeadingInt(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool ToSeconds(const SYSTEMTIME& time, long long& seconds) {
    FILETIME asFileTime{};
    if (!SystemTimeToFileTime(&time, &asFileTime)) return false;
    ULARGE_INTEGER ticks{};
    ticks.LowPart = asFileTime.dwLowDateTime;
    ticks.HighPart = asFileTime.dwHighDateTime;
    seconds = static_cast<long long>(ticks.QuadPart / 10000000ULL);
    return true;
}

}  // namespace

AppSettings GetAppSettings() {
    std::lock_guard<std::mutex> guard(recordLock);
    return record;
}

void UpdateAppSettings(const std::function<void(AppSettings&)>& change) {
    std::lock_guard<std::mutex> guard(recordLock);
    change(record);
}

void InitDefaultSettings() {
    std::lock_guard<std::mutex> guard(recordLock);
    ResetNumbers(record);
    recordInitialised = true;
}

void LoadSettings() {
    std::lock_guard<std::mutex> store(storeLock);
    bool initialised = false;
    {
        std::lock_guard<std::mutex> guard(recordLock);
        initialised = recordInitialised;
    }
    if (!initialised) InitDefaultSettings();

    {
        CRegistry key;
        if (key.Open(kProductKeyPath, HKEY_CURRENT_USER, true)) {
            try {
                ReadInto(key, L"StartWhenWinBoots", &AppSettings::startWhenWinBoots);
                ReadInto(key, L"GoToSystemTrayOnClose", &AppSettings::goToSystemTrayOnClose);
                ReadInto(key, L"SetChkREmovableMedia", &AppSettings::setChkRemovableMedia);
                ReadInto(key, L"SetChkSkipEmptyKeys", &AppSettings::setChkSkipEmptyKeys);
                ReadInto(key, L"ImprovementProgram", &AppSettings::improvementProgram);
                ReadInto(key, L"StrLastOptimizeTime", &AppSettings::strLastOptimizeTime);
                ReadInto(key, L"ConfirmBkUps", &AppSettings::confirmBkUps);
                ReadInto(key, L"StartScan", &AppSettings::startScan);
                ReadInto(key, L"StartMinimized", &AppSettings::startMinimized);
                ReadInto(key, L"AutoRepair", &AppSettings::autoRepair);
                ReadInto(key, L"StrLastScan", &AppSettings::strLastScan);
                {
                    std::wstring count = std::to_wstring(GetLastScanResultCount());
                    std::lock_guard<std::mutex> guard(recordLock);
                    record.strLastScanResults = std::move(count);
                }
                ReadInto(key, L"StrLatestRegDefrag", &AppSettings::strLatestRegDefrag);
                ReadInto(key, L"StrLatestRestorePoint", &AppSettings::strLatestRestorePoint);
                ReadInto(key, L"StrLastStartupOpt", &AppSettings::strLastStartupOpt);
                ReadInto(key, L"RegErrFoundTillDate", &AppSettings::regErrFoundTillDate);
                ReadInto(key, L"RegErrsFixedTillDate", &AppSettings::regErrsFixedTillDate);
                ReadInto(key, L"RegErrsFixedLast", &AppSettings::regErrsFixedLast);
                ReadInto(key, L"ScheduledTime", &AppSettings::scheduledTime);
                ReadInto(key, L"m_rBtnEvery", &AppSettings::scheduleKind);
                ReadInto(key, L"NumTimesHalRunned", &AppSettings::numTimesHalRunned);
                ReadInto(key, L"TotalScannedDrivers", &AppSettings::totalScannedDrivers);
                ReadInto(key, L"TotalOutOfDateDrivers", &AppSettings::totalOutOfDateDrivers);
                ReadInto(key, L"TotalUpToDateDrivers", &AppSettings::totalUpToDateDrivers);
                ReadInto(key, L"DriverAge", &AppSettings::driverAge);
                ReadInto(key, L"OldestDriverAgeInYears", &AppSettings::oldestDriverAgeInYears);
                ReadInto(key, L"AppDriverScanStatus", &AppSettings::appDriverScanStatus);
                ReadInto(key, L"InstalledPath", &AppSettings::installedPath);
            } catch (const std::bad_alloc&) {
                // What was read so far stays; the rest keeps its earlier values.
            }
        }
    }

    CRegistry machineKey;
    if (machineKey.Open(kProductKeyPath, HKEY_LOCAL_MACHINE, true)) {
        ReadInto(machineKey, L"IsTelNoEnabled", &AppSettings::isTelNoEnabled);
        ReadInto(machineKey, L"IsDriverAlertsEnabled", &AppSettings::isDriverAlertsEnabled);
    }
}

void SaveSettings() {
    std::lock_guard<std::mutex> store(storeLock);
    const AppSettings settings = GetAppSettings();
    {
        CRegistry key;
        if (key.Open(kProductKeyPath, HKEY_CURRENT_USER, true)) {
            const auto dword = [&key](const wchar_t* name, int value) {
                key.WriteDword(name, static_cast<DWORD>(value));
            };
            dword(L"ImprovementProgram", settings.improvementProgram);
            dword(L"StartWhenWinBoots", settings.startWhenWinBoots);
            dword(L"GoToSystemTrayOnClose", settings.goToSystemTrayOnClose);
            dword(L"StartScan", settings.startScan);
            dword(L"StartMinimized", settings.startMinimized);
            key.WriteString(L"StrLastScan", settings.strLastScan);
            SaveLastScanResultCount(ParseLeadingInt(settings.strLastScanResults));
            key.WriteString(L"StrLatestRestorePoint", settings.strLatestRestorePoint);
            key.WriteString(L"ScheduledTime", settings.scheduledTime);
            dword(L"NumTimesHalRunned", settings.numTimesHalRunned);
            dword(L"TotalScannedDrivers", settings.totalScannedDrivers);
            dword(L"TotalOutOfDateDrivers", settings.totalOutOfDateDrivers);
            dword(L"TotalUpToDateDrivers", settings.totalUpToDateDrivers);
            dword(L"DriverAge", settings.driverAge);
            dword(L"OldestDriverAgeInYears", settings.oldestDriverAgeInYears);
            dword(L"AppDriverScanStatus", settings.appDriverScanStatus);
            key.WriteString(L"InstalledPath", settings.installedPath);
        }
    }
    CRegistry machineKey;
    if (machineKey.Open(kProductKeyPath, HKEY_LOCAL_MACHINE, true)) {
        machineKey.WriteString(L"InstalledPath", settings.installedPath);
    }
}

void SaveScheduledTime() {
    const AppSettings settings = GetAppSettings();
    CRegistry key;
    if (key.Open(kProductKeyPath, HKEY_CURRENT_USER, true)) key.WriteString(L"ScheduledTime", settings.scheduledTime);
}

void ReloadScheduledTime() {
    CRegistry key;
    if (key.Open(kProductKeyPath, HKEY_CURRENT_USER, false)) ReadInto(key, L"ScheduledTime", &AppSettings::scheduledTime);
}

int GetLastScanResultCount() {
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadOnlyMask);
    std::wstring text;
    if (!key.Open(kProductKeyPath, HKEY_CURRENT_USER, false) || !key.ValueExists(L"StrLastScanResults") ||
        !key.ReadString(L"StrLastScanResults", text)) {
        return 0;
    }
    return ParseLeadingInt(text);
}

void SaveLastScanResultCount(int count) {
    CRegistry key;
    if (key.Open(kProductKeyPath, HKEY_CURRENT_USER, true)) {
        key.WriteString(L"StrLastScanResults", std::to_wstring(count));
    }
}

int DaysSinceLastScan() {
    try {
        SYSTEMTIME lastScan{};
        if (!ReadUserSystemTime(kProductKeyPath, L"CurrentScanTime", lastScan)) return -1;
        long long then = 0;
        long long now = 0;
        // A stored record that is no calendar time (garbage, or too short) is no scan.
        if (!ToSeconds(lastScan, then) || !ToSeconds(AppClock().LocalTime(), now)) return -1;
        return static_cast<int>((now - then) / 86400);
    } catch (...) {
        return -1;
    }
}

bool ReadStartAutoScanFlag() {
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadOnlyMask);
    DWORD value = 0;
    return key.Open(kProductKeyPath, HKEY_CURRENT_USER, false) && key.ValueExists(L"StartAutoScanPMUI") &&
           key.ReadDwordChecked(L"StartAutoScanPMUI", value) && value != 0;
}

bool ResetStartAutoScanFlag() {
    CRegistry key;
    if (key.Open(kProductKeyPath, HKEY_CURRENT_USER, true)) key.WriteDword(L"StartAutoScanPMUI", 0);
    return false;
}

bool IsDriverBackupModeEnabled() {
    static std::mutex cacheLock;
    static bool everRead = false;
    static DWORD lastReadTick = 0;
    static DWORD cachedValue = 0;

    std::lock_guard<std::mutex> guard(cacheLock);
    const DWORD now = AppClock().TickCount();
    if (!everRead || now - lastReadTick >= kBackupModeCacheMs) {
        everRead = true;
        lastReadTick = now;
        CRegistry key;
        key.SetAccessMask(CRegistry::kReadOnlyMask);
        if (key.Open(kProductKeyPath, HKEY_LOCAL_MACHINE, false) && key.ValueExists(L"IsDriverBackupModeEnabled")) {
            key.ReadDword(L"IsDriverBackupModeEnabled", cachedValue);
        }
    }
    return cachedValue == 1;
}
