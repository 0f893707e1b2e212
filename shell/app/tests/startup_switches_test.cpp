#include "shell/app/startup_switches.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

TEST(StartupSwitches, ArgumentsAreNormalisedBeforeTheyAreCompared) {
    const struct {
        const wchar_t* raw;
        const wchar_t* normalised;
    } cases[] = {
        {L"-scan", L"scan"},          {L"/SCAN", L"scan"},        {L"\\Scan", L"scan"},
        {L"  --CheckLastScan ", L"checklastscan"}, {L"check-last/scan", L"checklastscan"},
        {L"", L""},                   {L"- / \\", L""},            {L"re m", L"re m"},
    };
    for (const auto& c : cases) EXPECT_EQ(NormaliseSwitch(c.raw), c.normalised) << c.raw;
}

// The program sets the C locale from the chosen language; a Turkish one lower-cases
// "I" to a dotless i in the C runtime, and "-FIRSTINSTALL" must still be the switch.
TEST(StartupSwitches, NormalisingDoesNotFollowTheCLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    ASSERT_NE(std::setlocale(LC_ALL, "Turkish"), nullptr);
    const std::wstring normalised = NormaliseSwitch(L"-FIRSTINSTALL");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(normalised, L"firstinstall");
}

struct Expected {
    bool showUi, scan, updateCheck, defaultRequested, overdue, endAtOnce;
    DWORD delay;
};

TEST(StartupSwitches, EachSwitchSetsWhatTheStartActsOn) {
    const struct {
        const wchar_t* argument;
        int daysSinceLastScan;
        Expected expected;
    } cases[] = {
        {L"", -1, {true, false, false, false, false, false, 0}},
        {L"rem", 3, {true, false, false, false, false, false, kReminderStartDelayMs}},
        {L"scan", 3, {false, true, false, false, false, false, 0}},
        {L"updatecheck", 3, {false, false, true, false, false, false, 0}},
        {L"default", 3, {false, false, false, true, false, false, 0}},
        {L"changelang", 3, {false, false, false, false, false, false, 0}},
        {L"firstinstall", 3, {false, false, false, false, false, false, 0}},
        // The reminder start: only a scan 31 days old or more is worth a reminder;
        // without any stored scan there is none either.
        {L"checklastscan", 30, {false, false, false, false, false, true, 0}},
        {L"checklastscan", -1, {false, false, false, false, false, true, 0}},
        {L"checklastscan", 31, {false, false, false, false, true, false, 0}},
    };
    for (const auto& c : cases) {
        const StartupSwitches s = ReadStartupSwitches(c.argument, true, c.daysSinceLastScan);
        SCOPED_TRACE(testing::Message() << c.argument << " days " << c.daysSinceLastScan);
        EXPECT_EQ(s.showUi, c.expected.showUi);
        EXPECT_EQ(s.scanRequested, c.expected.scan);
        EXPECT_EQ(s.updateCheckRequested, c.expected.updateCheck);
        EXPECT_EQ(s.defaultRequested, c.expected.defaultRequested);
        EXPECT_EQ(s.lastScanOverdue, c.expected.overdue);
        EXPECT_EQ(s.endAtOnce, c.expected.endAtOnce);
        EXPECT_EQ(s.delayMilliseconds, c.expected.delay);
    }
}

TEST(StartupSwitches, PartnerActionsNeedAdministratorRights) {
    const struct {
        const wchar_t* argument;
        bool StartupSwitches::*flag;
    } cases[] = {
        {L"tolvanescan", &StartupSwitches::startActionScan},
        {L"tolvanedefrag", &StartupSwitches::startActionDefrag},
        {L"tolvaneoneclick", &StartupSwitches::startActionOneClick},
        {L"tolvanefullbackup", &StartupSwitches::startActionFullBackup},
        {L"tolvanefullbackuprestore", &StartupSwitches::startActionFullBackupRestore},
        {L"tolvanepartialbackuprestore", &StartupSwitches::startActionPartialBackupRestore},
        {L"tolvaneschedule", &StartupSwitches::startActionSchedule},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(ReadStartupSwitches(c.argument, true, 0).*c.flag) << c.argument;
        EXPECT_FALSE(ReadStartupSwitches(c.argument, false, 0).*c.flag) << c.argument;
        // A partner's start is a start without the splash.
        EXPECT_FALSE(ReadStartupSwitches(c.argument, true, 0).showUi) << c.argument;
    }
    // Whole-word comparison: a longer or shorter word is not the switch.
    EXPECT_FALSE(ReadStartupSwitches(L"tolvanescans", true, 0).startActionScan);
    EXPECT_FALSE(ReadStartupSwitches(L"tolvanefull", true, 0).startActionFullBackup);
}

TEST(StartupSwitches, SecondStartHandsItsRequestToTheRunningInstance) {
    const struct {
        const wchar_t* argument;
        int days;
        bool post;
        UINT message;
        WPARAM wParam;
        bool activate;
    } cases[] = {
        {L"scan", 2, true, WM_APP + 151, 0, false},
        {L"checklastscan", 31, true, WM_APP + 151, 6, false},
        {L"checklastscan", 30, false, 0, 0, false},
        {L"checklastscan", -1, false, 0, 0, false},
        {L"", 2, true, WM_APP + 156, 0, true},
        {L"rem", 2, true, WM_APP + 156, 0, true},
        {L"updatecheck", 2, true, WM_APP + 156, 0, true},
    };
    for (const auto& c : cases) {
        const HandOverRequest request = DecideHandOver(c.argument, c.days);
        SCOPED_TRACE(testing::Message() << c.argument << " days " << c.days);
        EXPECT_EQ(request.post, c.post);
        if (!c.post) continue;
        EXPECT_EQ(request.message, c.message);
        EXPECT_EQ(request.wParam, c.wParam);
        EXPECT_EQ(request.activate, c.activate);
    }
}

}  // namespace
