#include "engine/backup_archive_list.h"

#include <windows.h>
#include <oleauto.h>

#include <cmath>
#include <cwchar>

#include "platform/path_checks.h"
#include "engine/zip_archive_handle.h"
#include "foundation/clock.h"

namespace {

void RemoveAll(std::wstring& text, const std::wstring& what) {
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at)) text.erase(at, what.size());
}

bool ParsePart(const std::wstring& text, ULONG flags, double& value) {
    if (text.empty()) return false;
    DATE parsed = 0;
    std::wstring copy = text;
    if (FAILED(VarDateFromStr(copy.data(), LOCALE_USER_DEFAULT, flags, &parsed))) return false;
    value = parsed;
    return true;
}

bool ToSystemTime(double value, SYSTEMTIME& time) { return VariantTimeToSystemTime(value, &time) != FALSE; }

bool SplitThreeNumbers(const std::wstring& text, int (&numbers)[3]) {
    const size_t first = text.find(L'-');
    if (first == std::wstring::npos) return false;
    const size_t second = text.find(L'-', first + 1);
    if (second == std::wstring::npos) return false;
    numbers[0] = static_cast<int>(wcstol(text.substr(0, first).c_str(), nullptr, 10));
    numbers[1] = static_cast<int>(wcstol(text.substr(first + 1, second - first - 1).c_str(), nullptr, 10));
    numbers[2] = static_cast<int>(wcstol(text.substr(second + 1).c_str(), nullptr, 10));
    return true;
}

bool DaysInMonthHold(int year, int month, int day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool ArchiveHasEntries(const std::wstring& path) {
    ZipReadHandle archive;
    if (!archive.Open(path)) return false;
    unz_global_info64 info{};
    return unzGetGlobalInfo64(archive.Get(), &info) == UNZ_OK && info.number_entry > 0;
}

int CompareIgnoringCase(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) -
           CSTR_EQUAL;
}

}  // namespace

BackupListValue SplitBackupListValue(const std::wstring& value) {
    const size_t bar = value.find(L'|');
    if (bar == std::wstring::npos || bar == 0) return {value, {}};
    return {value.substr(0, bar), value.substr(bar + 1)};
}

std::wstring BackupArchiveSortKey(const std::wstring& name, ArchiveTime& time) {
    std::wstring text = name;
    RemoveAll(text, L".zip");
    if (const size_t comma = text.find(L','); comma != std::wstring::npos) text.erase(0, comma + 1);
    const std::wstring dateText = text.substr(0, text.find(L'_'));
    const size_t hour = text.find(L'H');
    std::wstring timeText = hour == std::wstring::npos ? std::wstring() : text.substr(hour + 1);
    RemoveAll(timeText, L"M");
    RemoveAll(timeText, L"S");
    for (wchar_t& c : timeText) {
        if (c == L'-') c = L':';
    }

    double date = 0;
    double clock = 0;
    const bool dateRead = ParsePart(dateText, VAR_DATEVALUEONLY, date);
    const bool timeRead = ParsePart(timeText, VAR_TIMEVALUEONLY, clock);
    SYSTEMTIME parts{};
    wchar_t buffer[32] = {};
    std::wstring key;
    if (dateRead && ToSystemTime(date, parts)) {
        swprintf(buffer, 32, L"%04u%02u%02u", parts.wYear, parts.wMonth, parts.wDay);
        key = buffer;
    }
    key += L"_";
    if (timeRead && ToSystemTime(clock, parts)) {
        swprintf(buffer, 32, L"%02u%02u%02u", parts.wHour, parts.wMinute, parts.wSecond);
        key += buffer;
    }
    if (dateRead && timeRead) time = {std::floor(date) + (clock - std::floor(clock)), true};
    return key;
}

bool ParseStoredBackupTime(const std::wstring& text, ArchiveTime& time) {
    const size_t underscore = text.find(L'_');
    if (underscore == std::wstring::npos) return false;
    int date[3] = {};
    int clock[3] = {};
    if (!SplitThreeNumbers(text.substr(0, underscore), date) || !SplitThreeNumbers(text.substr(underscore + 1), clock)) {
        return false;
    }
    time = {};
    const bool inRange = date[0] >= 100 && date[0] <= 9999 && DaysInMonthHold(date[0], date[1], date[2]) &&
                         clock[0] >= 0 && clock[0] <= 23 && clock[1] >= 0 && clock[1] <= 59 && clock[2] >= 0 &&
                         clock[2] <= 59;
    if (!inRange) return true;
    SYSTEMTIME parts{};
    parts.wYear = static_cast<WORD>(date[0]);
    parts.wMonth = static_cast<WORD>(date[1]);
    parts.wDay = static_cast<WORD>(date[2]);
    parts.wHour = static_cast<WORD>(clock[0]);
    parts.wMinute = static_cast<WORD>(clock[1]);
    parts.wSecond = static_cast<WORD>(clock[2]);
    double value = 0;
    if (SystemTimeToVariantTime(&parts, &value)) time = {value, true};
    return true;
}

void SortArchiveRows(std::vector<BackupArchiveRow>& rows) {
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        for (size_t j = i + 1; j < rows.size(); ++j) {
            const bool byKey = !rows[i].time.valid || !rows[j].time.valid;
            const bool swap = byKey ? CompareIgnoringCase(rows[i].sortKey, rows[j].sortKey) > 0
                                    : rows[i].time.value > rows[j].time.value;
            if (swap) std::swap(rows[i], rows[j]);
        }
    }
}

ArchiveTime CurrentArchiveTime() {
    SYSTEMTIME now = AppClock().LocalTime();
    double value = 0;
    if (!SystemTimeToVariantTime(&now, &value)) return {};
    return {value, true};
}

std::vector<BackupArchiveRow> ListBackupArchives(const BackupList& backupList, const ArchiveTime& now) {
    std::vector<BackupArchiveRow> rows;
    for (const auto& [name, value] : backupList) {
        const BackupListValue parts = SplitBackupListValue(value);
        if (!FileExists(parts.path) || !ArchiveHasEntries(parts.path)) continue;
        BackupArchiveRow row;
        row.name = name;
        row.path = parts.path;
        row.time = now;
        ArchiveTime stored;
        if (!parts.timeText.empty() && ParseStoredBackupTime(parts.timeText, stored)) {
            row.time = stored;
            row.sortKey = parts.timeText;
            RemoveAll(row.sortKey, L"-");
        } else {
            ArchiveTime fromName;
            row.sortKey = BackupArchiveSortKey(name, fromName);
            if (fromName.valid) row.time = fromName;
        }
        rows.push_back(std::move(row));
    }
    SortArchiveRows(rows);
    return {rows.rbegin(), rows.rend()};
}

std::wstring GetDeviceDetailsText(const DriverInfoRecord* record) {
    if (record == nullptr) return {};
    std::wstring text = record->category + L"|";
    bool first = true;
    for (const std::wstring* part : {&record->driverDate, &record->provider, &record->driverVersion,
                                     &record->hardwareId, &record->signer}) {
        if (part->empty()) continue;
        if (!first) text += L"|";
        text += *part;
        first = false;
    }
    return text;
}

std::wstring RestoreSelectionKey(const std::wstring& deviceName, long long index) {
    return deviceName + L"|" + std::to_wstring(index);
}
