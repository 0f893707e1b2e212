#include "shell/scheduled_tasks/scheduled_task.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/scheduled_tasks/schedule_messages.h"
#include "shell/scheduled_tasks/schedule_service.h"
#include "shell/scheduled_tasks/scheduled_scan_task.h"
#include "shell/scheduled_tasks/scheduled_task_writer.h"
#include "tests/support/scheduled_task_probe.h"

namespace {

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    return time;
}

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Every test writes tasks of its own names and sees the messages it caused.
class ScheduledTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScheduleMessageSink([this](const std::wstring& key, const std::wstring&, UINT icon) {
            messages_.push_back(key + L"|" + std::to_wstring(icon));
        });
    }
    void TearDown() override { SetScheduleMessageSink(nullptr); }

    std::vector<std::wstring> messages_;
};

TEST_F(ScheduledTaskTest, ScheduleServiceRunsAndItsHandlesOpen) {
    EXPECT_TRUE(IsScheduleServiceRunning());
    EXPECT_TRUE(StartScheduleService()) << "a running service needs no start";
    ScheduleServiceHandle handle;
    OpenScheduleService(handle);
    EXPECT_NE(handle.manager, nullptr);
    EXPECT_NE(handle.service, nullptr);
    CloseScheduleService(handle);
    EXPECT_EQ(handle.manager, nullptr);
    EXPECT_EQ(handle.service, nullptr);
}

TEST_F(ScheduledTaskTest, SaveTaskWritesOneTriggerOfEachKind) {
    struct Case {
        const char* name;
        int kind;
        WORD interval;
        WORD weekdayBits;
        SYSTEMTIME start;
        WORD triggerType;
        WORD daysOrWeeks;  // DaysInterval or WeeksInterval
        WORD daysOfWeek;
    } cases[] = {
        {"once", CScheduledTask::kOnce, 5, 0, Time(2031, 6, 2, 7, 45), TASK_TIME_TRIGGER_ONCE, 0, 0},
        {"daily", CScheduledTask::kDaily, 3, 0, Time(2031, 6, 2, 23, 59), TASK_TIME_TRIGGER_DAILY, 3, 0},
        {"daily_interval_0", CScheduledTask::kDaily, 0, 0, Time(2031, 6, 2, 0, 0), TASK_TIME_TRIGGER_DAILY, 1, 0},
        {"weekly", CScheduledTask::kWeekly, 2, TASK_MONDAY | TASK_SUNDAY, Time(2031, 6, 2, 12, 30),
         TASK_TIME_TRIGGER_WEEKLY, 2, TASK_MONDAY | TASK_SUNDAY},
        // 4 June 2031 is a Wednesday: without days the start's own weekday is taken.
        {"weekly_no_days", CScheduledTask::kWeekly, 0, 0, Time(2031, 6, 4, 12, 30), TASK_TIME_TRIGGER_WEEKLY, 1,
         TASK_WEDNESDAY},
    };
    for (const auto& c : cases) {
        ScopedScheduledTask scope(UniqueTaskName(std::wstring(c.name, c.name + strlen(c.name))));
        ASSERT_TRUE(scope.ComReady());
        CScheduledTask task;
        task.taskName = scope.Name();
        task.application = L"C:\\Program Files\\Halvenor\\halvenor.exe";
        task.parameters = L"scan";
        task.triggerKind = c.kind;
        task.interval = c.interval;
        task.weekdayBits = c.weekdayBits;
        task.start = c.start;
        ASSERT_EQ(task.SaveTask(), S_OK) << c.name;

        const auto stored = ReadScheduledTask(scope.Name());
        ASSERT_TRUE(stored.has_value()) << c.name;
        EXPECT_EQ(stored->application, task.application) << c.name;
        EXPECT_EQ(stored->parameters, L"scan") << c.name;
        EXPECT_EQ(stored->flags & (TASK_FLAG_RUN_ONLY_IF_LOGGED_ON | TASK_FLAG_INTERACTIVE),
                  static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON | TASK_FLAG_INTERACTIVE))
            << c.name;
        ASSERT_EQ(stored->triggerCount, 1) << c.name;
        const TASK_TRIGGER& trigger = stored->trigger;
        EXPECT_EQ(trigger.TriggerType, c.triggerType) << c.name;
        EXPECT_EQ(trigger.wBeginYear, c.start.wYear) << c.name;
        EXPECT_EQ(trigger.wBeginMonth, c.start.wMonth) << c.name;
        EXPECT_EQ(trigger.wBeginDay, c.start.wDay) << c.name;
        EXPECT_EQ(trigger.wStartHour, c.start.wHour) << c.name;
        EXPECT_EQ(trigger.wStartMinute, c.start.wMinute) << c.name;
        EXPECT_EQ(trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE, 0u) << c.name;
        if (c.triggerType == TASK_TIME_TRIGGER_DAILY) {
            EXPECT_EQ(trigger.Type.Daily.DaysInterval, c.daysOrWeeks) << c.name;
        } else if (c.triggerType == TASK_TIME_TRIGGER_WEEKLY) {
            EXPECT_EQ(trigger.Type.Weekly.WeeksInterval, c.daysOrWeeks) << c.name;
            EXPECT_EQ(trigger.Type.Weekly.rgfDaysOfTheWeek, c.daysOfWeek) << c.name;
        } else {
            // The scheduler's next run of a one-off task is its start.
            EXPECT_EQ(task.nextRun.wYear, c.start.wYear) << c.name;
            EXPECT_EQ(task.nextRun.wDay, c.start.wDay) << c.name;
            EXPECT_EQ(task.nextRun.wHour, c.start.wHour) << c.name;
        }
    }
}

