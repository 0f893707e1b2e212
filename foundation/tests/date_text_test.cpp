#include "foundation/date_text.h"

#include <gtest/gtest.h>

namespace {

FILETIME At(WORD year, WORD month, WORD day, WORD hour) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    return file;
}

// Changes the user's calendar for the test's life; the old value comes back.
class ScopedUserCalendar {
public:
    explicit ScopedUserCalendar(const wchar_t* calendarType) {
        wchar_t old[16] = {};
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICALENDARTYPE, old, 16);
        old_ = old;
        changed_ = SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICALENDARTYPE, calendarType) != FALSE;
    }
    ~ScopedUserCalendar() {
        if (changed_) SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICALENDARTYPE, old_.c_str());
    }

private:
    std::wstring old_;
    bool changed_ = false;
};

TEST(DateTextTest, ServiceDatesAreGregorianAndNotBefore2000) {
    const struct {
        FILETIME time;
        const wchar_t* format;
        const wchar_t* text;
    } cases[] = {
        {At(2009, 6, 21, 0), L"yyyy-MM-dd", L"2009-06-21"},
        {At(2015, 12, 31, 23), L"yyyy-MM-dd", L"2015-12-31"},  // UTC, not moved to local time
        {At(1999, 12, 31, 12), L"yyyy-MM-dd", L"2000-01-01"},
        {At(1601, 1, 2, 0), L"yyyy-MM-dd", L"2000-01-01"},
        {At(2024, 2, 29, 5), L"dd.MM.yy", L"29.02.24"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateString(&c.time, c.format), c.text) << c.text;
    EXPECT_EQ(FormatDateString(nullptr, L"yyyy-MM-dd"), L"");

    // A user who reads dates in the Thai Buddhist calendar still sends Gregorian ones.
    ScopedUserCalendar thai(L"7");
    const FILETIME time = At(2009, 6, 21, 0);
    EXPECT_EQ(FormatDateString(&time, L"yyyy-MM-dd"), L"2009-06-21");
}

TEST(DateTextTest, LocalDatesFollowTheUserLocale) {
    const FILETIME zero{};
    EXPECT_EQ(FileTimeToLocalDateString(zero), L"");

    const FILETIME noon = At(2011, 3, 15, 12);
    FILETIME local{};
    SYSTEMTIME date{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&noon, &local) && FileTimeToSystemTime(&local, &date));
    wchar_t expected[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, expected, 64);
    const std::wstring text = FileTimeToLocalDateString(noon);
    EXPECT_EQ(text, expected);
    EXPECT_NE(text.find(L"15"), std::wstring::npos);
}

}  // namespace
