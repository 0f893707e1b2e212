#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/product_key.h"
#include "shell/scheduled_tasks/schedule_messages.h"
#include "shell/scheduled_tasks/scheduled_scan_task.h"
#include "shell/scheduled_tasks/scheduled_task.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scheduled_task_probe.h"
#include "tests/support/scoped_registry.h"

namespace {

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::vector<WORD> Begin(const TASK_TRIGGER& trigger) {
    return {trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay, trigger.wStartHour, trigger.wStartMinute};
}

class DefaultTasksTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots_.Active());
        SetScheduleMessageSink([this](const std::wstring& key, const std::wstring&, UINT) { messages_.push_back(key); });
    }
    void TearDown() override { SetScheduleMessageSink(nullptr); }

    ScopedRegistryRoots roots_;
    ManualClock clock_{100000, ManualClock::Make(2031, 5, 6, 10, 20, 33)};  // a Tuesday
    std::vector<std::wstring> messages_;
};

// What the scheduler keeps is read by a second process: the default tasks must hold
// for the scheduler, not just for the process that wrote them.
TEST_F(DefaultTasksTest, TheScanAndUpdateTasksAsAnotherProcessReadsThem) {
    ScopedScheduledTask scanTask(L"halvenor");
    ScopedScheduledTask updateTask(L"halvenor_UPDATES");
    ASSERT_TRUE(scanTask.ComReady());

    ASSERT_TRUE(CreateDefaultScanTask());
    ASSERT_TRUE(CreateDefaultUpdateTask());
    EXPECT_TRUE(messages_.empty());

    const auto scan = ReadScheduledTaskInAnotherProcess(L"halvenor");
    ASSERT_TRUE(scan.has_value());
    EXPECT_EQ(scan->application, ThisProgram());
    EXPECT_EQ(scan->parameters, L"-scan");
    ASSERT_EQ(scan->triggerCount, 1);
    EXPECT_EQ(scan->trigger.TriggerType, TASK_TIME_TRIGGER_DAILY);
    EXPECT_EQ(scan->trigger.Type.Daily.DaysInterval, 1);
    EXPECT_EQ(Begin(scan->trigger), (std::vector<WORD>{2031, 5, 6, 11, 20})) << "an hour from now";

    const auto update = ReadScheduledTaskInAnotherProcess(L"halvenor_UPDATES");
    ASSERT_TRUE(update.has_value());
    EXPECT_EQ(update->application, ThisProgram());
    EXPECT_EQ(update->parameters, L"-updatecheck");
    EXPECT_EQ(update->flags & (TASK_FLAG_RUN_ONLY_IF_LOGGED_ON | TASK_FLAG_INTERACTIVE),
              static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON | TASK_FLAG_INTERACTIVE));
    ASSERT_EQ(update->triggerCount, 1);
    EXPECT_EQ(update->trigger.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(update->trigger.Type.Weekly.WeeksInterval, 1);
    EXPECT_EQ(update->trigger.Type.Weekly.rgfDaysOfTheWeek, TASK_WEDNESDAY);
    EXPECT_EQ(Begin(update->trigger), (std::vector<WORD>{2031, 5, 6, 10, 20}));

    // Only the scan task is recorded as the user's schedule.
    HKEY product = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, &product), ERROR_SUCCESS);
    const auto storedKind = ReadRawValue(product, L"m_rBtnEvery");
    const auto storedText = ReadRawValue(product, L"ScheduledTime");
    RegCloseKey(product);
    ASSERT_TRUE(storedKind.has_value());
    EXPECT_EQ(storedKind->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(storedKind->bytes.data()), 1u);
    ASSERT_TRUE(storedText.has_value());
    EXPECT_EQ(storedText->type, static_cast<DWORD>(REG_SZ));
}

TEST_F(DefaultTasksTest, LegacyTaskNamesAreRemovedAndTheirAbsenceIsNoError) {
    const wchar_t* const legacy[] = {L"Halvenor_DEFAULT", L"Halvenor_Updates", L"Halvenor_NOTIFYSCAN",
                                     L"Halvenor_Daily"};
    ScopedScheduledTask first(legacy[0]), second(legacy[1]), third(legacy[2]), fourth(legacy[3]);
    ScopedScheduledTask kept(UniqueTaskName(L"kept"));
    ASSERT_TRUE(first.ComReady());
    // Two of the old names are there, two are not; a task of another name stays.
    for (const std::wstring& name : {std::wstring(legacy[1]), std::wstring(legacy[3]), kept.Name()}) {
        CScheduledTask task;
        task.taskName = name;
        task.application = L"C:\\old\\halvenor.exe";
        task.triggerKind = CScheduledTask::kDaily;
        task.start = ManualClock::Make(2031, 1, 1, 8, 0, 0);
        ASSERT_EQ(task.SaveTask(), S_OK) << std::string(name.begin(), name.end());
    }

    DeleteLegacyScheduledTasks();
    for (const wchar_t* name : legacy) EXPECT_FALSE(ReadScheduledTask(name).has_value());
    EXPECT_TRUE(ReadScheduledTask(kept.Name()).has_value());

    DeleteLegacyScheduledTasks();
    EXPECT_TRUE(ReadScheduledTask(kept.Name()).has_value());
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
