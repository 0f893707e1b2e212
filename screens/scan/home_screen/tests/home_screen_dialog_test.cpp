#include "screens/scan/home_screen/home_screen_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/product_key.h"
#include "platform/html/browser_page_host.h"
#include "platform/html/script_page_host.h"
#include "shell/driver_optimizer_app.h"
#include "tests/support/page_languages.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/scoped_registry.h"

namespace {

std::wstring English(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

SYSTEMTIME DaysAgo(int days) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    FILETIME file{};
    SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER ticks{};
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    ticks.QuadPart -= static_cast<ULONGLONG>(days) * 86400ULL * 10000000ULL;
    file.dwLowDateTime = ticks.LowPart;
    file.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME then{};
    FileTimeToSystemTime(&file, &then);
    return then;
}

class HomeScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots.Active());
        ASSERT_TRUE(appData.Active());
        LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
        LanguageFileCache().ClearCache();
        RegCreateKeyExW(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &product, nullptr);
    }
    void TearDown() override {
        if (product != nullptr) RegCloseKey(product);
        CurrentScanStatus() = 0;
    }

    // The stored state the home page reads: a scan `scanDays` ago (none when
    // negative) that left `outdated` drivers, and its condition.
    void Store(int scanDays, const wchar_t* outdated, int condition) {
        RegDeleteValueW(product, L"CurrentScanTime");
        if (scanDays >= 0) {
            const SYSTEMTIME when = DaysAgo(scanDays);
            SetRawValue(product, L"CurrentScanTime", REG_BINARY, &when, sizeof(when));
        }
        SetRawValue(product, L"StrLastScanResults", REG_SZ, outdated,
                    static_cast<DWORD>((wcslen(outdated) + 1) * sizeof(wchar_t)));
        CurrentScanStatus() = condition;
    }

    // The screen over the script host, its first document loaded.
    void Open(CDlg_NewHome_Screen_HTML& screen, bool& completed) {
        ASSERT_TRUE(screen.Create(parent.Handle()));
        screen.MoveTo(0, 75, 777, 493);
        screen.Show(SW_SHOW);
        ASSERT_TRUE(PumpMessagesUntil([&] { return completed; }));
        PumpMessagesUntilQuiet();
    }

    ScopedComApartment apartment;
    ScopedRegistryRoots roots;
    ScopedAppDataFolder appData;
    ScopedPageHostFactory factory{[] { return std::make_unique<ScriptPageHost>(); }};
    TestHostWindow parent{783, 595};
    HKEY product = nullptr;
};

TEST_F(HomeScreenTest, EachScanConditionShowsItsAlertFiguresAndImages) {
    struct Case {
        const wchar_t* state;
        int scanDays;
        const wchar_t* outdated;
        int condition;
        const wchar_t* alertKey;
        const wchar_t* lastScan;  // key of the last-scan text, or null for a date
        const wchar_t* icon;
        bool fixShown;
    };
    const Case cases[] = {
        {L"not-scanned", -1, L"0", 0, L"IDS_ALERT_HOME_TEXT_NOTSCANNED", L"IDS_SCAN_REQUIRED",
         L"homeAttention_alert_icon.jpg", false},
        {L"outdated-one", 0, L"1", 1, L"IDS_ALERT_HOME_TEXT_OUTDATED_DRIVER", L"IDS_TODAY",
         L"homeAttention_alert_icon.jpg", true},
        {L"outdated-five", 1, L"5", 1, L"IDS_ALERT_HOME_TEXT_OUTDATED_DRIVERS", L"IDS_YESTERDAY",
         L"homeAttention_alert_icon.jpg", true},
        {L"up-to-date", 30, L"0", 2, L"IDS_ALERT_HOME_TEXT_PERFECT", nullptr, L"HomeUptodate_tick_icon.jpg", false},
        {L"stale-scan-and-bad-values", 31, L"-4", 7, L"IDS_ALERT_HOME_TEXT_NOTSCANNED", L"IDS_SCAN_REQUIRED",
         L"homeAttention_alert_icon.jpg", false},
    };
    for (const Case& c : cases) {
        const std::string what(c.state, c.state + wcslen(c.state));
        SCOPED_TRACE(what);
        Store(c.scanDays, c.outdated, c.condition);
        bool completed = false;
        CDlg_NewHome_Screen_HTML screen({.pageCompleted = [&] { completed = true; }});
        Open(screen, completed);
        auto* host = dynamic_cast<ScriptPageHost*>(screen.Host());
        ASSERT_NE(host, nullptr);
        EXPECT_TRUE(host->ScriptErrors().empty()) << (host->ScriptErrors().empty() ? "" : "script error");

        std::wstring alert = English(c.alertKey);
        if (const auto at = alert.find(L"N_ERR_DONOTTRANSLATE"); at != std::wstring::npos) {
            alert.replace(at, wcslen(L"N_ERR_DONOTTRANSLATE"), c.outdated);
        }
        EXPECT_EQ(host->ElementText(L"idAlertText"), alert);
        if (c.lastScan != nullptr) {
            EXPECT_EQ(host->ElementText(L"idLastScanDate"), English(c.lastScan));
        } else {
            // A date and time in the user's formats.
            const std::wstring shown = host->ElementText(L"idLastScanDate");
            EXPECT_NE(shown.find(L' '), std::wstring::npos);
            EXPECT_NE(shown, English(L"IDS_SCAN_REQUIRED"));
        }
        EXPECT_EQ(host->ElementAttribute(L"idAlertIcon", L"src"), c.icon);
        EXPECT_EQ(host->IsElementVisible(L"fixLine"), c.fixShown);
        EXPECT_EQ(host->ElementText(L"string132"), English(L"string132"));

        // The page state for the browser's check and its picture.
        PageContract contract{L"home.htm", c.state, {}, {}};
        std::vector<std::wstring> texts;
        for (const wchar_t* key : CDlg_NewHome_Screen_HTML::PageStringKeys()) texts.push_back(English(key));
        contract.calls = {{L"setlanguage", {L"en"}},
                          {L"LoadStrings", texts},
                          {L"setText", screen.LastStatus()},
                          {L"setPageLoaded", {}}};
        EXPECT_TRUE(WritePageContract(contract));
    }
}