TEST_F(ScheduledTaskTest, IncompleteTasksAreRefusedAndNothingIsWritten) {
    ScopedScheduledTask scope(UniqueTaskName(L"incomplete"));
    ASSERT_TRUE(scope.ComReady());
    struct Case {
        const char* what;
        void (*spoil)(CScheduledTask&);
    } cases[] = {
        {"no name", [](CScheduledTask& task) { task.taskName.clear(); }},
        {"no application", [](CScheduledTask& task) { task.application.clear(); }},
        {"no year", [](CScheduledTask& task) { task.start.wYear = 0; }},
        {"no month", [](CScheduledTask& task) { task.start.wMonth = 0; }},
        {"no day", [](CScheduledTask& task) { task.start.wDay = 0; }},
    };
    for (const auto& c : cases) {
        CScheduledTask task;
        task.taskName = scope.Name();
        task.application = L"C:\\halvenor.exe";
        task.triggerKind = CScheduledTask::kDaily;
        task.start = Time(2031, 1, 1, 8, 0);
        c.spoil(task);
        EXPECT_EQ(task.SaveTask(), E_FAIL) << c.what;
        EXPECT_FALSE(ReadScheduledTask(scope.Name()).has_value()) << c.what;
    }
    EXPECT_EQ(DeleteScheduledTask(L""), E_FAIL);
    EXPECT_TRUE(FAILED(DeleteScheduledTask(scope.Name()))) << "no such task";
}

