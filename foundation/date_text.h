#pragma once

#include <windows.h>

#include <string>

// The date of a file time, taken as UTC, in a date format such as "yyyy-MM-dd".
// Always the Gregorian calendar with Western digits, whatever the user's calendar:
// the update service reads these dates. Dates before 1 January 2000 are shown as
// that day; no file time gives an empty text.
std::wstring FormatDateString(const FILETIME* fileTime, const wchar_t* format);
// The file time in local time, as a short date in the user's locale; empty for a
// zero time.
std::wstring FileTimeToLocalDateString(const FILETIME& fileTime);
// The time through the C library's own format words ("%Y-%m-%d", "%I:%M %p",
// "%B"), as the program's stored names and schedule texts have always been written.
std::wstring FormatSystemTime(const wchar_t* format, const SYSTEMTIME& time);
