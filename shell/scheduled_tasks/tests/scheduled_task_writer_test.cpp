#include "shell/scheduled_tasks/scheduled_task_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/language_strings.h"
#include "shell/scheduled_tasks/schedule_messages.h"
#include "shell/scheduled_tasks/scheduled_task.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

constexpr wchar_t kLanguageFile[] =
    L"[RESOURCESTRING]\r\n"
    L"IDS_RUNONCE=Once\r\n"
    L"IDS_EVERYDAY=Every day\r\n"
    L"IDS_EVERYWEEK=Every week\r\n"
    L"IDS_MONDAY=Monday\r\n"
    L"IDS_TUESDAY=Tuesday\r\n"
    L"IDS_WEDNESDAY=Wednesday\r\n"
    L"IDS_THURSDAY=Thursday\r\n"
    L"IDS_FRIDAY=Friday\r\n"
    L"IDS_SATURDAY=Saturday\r\n"
    L"IDS_SUNDAY=Sunday\r\n"
    L"IDS_DATAERROR=Data error\r\n";

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    return time;
}

class ScheduleTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        const std::wstring path = appData_.Path() + L"\\schedule_hal.ini";
        ASSERT_TRUE(WriteUtf16File(path, kLanguageFile));
        OpenLanguageCache(path);
        SetScheduleMessageSink([this](const std::wstring& key, const std::wstring& text, UINT icon) {
            messages_.push_back(key + L"|" + text + L"|" + std::to_wstring(icon));
        });
    }
    void TearDown() override {
        SetScheduleMessageSink(nullptr);
        MarkLanguageCacheStale();
        CloseLanguageCache();
    }

    ScopedAppDataFolder appData_;
    std::vector<std::wstring> messages_;
};

TEST_F(ScheduleTextTest, TextPerKindWithDaysFromMondayToSunday) {
    struct Case {
        const char* what;
        int kind;
        std::vector<int> days;
        std::wstring expected;
    } cases[] = {
        {"once", ScheduledTaskWriter::kOnce, {}, L"Once; Sat. March 07, 2026. 03:05 PM"},
        {"daily", ScheduledTaskWriter::kDaily, {}, L"Every day; 03:05 PM"},
        {"weekly, days in week order whatever the order they were picked",
         ScheduledTaskWriter::kWeekly,
         {ScheduledTaskWriter::kSunday, ScheduledTaskWriter::kMonday, ScheduledTaskWriter::kThursday},
         L"Every week; 03:05 PM; Monday, Thursday, Sunday"},
        {"weekly, one day", ScheduledTaskWriter::kWeekly, {ScheduledTaskWriter::kWednesday},
         L"Every week; 03:05 PM; Wednesday"},
        {"weekly without a day", ScheduledTaskWriter::kWeekly, {}, L""},
    };
    for (const auto& c : cases) {
        ScheduledTaskWriter writer;
        writer.SetStart(Time(2026, 3, 7, 15, 5));
        writer.kind = c.kind;
        for (int day : c.days) writer.dayFlags[day] = 1;
        EXPECT_EQ(FormatScheduleText(writer), c.expected) << c.what;
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ScheduleTextTest, MorningHoursAndAnUnknownKind) {
    ScheduledTaskWriter writer;
    writer.SetStart(Time(2025, 12, 31, 0, 7));
    writer.kind = ScheduledTaskWriter::kDaily;
    EXPECT_EQ(FormatScheduleText(writer), L"Every day; 12:07 AM");
    writer.dayFlags[ScheduledTaskWriter::kMonday] = 2;  // only 1 selects a day
    writer.kind = ScheduledTaskWriter::kWeekly;
    EXPECT_EQ(FormatScheduleText(writer), L"");
    EXPECT_TRUE(messages_.empty());

    writer.kind = 3;
    EXPECT_EQ(FormatScheduleText(writer), L"");
    EXPECT_EQ(messages_, (std::vector<std::wstring>{L"IDS_DATAERROR|Data error|" + std::to_wstring(MB_ICONERROR)}));
}

TEST(WeekdayFlags, SchedulerBitsOfDatesAndSelectedDays) {
    const std::pair<SYSTEMTIME, WORD> dates[] = {
        {Time(2026, 3, 8, 0, 0), 1},    // Sunday
        {Time(2026, 3, 9, 0, 0), 2},    // Monday
        {Time(2026, 3, 7, 0, 0), 64},   // Saturday
        {Time(2024, 2, 29, 0, 0), 16},  // Thursday
        {Time(2026, 2, 30, 0, 0), 0},
        {Time(0, 0, 0, 0, 0), 0},
    };
    for (const auto& [date, bit] : dates) {
        EXPECT_EQ(GetWeekdayFlag(date), bit) << date.wYear << "-" << date.wMonth << "-" << date.wDay;
    }

    CScheduledTask task;
    BYTE days[31] = {};
    days[ScheduledTaskWriter::kMonday] = 1;
    days[ScheduledTaskWriter::kSaturday] = 1;
    days[ScheduledTaskWriter::kSunday] = 1;
    days[ScheduledTaskWriter::kFriday] = 2;
    SetWeekdayFlags(days, task);
    EXPECT_EQ(task.weekdayBits, 2 | 64 | 1);
    SetWeekdayFlags(nullptr, task);
    EXPECT_EQ(task.weekdayBits, 2 | 64 | 1);
}

}  // namespace
