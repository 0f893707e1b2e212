#include "shell/startup_schedule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/product_key.h"
#include "shell/driver_optimizer_app.h"
#include "shell/scheduled_tasks/schedule_messages.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scheduled_task_probe.h"
#include "tests/support/scoped_registry.h"

namespace {

class StartupScheduleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots_.Active());
        InitDefaultSettings();
        UpdateAppSettings([](AppSettings& settings) { settings.scheduledTime.clear(); });
        SetScheduleMessageSink(
            [this](const std::wstring& key, const std::wstring&, UINT) { messages_.push_back(key); });
    }
    void TearDown() override { SetScheduleMessageSink(nullptr); }

    ScopedRegistryRoots roots_;
    std::vector<std::wstring> messages_;
};

// The only test that writes the real task "halvenor"; it removes the task before
// and after.
TEST_F(StartupScheduleTest, FirstStartWritesTheDefaultScanTaskAndLaterStartsLeaveItAlone) {
    ScopedScheduledTask scanTask(L"halvenor");
    ASSERT_TRUE(scanTask.ComReady());
    ManualClock clock;  // 7 March 2026, 14:05:09
    CDriverOptimizerApp::LoadStartupSettings();
    const AppSettings loaded = GetAppSettings();
    EXPECT_EQ(loaded.scheduleKind, -1) << "the record says nothing was stored until the next load";

    // The default scan: daily from an hour after now, starting the program with "-scan".
    const auto task = ReadScheduledTask(L"halvenor");
    const std::string firstMessage =
        messages_.empty() ? "none" : std::string(messages_[0].begin(), messages_[0].end());
    ASSERT_TRUE(task.has_value()) << "the default scan task was not written; message: " << firstMessage;
    EXPECT_EQ(task->parameters, L"-scan");
    EXPECT_FALSE(task->application.empty());
    ASSERT_EQ(task->triggerCount, 1);
    EXPECT_EQ(task->trigger.TriggerType, TASK_TIME_TRIGGER_DAILY);
    EXPECT_EQ(task->trigger.Type.Daily.DaysInterval, 1);
    const WORD begin[] = {task->trigger.wBeginYear, task->trigger.wBeginMonth, task->trigger.wBeginDay,
                          task->trigger.wStartHour, task->trigger.wStartMinute};
    EXPECT_EQ(std::vector<WORD>(std::begin(begin), std::end(begin)), (std::vector<WORD>{2026, 3, 7, 15, 5}));

    // Stored for the next load, while the record still says nothing is stored.
    HKEY user = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, &user), ERROR_SUCCESS);
    const auto kind = ReadRawValue(user, L"m_rBtnEvery");
    const auto text = ReadRawValue(user, L"ScheduledTime");
    RegCloseKey(user);
    ASSERT_TRUE(kind.has_value());
    EXPECT_EQ(kind->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(kind->bytes, (std::vector<BYTE>{1, 0, 0, 0}));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
    const std::wstring scheduleText = loaded.scheduledTime;
    EXPECT_TRUE(scheduleText.ends_with(L"; 03:05 PM")) << "the text read back after the task was written";
    const std::wstring storedText(reinterpret_cast<const wchar_t*>(text->bytes.data()), text->bytes.size() / 2 - 1);
    EXPECT_EQ(storedText, scheduleText);

    // The next start reads the stored kind and leaves the scheduler alone.
    ASSERT_TRUE(RemoveScheduledTask(L"halvenor"));
    CDriverOptimizerApp::LoadStartupSettings();
    EXPECT_EQ(GetAppSettings().scheduleKind, 1);
    EXPECT_FALSE(CreateDefaultScanTaskIfNoneChosen());
    EXPECT_FALSE(ReadScheduledTask(L"halvenor").has_value()) << "the task was written a second time";
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
