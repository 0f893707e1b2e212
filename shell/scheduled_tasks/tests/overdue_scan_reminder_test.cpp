#include "shell/scheduled_tasks/overdue_scan_reminder.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

constexpr wchar_t kLanguageFile[] =
    L"[RESOURCESTRING]\r\n"
    L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTH=Last scan: %d month ago\r\n"
    L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTHS=Last scan: %d months ago\r\n"
    L"IDS_HLV_SYS_TR_MSG_LASTSCAN_YEAR=Last scan: %d year ago\r\n"
    L"IDS_HLV_SYS_TR_MSG_LASTSCAN_YEARS=Last scan: %d years ago\r\n";

class OverdueScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        const std::wstring path = appData_.Path() + L"\\reminder_hal.ini";
        ASSERT_TRUE(WriteUtf16File(path, kLanguageFile));
        OpenLanguageCache(path);
    }
    void TearDown() override {
        MarkLanguageCacheStale();
        CloseLanguageCache();
    }

    ScopedAppDataFolder appData_;
};

// A month counts as 31 days and a year as 372. The reminder shows exactly when it has
// a text to show.
TEST_F(OverdueScanTest, DaysSinceTheLastScanAsTheReminderSaysThem) {
    struct Case {
        int days;
        std::wstring text;  // empty: not overdue, no reminder
    } cases[] = {
        {-1, L""},  // no scan time stored
        {0, L""},
        {30, L""},
        {31, L"Last scan: 1 month ago"},
        {32, L"Last scan: 1 month ago"},
        {61, L"Last scan: 1 month ago"},
        {62, L"Last scan: 2 months ago"},
        {371, L"Last scan: 11 months ago"},
        {372, L"Last scan: 1 year ago"},
        {712, L"Last scan: 1 year ago"},
        {713, L"Last scan: 1 years ago"},  // 23 months, but not yet two years
        {744, L"Last scan: 2 years ago"},
    };
    for (const auto& c : cases) {
        const auto age = DescribeOverdueScan(c.days);
        EXPECT_EQ(IsScanOverdue(c.days), !c.text.empty()) << c.days;
        EXPECT_EQ(age.has_value(), !c.text.empty()) << c.days;
        if (age) {
            EXPECT_EQ(age->text, c.text) << c.days;
        }
    }
}

TEST(OverdueScanText, OnlyTheNumberIsPutIntoATranslation) {
    struct Case {
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {L"%d months", L"7 months"},
        {L"vor %i Monaten", L"vor 7 Monaten"},
        {L"%u", L"7"},
        {L"100%% sure: %d", L"100% sure: 7"},
        {L"%s %d %d", L"%s 7 %d"},  // a broken translation shows itself, it reads nothing
        {L"no number", L"no number"},
        {L"trailing %", L"trailing %"},
    };
    for (const auto& c : cases) EXPECT_EQ(PutNumberIntoText(c.text, 7), c.expected) << std::string(c.text.begin(), c.text.end());
}

}  // namespace
