#include "screens/manage/schedule_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/product_key.h"
#include "shell/scheduled_tasks/schedule_messages.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scheduled_task_probe.h"
#include "tests/support/scoped_registry.h"

namespace {

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0) {
    return ManualClock::Make(year, month, day, hour, minute, second);
}

std::vector<WORD> Fields(const SYSTEMTIME& time) {
    return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

class ProductKeyValues {
public:
    ProductKeyValues() { RegOpenKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_ALL_ACCESS, &key_); }
    ~ProductKeyValues() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    std::optional<DWORD> Dword(const wchar_t* name) const {
        const auto value = ReadRawValue(key_, name);
        if (!value || value->type != REG_DWORD || value->bytes.size() != 4) return std::nullopt;
        return *reinterpret_cast<const DWORD*>(value->bytes.data());
    }
    void SetText(const wchar_t* name, const std::wstring& text) const {
        SetRawValue(key_, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

private:
    HKEY key_ = nullptr;
};

class ScheduleSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots_.Active());
        InitDefaultSettings();
        SetScheduleMessageSink([this](const std::wstring& key, const std::wstring&, UINT icon) {
            messages_.push_back(key + L"|" + std::to_wstring(icon));
        });
    }
    void TearDown() override { SetScheduleMessageSink(nullptr); }

    ScopedRegistryRoots roots_;
    ManualClock clock_{100000, At(2031, 5, 6, 10, 20, 33)};  // a Tuesday
    std::vector<std::wstring> messages_;
};

