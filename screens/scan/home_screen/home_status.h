#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the home page shows, worked out from the stored scan and backup state.
struct HomeStatusInputs {
    SYSTEMTIME now{};
    std::optional<SYSTEMTIME> lastScan;    // "CurrentScanTime"
    std::optional<SYSTEMTIME> lastBackup;  // "LastBackupTime"
    int outdatedCount = 0;                 // "StrLastScanResults"
    int upToDateCount = 0;                 // "TotalUpToDateDrivers"
    int scanCondition = 0;                 // 0 no scan, 1 outdated drivers found, 2 all up to date
    int ageLevel = 4;                      // 1 to 4
    bool backupMode = false;
    bool backupMadeOnce = false;
};

// Language texts by key, and the user's date and time formats.
struct HomeStatusTexts {
    std::function<std::wstring(const wchar_t* key)> text;
    std::function<std::wstring(const SYSTEMTIME&)> dateAndTime;
};

struct HomeStatus {
    // The arguments of the page's "setText", in the page's order.
    std::vector<std::wstring> setTextArguments;
    std::wstring lastScanText;
    std::wstring outdatedCountText;  // "IDS_ALLDRIVER_UPDATE", "IDS_ERRORCOUNTS_1", or the count in "IDS_ERRORCOUNTS"
    std::wstring ageBarLevel;        // "2", "4" or "6": the page's bar image
};

HomeStatus BuildHomeStatus(const HomeStatusInputs& inputs, const HomeStatusTexts& texts);

// Stored values as the home page may trust them: a count that is no number or is
// negative is 0; a scan condition outside 0 to 2 is 0; an age level outside 1 to 4
// is 4.
int ParseStoredCount(const std::wstring& text);
int SanitiseScanCondition(int condition);
int SanitiseAgeLevel(int level);
// A 16-byte binary value under the user's product key that is a real calendar
// time; anything else counts as missing.
std::optional<SYSTEMTIME> ReadStoredTime(const std::wstring& valueName);

// Whole days from `then` to `now`; nullopt when either is no calendar time.
std::optional<long long> WholeDaysBetween(const SYSTEMTIME& then, const SYSTEMTIME& now);

// The inputs as the registry and the settings hold them now; the age level is
// stored back when it had to be corrected.
HomeStatusInputs ReadHomeStatusInputs();
// The user's default date format, a blank, and the time format.
std::wstring LocalDateAndTimeText(const SYSTEMTIME& time);