// The same conditions with the program's own texts, for the pictures a person looks
// at and the check that every text fits.
TEST_F(HomeScreenTest, EachConditionIsRecordedInThePictureLanguages) {
    const struct {
        const wchar_t* state;
        int scanDays;
        const wchar_t* outdated;
        int condition;
    } cases[] = {{L"not-scanned", -1, L"0", 0}, {L"outdated-five", 1, L"5", 1}, {L"up-to-date", 30, L"0", 2}};
    for (const PageLanguage& language : kPageLanguages) {
        UsePageLanguage(language);
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(language.code) + L" " + c.state));
            Store(c.scanDays, c.outdated, c.condition);
            bool completed = false;
            CDlg_NewHome_Screen_HTML screen({.pageCompleted = [&] { completed = true; }});
            Open(screen, completed);
            PageContract contract{L"home.htm", c.state, {}, {}};
            std::vector<std::wstring> texts;
            for (const wchar_t* key : CDlg_NewHome_Screen_HTML::PageStringKeys()) {
                texts.push_back(GetLangString(key, L"RESOURCESTRING"));
                EXPECT_FALSE(texts.back().empty()) << testing::PrintToString(std::wstring(key));
            }
            contract.calls = {{L"setlanguage", {language.code}},
                              {L"LoadStrings", texts},
                              {L"setText", screen.LastStatus()},
                              {L"setPageLoaded", {}}};
            EXPECT_TRUE(WritePageContract(contract, language.code));
        }
    }
}

TEST_F(HomeScreenTest, LinksLeadToTheScanTheResultsTheScheduleAndFeedback) {
    struct Case {
        const wchar_t* id;
        const wchar_t* outdated;
        bool resultsFlag;
        const char* expected;
    };
    const Case cases[] = {
        {L"btnStartScanNow", L"3", true, "scan"},
        {L"idGreenStartScanNowBtnLeftDiv", L"0", true, "scan"},
        {L"btnGreenStartScanNow", L"0", true, "scan"},
        {L"idFixErrors", L"3", true, "post results"},
        {L"string103", L"2", true, "post results"},
        {L"idFixErrors", L"0", true, "scan"},
        {L"idFixErrors", L"3", false, "scan"},
        {L"idFixErrors", L"many", true, "scan"},
        {L"idOutofDateFiles", L"0", true, "results now"},
        {L"string132", L"0", true, "schedule"},
        {L"idFeedbackLink", L"0", true, "feedback"},
        {L"idHowUpdatedYourPC", L"3", true, ""},
    };
    for (const Case& c : cases) {
        const std::string id(c.id, c.id + wcslen(c.id));
        SCOPED_TRACE(id);
        Store(0, c.outdated, 1);
        std::vector<std::string> done;
        bool completed = false;
        const auto record = [&](const char* what) { return [&done, what] { done.push_back(what); }; };
        CDlg_NewHome_Screen_HTML screen({.startScan = record("scan"),
                                         .postResults = record("post results"),
                                         .showResultsNow = record("results now"),
                                         .showSchedule = record("schedule"),
                                         .showFeedback = record("feedback"),
                                         .pageCompleted = [&] { completed = true; }});
        screen.resultsFlag = c.resultsFlag;
        Open(screen, completed);
        auto* host = dynamic_cast<ScriptPageHost*>(screen.Host());
        ASSERT_NE(host, nullptr);
        host->Click(c.id);
        const std::vector<std::string> expected =
            *c.expected ? std::vector<std::string>{c.expected} : std::vector<std::string>{};
        EXPECT_EQ(done, expected);
    }
}

// No page view at all, or the browser control of this machine, which has no
// document engine and fails to load the page: the start-up is told once, at once.
TEST_F(HomeScreenTest, WithoutAPageTheStartUpIsToldAndTheWindowStays) {
    ScopedComApartment apartment;
    const struct {
        const char* name;
        PageHostFactory factory;
    } cases[] = {
        {"no page view", []() -> std::unique_ptr<PageHost> { return nullptr; }},
        {"a page that fails to load", []() -> std::unique_ptr<PageHost> { return std::make_unique<BrowserPageHost>(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedPageHostFactory hosts(c.factory);
        int unavailable = 0;
        int completed = 0;
        CDlg_NewHome_Screen_HTML screen(
            {.pageCompleted = [&] { ++completed; }, .pageUnavailable = [&] { ++unavailable; }});
        ASSERT_TRUE(screen.Create(parent.Handle()));
        PumpMessagesUntil([&] { return unavailable > 0; }, 10000);
        PumpMessagesUntilQuiet();
        EXPECT_EQ(unavailable, 1);
        EXPECT_EQ(completed, 0);
        EXPECT_TRUE(screen.Exists());
        // A refresh without a page goes nowhere and harms nothing.
        screen.RefreshStatus();
        EXPECT_FALSE(screen.LastStatus().empty());
    }
}

}  // namespace