TEST_F(ScheduleSettingsTest, ValuesGoBackIntoThePickersAndBoxes) {
    ScheduleChoice written;
    written.kind = ScheduleChoice::kWeekly;
    written.weekdays[0] = 1;  // Monday
    written.weekdays[3] = 1;  // Thursday
    written.weekdays[6] = 1;  // Sunday
    written.date = At(2031, 12, 24, 0, 0);
    written.time = At(2031, 5, 6, 21, 15, 30);
    ASSERT_TRUE(WriteScheduleValues(written));

    const ProductKeyValues values;
    EXPECT_EQ(values.Dword(L"m_rBtnEvery"), 2u);
    EXPECT_EQ(values.Dword(L"Thrusday"), 1u);
    EXPECT_FALSE(values.Dword(L"Thursday").has_value()) << "the value has always been spelled Thrusday";
    EXPECT_EQ(values.Dword(L"Tuesday"), 0u);

    ScheduleChoice read;
    read.kind = ScheduleChoice::kNoneSelected;
    ReadScheduleValues(read);
    EXPECT_EQ(read.kind, ScheduleChoice::kWeekly);
    EXPECT_EQ(std::vector<BYTE>(read.weekdays, read.weekdays + 7), (std::vector<BYTE>{1, 0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(Fields(read.date), (std::vector<WORD>{2031, 12, 24, 0, 0, 0}));
    EXPECT_EQ(Fields(read.time), (std::vector<WORD>{2031, 5, 6, 21, 15, 30}));
}

// "Date" and "Time" are written in the user's formats; after a change of formats, or
// when they are missing, the pickers show the present instead of a zero date.
TEST_F(ScheduleSettingsTest, DatesThatNoLongerReadCountAsNow) {
    ScheduleChoice nothingStored;
    nothingStored.kind = ScheduleChoice::kDaily;
    ReadScheduleValues(nothingStored);
    EXPECT_EQ(nothingStored.kind, ScheduleChoice::kDaily) << "no stored kind keeps the page's";
    EXPECT_EQ(Fields(nothingStored.date), Fields(clock_.LocalTime()));
    EXPECT_EQ(Fields(nothingStored.time), Fields(clock_.LocalTime()));

    ASSERT_TRUE(WriteScheduleValues(ScheduleChoice{}));
    const ProductKeyValues values;
    values.SetText(L"Date", L"31.13.2031 25:99");
    values.SetText(L"Time", L"quarter past nine");
    ScheduleChoice unreadable;
    ReadScheduleValues(unreadable);
    EXPECT_EQ(Fields(unreadable.date), Fields(clock_.LocalTime()));
    EXPECT_EQ(Fields(unreadable.time), Fields(clock_.LocalTime()));
}

TEST(RunOnceStart, TheDayOfTheDatePickerAndTheTimeOfDayOfTheTimePicker) {
    const SYSTEMTIME now = At(2031, 5, 6, 10, 20, 33);
    struct Case {
        const char* what;
        SYSTEMTIME date;
        SYSTEMTIME time;
        RunOnceCheck expected;
    } cases[] = {
        {"yesterday", At(2031, 5, 5, 23, 59), At(2031, 5, 7, 23, 59), RunOnceCheck::kDateElapsed},
        {"last month, later day", At(2031, 4, 30, 12, 0), At(2031, 5, 6, 12, 0), RunOnceCheck::kDateElapsed},
        {"last year, later month", At(2030, 12, 31, 12, 0), At(2031, 5, 6, 12, 0), RunOnceCheck::kDateElapsed},
        {"today, earlier", At(2031, 5, 6, 0, 0), At(2031, 5, 6, 10, 20, 32), RunOnceCheck::kTimeElapsed},
        // The time picker's own date does not count, only its time of day.
        {"today, earlier, time picker from another day", At(2031, 5, 6, 0, 0), At(2035, 1, 1, 9, 0),
         RunOnceCheck::kTimeElapsed},
        {"today, later, time picker from an earlier day", At(2031, 5, 6, 0, 0), At(2020, 1, 1, 10, 21),
         RunOnceCheck::kAhead},
        {"today, this very second", At(2031, 5, 6, 0, 0), At(2031, 5, 6, 10, 20, 33), RunOnceCheck::kAhead},
        {"tomorrow, earlier hour", At(2031, 5, 7, 0, 0), At(2031, 5, 6, 1, 0), RunOnceCheck::kAhead},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckRunOnceStart(c.date, c.time, now), c.expected) << c.what;
}

// Mon + Wed at 21:15, as the scheduler keeps it for a second process; then "none"
// takes the task away again.
TEST_F(ScheduleSettingsTest, AWeeklyScheduleIsWrittenAndNoScheduleRemovesIt) {
    ScopedScheduledTask scanTask(L"halvenor");
    ASSERT_TRUE(scanTask.ComReady());
    ScheduleChoice choice;
    choice.kind = ScheduleChoice::kWeekly;
    choice.weekdays[0] = 1;
    choice.weekdays[2] = 1;
    choice.time = At(2031, 5, 6, 21, 15);
    choice.intervalText = L"1";

    const auto text = ApplyScheduleChoice(choice);
    ASSERT_TRUE(text.has_value()) << (messages_.empty() ? "" : std::string(messages_[0].begin(), messages_[0].end()));
    EXPECT_FALSE(text->empty());
    EXPECT_EQ(GetAppSettings().scheduledTime, *text);
    EXPECT_EQ(messages_, std::vector<std::wstring>{L"IDS_TASKCREATED|" + std::to_wstring(MB_ICONINFORMATION)});

    const auto task = ReadScheduledTaskInAnotherProcess(L"halvenor");
    ASSERT_TRUE(task.has_value());
    EXPECT_EQ(task->parameters, L"scan");
    ASSERT_EQ(task->triggerCount, 1);
    EXPECT_EQ(task->trigger.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(task->trigger.Type.Weekly.rgfDaysOfTheWeek, TASK_MONDAY | TASK_WEDNESDAY);
    EXPECT_EQ(task->trigger.Type.Weekly.WeeksInterval, 1);
    EXPECT_EQ(task->trigger.wStartHour, 21);
    EXPECT_EQ(task->trigger.wStartMinute, 15);

    messages_.clear();
    choice.kind = ScheduleChoice::kNone;
    EXPECT_EQ(ApplyScheduleChoice(choice), std::optional<std::wstring>(L""));
    EXPECT_TRUE(GetAppSettings().scheduledTime.empty());
    EXPECT_FALSE(ReadScheduledTaskInAnotherProcess(L"halvenor").has_value());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(ProductKeyValues().Dword(L"m_rBtnEvery"), 3u);

    // Nothing left to remove: nothing happens and nothing is said.
    EXPECT_FALSE(ApplyScheduleChoice(choice).has_value());
    EXPECT_TRUE(messages_.empty());
}

// Each refusal leaves the values written (for an elevated restart to apply them) and
// neither task nor schedule text changed.
TEST_F(ScheduleSettingsTest, RefusedSchedulesSayWhyAndLeaveTheTaskAlone) {
    ScopedScheduledTask scanTask(L"halvenor");
    ASSERT_TRUE(scanTask.ComReady());
    UpdateAppSettings([](AppSettings& settings) { settings.scheduledTime = L"earlier schedule"; });
    const std::wstring plain = L"|0";
    struct Case {
        const char* what;
        int kind;
        SYSTEMTIME date;
        SYSTEMTIME time;
        std::wstring message;
    } cases[] = {
        {"weekly without a day", ScheduleChoice::kWeekly, At(2031, 5, 6, 0, 0), At(2031, 5, 6, 21, 15),
         L"IDS_NODAY|" + std::to_wstring(MB_ICONINFORMATION)},
        {"once, yesterday", ScheduleChoice::kOnce, At(2031, 5, 5, 0, 0), At(2031, 5, 6, 23, 0),
         L"IDS_DATE_ALREADY_ELAPSED" + plain},
        {"once, today but past", ScheduleChoice::kOnce, At(2031, 5, 6, 0, 0), At(2031, 5, 6, 9, 0),
         L"IDS_TIME_ALREADY_ELAPSED" + plain},
        {"no radio chosen", ScheduleChoice::kNoneSelected, At(2031, 5, 6, 0, 0), At(2031, 5, 6, 21, 15),
         L"IDS_DATAERROR|" + std::to_wstring(MB_ICONERROR)},
    };
    for (const auto& c : cases) {
        messages_.clear();
        ScheduleChoice choice;
        choice.kind = c.kind;
        choice.date = c.date;
        choice.time = c.time;
        EXPECT_FALSE(ApplyScheduleChoice(choice).has_value()) << c.what;
        EXPECT_EQ(messages_, std::vector<std::wstring>{c.message}) << c.what;
        EXPECT_EQ(ProductKeyValues().Dword(L"m_rBtnEvery"), static_cast<DWORD>(c.kind)) << c.what;
        EXPECT_EQ(GetAppSettings().scheduledTime, L"earlier schedule") << c.what;
        EXPECT_FALSE(ReadScheduledTask(L"halvenor").has_value()) << c.what;
    }
}

}  // namespace
