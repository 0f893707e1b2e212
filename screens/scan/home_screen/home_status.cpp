#include "screens/scan/home_screen/home_status.h"

#include <cwctype>

#include "foundation/app_settings.h"
#include "shell/driver_optimizer_app.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"

namespace {

constexpr int kRecentScanDays = 30;
constexpr wchar_t kCountPlaceholder[] = L"N_ERR_DONOTTRANSLATE";

std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
    for (std::size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

std::wstring AgeBarLevel(int level) {
    switch (level) {
        case 1:
        case 2: return L"6";
        case 3: return L"4";
        default: return L"2";
    }
}

// "today", "yesterday" or the date and time for a moment that lies `days` back.
std::wstring RecentDayText(long long days, const SYSTEMTIME& time, const HomeStatusTexts& texts) {
    if (days == 0) return texts.text(L"IDS_TODAY");
    if (days == 1) return texts.text(L"IDS_YESTERDAY");
    return texts.dateAndTime(time);
}

}  // namespace

std::optional<long long> WholeDaysBetween(const SYSTEMTIME& then, const SYSTEMTIME& now) {
    FILETIME a{};
    FILETIME b{};
    if (!SystemTimeToFileTime(&then, &a) || !SystemTimeToFileTime(&now, &b)) return std::nullopt;
    const auto ticks = [](const FILETIME& t) {
        return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    const long long seconds = (ticks(b) - ticks(a)) / 10000000LL;
    return seconds / 86400;
}

int ParseStoredCount(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    if (i == text.size() || !std::iswdigit(text[i])) return 0;
    long long value = 0;
    for (; i < text.size() && std::iswdigit(text[i]); ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 0x7fffffff) return 0;
    }
    while (i < text.size() && std::iswspace(text[i])) ++i;
    return i == text.size() ? static_cast<int>(value) : 0;
}

int SanitiseScanCondition(int condition) { return condition >= 0 && condition <= 2 ? condition : 0; }
int SanitiseAgeLevel(int level) { return level >= 1 && level <= 4 ? level : 4; }

HomeStatus BuildHomeStatus(const HomeStatusInputs& in, const HomeStatusTexts& texts) {
    HomeStatus status;
    const auto& text = texts.text;
    const int condition = SanitiseScanCondition(in.scanCondition);
    const int outdated = in.outdatedCount < 0 ? 0 : in.outdatedCount;
    const int upToDate = in.upToDateCount < 0 ? 0 : in.upToDateCount;

    std::optional<long long> scanDays;
    if (in.lastScan) scanDays = WholeDaysBetween(*in.lastScan, in.now);
    const bool scanKnown = scanDays && *scanDays >= 0 && *scanDays <= kRecentScanDays;
    status.lastScanText = scanKnown ? RecentDayText(*scanDays, *in.lastScan, texts) : text(L"IDS_NOSCAN");

    if (outdated == 0) status.outdatedCountText = text(L"IDS_ALLDRIVER_UPDATE");
    else if (outdated == 1) status.outdatedCountText = text(L"IDS_ERRORCOUNTS_1");
    else status.outdatedCountText = ReplaceAll(text(L"IDS_ERRORCOUNTS"), kCountPlaceholder, std::to_wstring(outdated));

    status.ageBarLevel = AgeBarLevel(SanitiseAgeLevel(in.ageLevel));

    const std::wstring backupNow = text(in.backupMode ? L"IDS_BACKUP_NOW" : L"IDS_BACKUP_REQUIRED");
    std::wstring backupText = backupNow;
    if (in.lastBackup) {
        const std::optional<long long> days = WholeDaysBetween(*in.lastBackup, in.now);
        // A backup time in the future is shown as it stands.
        if (days) backupText = RecentDayText(*days < 0 ? 2 : *days, *in.lastBackup, texts);
    }

    std::wstring alert;
    std::wstring scanText = status.lastScanText;
    std::wstring outdatedShown = std::to_wstring(outdated);
    std::wstring upToDateShown = std::to_wstring(upToDate);
    switch (condition) {
        case 0:
            alert = text(L"IDS_ALERT_HOME_TEXT_NOTSCANNED");
            scanText = outdatedShown = upToDateShown = text(L"IDS_SCAN_REQUIRED");
            break;
        case 1:
            alert = text(outdated == 1 ? L"IDS_ALERT_HOME_TEXT_OUTDATED_DRIVER" : L"IDS_ALERT_HOME_TEXT_OUTDATED_DRIVERS");
            alert = ReplaceAll(alert, kCountPlaceholder, std::to_wstring(outdated));
            break;
        default:
            alert = text(L"IDS_ALERT_HOME_TEXT_PERFECT");
            outdatedShown = L"0";
            break;
    }

    const auto label = [&](const wchar_t* key) { return text(key) + L":"; };
    status.setTextArguments = {
        alert,
        label(L"IDS_SHOWUPDATEDYOURPC"),
        label(L"string97"),
        scanText,
        label(L"IDS_SLASTBACKUP"),
        backupText,
        label(L"IDS_SOUTOFDATEFILES"),
        outdatedShown,
        label(L"IDS_SUPTODATEFILES"),
        upToDateShown,
        text(in.backupMode ? L"IDS_START_DRIVER_BACKUP" : L"IDC_SCANTAB_SCAN_NOW"),
        std::to_wstring(condition),
        text(L"string112"),
        text(L"string130"),
        text(L"string131"),
        text(L"string132"),
        text(L"string133"),
        text(L"string134"),
        in.backupMadeOnce ? L"1" : L"0",
        text(L"IDS_FEEDBACK"),
        in.backupMode ? L"1" : L"0",
        backupNow,
        status.ageBarLevel,
    };
    return status;
}

std::optional<SYSTEMTIME> ReadStoredTime(const std::wstring& valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    SYSTEMTIME time{};
    DWORD type = 0;
    DWORD size = sizeof(time);
    const LSTATUS result =
        RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&time), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_BINARY || size != sizeof(time)) return std::nullopt;
    FILETIME check{};
    if (!SystemTimeToFileTime(&time, &check)) return std::nullopt;
    return time;
}

HomeStatusInputs ReadHomeStatusInputs() {
    HomeStatusInputs in;
    GetLocalTime(&in.now);
    in.lastScan = ReadStoredTime(L"CurrentScanTime");
    in.lastBackup = ReadStoredTime(L"LastBackupTime");
    in.backupMadeOnce = in.lastBackup.has_value();
    const AppSettings settings = GetAppSettings();
    std::wstring storedCount;
    DWORD unused = 0;
    GetUserRegistryValue(kProductKeyPath, L"StrLastScanResults", storedCount, unused, 1);
    in.outdatedCount = ParseStoredCount(storedCount);
    in.upToDateCount = settings.totalUpToDateDrivers;
    in.scanCondition = SanitiseScanCondition(CurrentScanStatus().load());
    in.ageLevel = SanitiseAgeLevel(settings.driverAge);
    if (in.ageLevel != settings.driverAge) {
        UpdateAppSettings([&](AppSettings& s) { s.driverAge = in.ageLevel; });
    }
    in.backupMode = IsDriverBackupModeEnabled();
    return in;
}

std::wstring LocalDateAndTimeText(const SYSTEMTIME& time) {
    wchar_t date[128] = {};
    wchar_t clock[128] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, date, 128);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, 128);
    return std::wstring(date) + L" " + clock;
}
