#include "foundation/date_text.h"

#include <ctime>

std::wstring FormatDateString(const FILETIME* fileTime, const wchar_t* format) {
    if (fileTime == nullptr || format == nullptr) return {};
    SYSTEMTIME date{};
    if (!FileTimeToSystemTime(fileTime, &date)) return {};
    if (date.wYear < 2000) {
        date = SYSTEMTIME{};
        date.wYear = 2000;
        date.wMonth = 1;
        date.wDay = 1;
    }
    wchar_t buffer[256] = {};
    // The invariant locale's calendar is Gregorian; the user's might not be.
    if (GetDateFormatW(LOCALE_INVARIANT, 0, &date, format, buffer, 256) == 0) return {};
    return buffer;
}

std::wstring FileTimeToLocalDateString(const FILETIME& fileTime) {
    if (fileTime.dwLowDateTime == 0 && fileTime.dwHighDateTime == 0) return {};
    FILETIME local{};
    SYSTEMTIME date{};
    if (!FileTimeToLocalFileTime(&fileTime, &local) || !FileTimeToSystemTime(&local, &date)) return {};
    wchar_t buffer[256] = {};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, buffer, 256) == 0) return {};
    return buffer;
}

std::wstring FormatSystemTime(const wchar_t* format, const SYSTEMTIME& time) {
    std::tm parts{};
    parts.tm_year = time.wYear - 1900;
    parts.tm_mon = time.wMonth - 1;
    parts.tm_mday = time.wDay;
    parts.tm_hour = time.wHour;
    parts.tm_min = time.wMinute;
    parts.tm_sec = time.wSecond;
    parts.tm_wday = time.wDayOfWeek;
    parts.tm_isdst = -1;
    wchar_t text[256] = {};
    const size_t length = wcsftime(text, std::size(text), format, &parts);
    return std::wstring(text, length);
}