TEST_F(ScheduledTaskTest, WriterReplacesATaskOfTheSameNameAndPicksTheParameters) {
    ScopedScheduledTask scope(UniqueTaskName(L"replaced"));
    ASSERT_TRUE(scope.ComReady());
    ScheduledTaskWriter writer;
    writer.taskName = scope.Name();
    writer.SetStart(Time(2031, 3, 3, 9, 15, 42));
    writer.kind = ScheduledTaskWriter::kWeekly;
    writer.dayFlags[ScheduledTaskWriter::kTuesday] = 1;
    writer.dayFlags[ScheduledTaskWriter::kFriday] = 1;

    ASSERT_TRUE(CreateScheduledScanTask(false, writer));
    auto stored = ReadScheduledTask(scope.Name());
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->application, ThisProgram());
    EXPECT_EQ(stored->parameters, L"scan") << "the schedule page's task";
    EXPECT_EQ(stored->trigger.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(stored->trigger.Type.Weekly.WeeksInterval, 1);
    EXPECT_EQ(stored->trigger.Type.Weekly.rgfDaysOfTheWeek, TASK_TUESDAY | TASK_FRIDAY);
    EXPECT_EQ(stored->trigger.wStartHour, 9);
    EXPECT_EQ(stored->trigger.wStartMinute, 15);

    // A second write of the same name replaces the task rather than failing.
    writer.SetStart(Time(2032, 4, 5, 18, 40));
    writer.kind = ScheduledTaskWriter::kDaily;
    writer.interval = 2;
    ASSERT_TRUE(CreateScheduledScanTask(true, writer));
    stored = ReadScheduledTask(scope.Name());
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->parameters, L"-updatecheck") << "the start-up caller's task";
    EXPECT_EQ(stored->triggerCount, 1);
    EXPECT_EQ(stored->trigger.TriggerType, TASK_TIME_TRIGGER_DAILY);
    EXPECT_EQ(stored->trigger.Type.Daily.DaysInterval, 2);
    EXPECT_EQ(stored->trigger.wBeginYear, 2032);
    EXPECT_EQ(stored->trigger.wStartHour, 18);
    EXPECT_EQ(stored->trigger.wStartMinute, 40);
    EXPECT_TRUE(messages_.empty());
}

// A task that cannot be replaced must not be reported as written: the default scan
// would otherwise record a schedule the scheduler does not hold.
TEST_F(ScheduledTaskTest, ATaskThatCannotBeReplacedIsAFailureAndTheOldOneStays) {
    ScopedScheduledTask scope(UniqueTaskName(L"locked"));
    ASSERT_TRUE(scope.ComReady());
    ScheduledTaskWriter writer;
    writer.taskName = scope.Name();
    writer.SetStart(Time(2031, 3, 3, 9, 15));
    writer.kind = ScheduledTaskWriter::kDaily;
    ASSERT_TRUE(CreateScheduledScanTask(false, writer));

    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring jobFile = std::wstring(windows) + L"\\Tasks\\" + scope.Name() + L".job";
    // Held open without write or delete sharing, the task's file can be neither
    // removed nor overwritten.
    const HANDLE held = CreateFileW(jobFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    writer.SetStart(Time(2032, 4, 5, 18, 40));
    const bool replaced = CreateScheduledScanTask(false, writer);
    CloseHandle(held);

    EXPECT_FALSE(replaced);
    EXPECT_EQ(messages_, std::vector<std::wstring>{L"IDS_NEWTASKERROR|" + std::to_wstring(MB_ICONERROR)});
    const auto stored = ReadScheduledTask(scope.Name());
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->trigger.wBeginYear, 2031) << "the old task stays as it was";
}

TEST_F(ScheduledTaskTest, WriterReportsABadStartOrKindAndWritesNothing) {
    ScopedScheduledTask scope(UniqueTaskName(L"refused"));
    ASSERT_TRUE(scope.ComReady());
    const std::wstring newTaskError = L"IDS_NEWTASKERROR|" + std::to_wstring(MB_ICONERROR);

    ScheduledTaskWriter noStart;
    noStart.taskName = scope.Name();
    noStart.kind = ScheduledTaskWriter::kDaily;
    EXPECT_FALSE(CreateScheduledScanTask(false, noStart));
    EXPECT_EQ(messages_, std::vector<std::wstring>{newTaskError});

    ScheduledTaskWriter badKind;
    badKind.taskName = scope.Name();
    badKind.SetStart(Time(2031, 3, 3, 9, 15));
    badKind.kind = 3;
    EXPECT_FALSE(CreateScheduledScanTask(true, badKind));
    EXPECT_EQ(messages_, (std::vector<std::wstring>{newTaskError, newTaskError}));
    EXPECT_FALSE(ReadScheduledTask(scope.Name()).has_value());
}

}  // namespace
