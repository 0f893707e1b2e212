#pragma once

#include <optional>
#include <string>

// The last scan is overdue from this many whole days on. The start-up check, the
// notifier that shows the reminder and the reminder's texts take this one threshold,
// so a shown reminder always has its texts.
inline constexpr int kOverdueScanDays = 31;

bool IsScanOverdue(int daysSinceLastScan);

// How long ago the last scan was, as the reminder says it: the language key, the
// number it carries and the finished text.
struct OverdueScanAge {
    std::wstring key;
    int number = 0;
    std::wstring text;
};

// Nothing while the scan is not overdue. A month counts as 31 days, a year as 372.
std::optional<OverdueScanAge> DescribeOverdueScan(int daysSinceLastScan);

// The language text with its number put in for the first "%d" ("%i", "%u"); "%%"
// becomes "%". Nothing else is read as a format, so a translation with a stray "%s"
// cannot make the program read beyond its arguments.
std::wstring PutNumberIntoText(const std::wstring& text, int number);
