#include "screens/manage/settings/settings_pages.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/ini_file_cache.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "platform/ui/message_pump.h"
#include "screens/manage/settings/settings_ids.h"
#include "screens/manage/tests/answering_app_system.h"
#include "shell/driver_optimizer_app.h"
#include "shell/scheduled_tasks/schedule_messages.h"
#include "tests/support/caption_fit.h"
#include "tests/support/message_wait.h"
#include "tests/support/scheduled_task_probe.h"
#include "tests/support/scoped_registry.h"

namespace {

void Click(HWND page, int id) { SendMessageW(GetDlgItem(page, id), BM_CLICK, 0, 0); }

void ChooseInCombo(HWND page, int id, int index) {
    HWND combo = GetDlgItem(page, id);
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::wstring StoredText(const wchar_t* name) {
    std::wstring text;
    DWORD unused = 0;
    GetUserRegistryValue(kProductKeyPath, name, text, unused, REG_SZ);
    return text;
}

class SettingsPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots_.Active());
        OpenLanguageCache(GetLanguageIniPath());  // the English file beside the test
        InitDefaultSettings();
        ui::WindowArgs args;
        args.title = L"Settings";
        args.style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
        args.x = 0;
        args.y = 0;
        args.width = 684;
        args.height = 440;
        ASSERT_TRUE(host_.Create(args));
        SetScheduleMessageSink([this](const std::wstring& key, const std::wstring&, UINT) { messages_.push_back(key); });
        ASSERT_TRUE(page_.Create(host_));
        page_.MoveTo(0, 0, 684, 440);
        page_.Show(SW_SHOW);
        PumpMessagesUntilQuiet();
    }
    void TearDown() override {
        SetScheduleMessageSink(nullptr);
        if (const char* folder = getenv("SETTINGS_PICTURES")) Picture(folder);
    }
    // A picture of the screen for a person to look at, into the given Unix folder.
    void Picture(const std::string& folder) {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        PumpMessagesUntilQuiet(300);
        std::system(("start /wait /unix /usr/bin/import -window root " + folder + "/" + name + ".png").c_str());
    }
    HWND Sub(CDlgChildBase& page) { return page.Handle(); }

    ScopedRegistryRoots roots_;
    AnsweringAppSystem system_;
    ScopedAppSystem scopedSystem_{system_};
    CDriverOptimizerApp app_;
    ExclusionList exclusions_{nullptr, L""};
    ui::CustomWindow host_;
    CDlgSettings page_{app_, exclusions_};
    std::vector<std::wstring> messages_;
};

TEST_F(SettingsPagesTest, OneSubPageAtATimeFollowsTheTabCommands) {
    const std::pair<int, CDlgChildBase*> tabs[] = {{IDC_SHOW_GENERAL, &page_.LanguagePage()},
                                                   {IDC_SHOW_SCHEDULE, &page_.SchedulePage()},
                                                   {IDC_SHOW_EXCLUSIONS, &page_.ExclusionPage()},
                                                   {IDC_SHOW_FOLDERS, &page_.FolderPage()},
                                                   {IDC_SHOW_GENERAL, &page_.LanguagePage()}};
    CDlgChildBase* all[] = {&page_.LanguagePage(), &page_.SchedulePage(), &page_.ExclusionPage(), &page_.FolderPage()};
    for (const auto& [command, expected] : tabs) {
        SendMessageW(page_, WM_COMMAND, command, 0);
        for (CDlgChildBase* sub : all) {
            const bool shown = sub == expected;
            EXPECT_EQ(sub->IsVisible(), shown) << command;
            EXPECT_EQ(sub->IsEnabled(), shown) << command;
        }
    }
}

TEST_F(SettingsPagesTest, GeneralApplyStoresCloseActionAndKeepsTheSchedulePagesChange) {
    HWND general = Sub(page_.LanguagePage());
    HWND schedule = Sub(page_.SchedulePage());
    SendMessageW(page_, WM_COMMAND, IDC_SHOW_GENERAL, 0);
    ChooseInCombo(general, IDC_CLOSE_ACTION, 1);
    Click(general, IDC_APPLY);
    EXPECT_EQ(GetAppSettings().goToSystemTrayOnClose, 0);
    EXPECT_TRUE(system_.boxes.empty()) << "the same language asks nothing";

    // The schedule page turns the reminder off; the general page must not write its
    // old view of it back.
    SendMessageW(page_, WM_COMMAND, IDC_SHOW_SCHEDULE, 0);
    EXPECT_EQ(SendDlgItemMessageW(schedule, IDC_SCHEDULE_CLOSE_ACTION, CB_GETCURSEL, 0, 0), 1);
    Click(schedule, IDC_NO_SCHEDULE);
    SendDlgItemMessageW(schedule, IDC_REMINDER, BM_SETCHECK, BST_UNCHECKED, 0);
    Click(schedule, IDC_APPLY);
    EXPECT_EQ(GetAppSettings().startWhenWinBoots, 0);

    SendMessageW(page_, WM_COMMAND, IDC_SHOW_GENERAL, 0);
    EXPECT_EQ(SendDlgItemMessageW(general, IDC_REMINDER, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ChooseInCombo(general, IDC_CLOSE_ACTION, 0);
    Click(general, IDC_APPLY);
    EXPECT_EQ(GetAppSettings().startWhenWinBoots, 0);
    EXPECT_EQ(GetAppSettings().goToSystemTrayOnClose, 1);
}

TEST_F(SettingsPagesTest, LanguageChangeAsksWritesBothRootsAndRestarts) {
    HWND general = Sub(page_.LanguagePage());
    HWND combo = GetDlgItem(general, IDC_LANGUAGE);
    int other = -1;
    for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
        if (SendMessageW(combo, CB_GETITEMDATA, i, 0) != 0) other = i;
    }
    ASSERT_GE(other, 0);
    const DWORD chosen = static_cast<DWORD>(SendMessageW(combo, CB_GETITEMDATA, other, 0));

    system_.answer = IDNO;
    ChooseInCombo(general, IDC_LANGUAGE, other);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(general, IDC_APPLY)));
    Click(general, IDC_APPLY);
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, SendMessageW(combo, CB_GETCURSEL, 0, 0), 0), 0);
    EXPECT_TRUE(system_.launches.empty());

    system_.answer = IDYES;
    ChooseInCombo(general, IDC_LANGUAGE, other);
    Click(general, IDC_APPLY);
    ASSERT_EQ(system_.launches.size(), 1u);
    EXPECT_NE(system_.launches[0].find(L" -changelang"), std::wstring::npos);
    EXPECT_EQ(system_.endRequests, 1);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(root, L"Software\\Brennavik\\Halvenor\\LANG", 0, KEY_READ, &key), ERROR_SUCCESS);
        const auto id = ReadRawValue(key, L"LangID");
        RegCloseKey(key);
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(*reinterpret_cast<const DWORD*>(id->bytes.data()), chosen);
    }
}

TEST_F(SettingsPagesTest, WeeklyScheduleGoesToTheSchedulerAndComesBack) {
    ScopedScheduledTask task(L"halvenor");
    ASSERT_TRUE(task.ComReady());
    HWND schedule = Sub(page_.SchedulePage());
    SendMessageW(page_, WM_COMMAND, IDC_SHOW_SCHEDULE, 0);
    Click(schedule, IDC_EVERY_WEEK);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(schedule, IDC_MONDAY)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(schedule, IDC_RUN_DATE)));
    Click(schedule, IDC_MONDAY);
    Click(schedule, IDC_WEDNESDAY);
    SYSTEMTIME at{};
    GetLocalTime(&at);
    at.wHour = 21;
    at.wMinute = 15;
    at.wSecond = 0;
    DateTime_SetSystemtime(GetDlgItem(schedule, IDC_RUN_TIME), GDT_VALID, &at);
    Click(schedule, IDC_APPLY);
    EXPECT_EQ(messages_, std::vector<std::wstring>{L"IDS_TASKCREATED"});

    const auto stored = ReadScheduledTask(L"halvenor");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->trigger.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(stored->trigger.Type.Weekly.rgfDaysOfTheWeek, TASK_MONDAY | TASK_WEDNESDAY);
    EXPECT_EQ(stored->trigger.wStartHour, 21);
    EXPECT_EQ(stored->trigger.wStartMinute, 15);
    wchar_t shown[200] = {};
    GetDlgItemTextW(schedule, IDC_SCHEDULE_TEXT, shown, 200);
    const std::wstring applied = GetAppSettings().scheduledTime;
    EXPECT_EQ(std::wstring(shown), applied);
    EXPECT_NE(applied.find(L"09:15 PM"), std::wstring::npos) << Utf8(applied);
    // Apply alone keeps the text: a program ended without its usual save path (killed)
    // reads the new schedule back at its next start.
    EXPECT_EQ(StoredText(L"ScheduledTime"), applied);
    UpdateAppSettings([](AppSettings& settings) { settings.scheduledTime = L"stale"; });
    LoadSettings();
    EXPECT_EQ(GetAppSettings().scheduledTime, applied);

    // In another language the page shows the same schedule in that language's words.
    OpenLanguageCache(FolderOfTest() + L"German_hal.ini");
    ShowWindow(schedule, SW_HIDE);
    ShowWindow(schedule, SW_SHOW);
    GetDlgItemTextW(schedule, IDC_SCHEDULE_TEXT, shown, 200);
    const std::wstring german = shown;
    OpenLanguageCache(GetLanguageIniPath());
    EXPECT_EQ(german.rfind(L"W\u00f6chentlich; 09:15 PM; Montag, ", 0), 0u) << Utf8(german);
    // A later Apply that a message stopped leaves newer values beside the text: the
    // page then shows the text as it was stored rather than a schedule never made.
    Click(schedule, IDC_RUN_ONCE);
    SYSTEMTIME yesterday = at;
    FILETIME day{};
    SystemTimeToFileTime(&yesterday, &day);
    ULARGE_INTEGER ticks{{day.dwLowDateTime, day.dwHighDateTime}};
    ticks.QuadPart -= 24ull * 3600 * 10000000;
    day = {ticks.LowPart, ticks.HighPart};
    FileTimeToSystemTime(&day, &yesterday);
    DateTime_SetSystemtime(GetDlgItem(schedule, IDC_RUN_DATE), GDT_VALID, &yesterday);
    messages_.clear();
    Click(schedule, IDC_APPLY);
    EXPECT_EQ(messages_, std::vector<std::wstring>{L"IDS_DATE_ALREADY_ELAPSED"});
    ShowWindow(schedule, SW_HIDE);
    ShowWindow(schedule, SW_SHOW);
    GetDlgItemTextW(schedule, IDC_SCHEDULE_TEXT, shown, 200);
    EXPECT_EQ(std::wstring(shown), applied);
    // The weekly schedule once more, as the rest goes on from it.
    Click(schedule, IDC_EVERY_WEEK);
    Click(schedule, IDC_APPLY);
    EXPECT_EQ(GetAppSettings().scheduledTime, applied);

    // A fresh page shows the stored schedule once asked to load it.
    for (int id : CDlgPrefSchedule::kWeekdayIds) SendDlgItemMessageW(schedule, id, BM_SETCHECK, BST_UNCHECKED, 0);
    page_.SchedulePage().LoadSchedule();
    std::vector<bool> days;
    for (int id : CDlgPrefSchedule::kWeekdayIds) {
        days.push_back(SendDlgItemMessageW(schedule, id, BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    EXPECT_EQ(days, (std::vector<bool>{true, false, true, false, false, false, false}));
    EXPECT_EQ(SendDlgItemMessageW(schedule, IDC_EVERY_WEEK, BM_GETCHECK, 0, 0), BST_CHECKED);

    messages_.clear();
    for (int id : CDlgPrefSchedule::kWeekdayIds) SendDlgItemMessageW(schedule, id, BM_SETCHECK, BST_UNCHECKED, 0);
    Click(schedule, IDC_APPLY);
    EXPECT_EQ(messages_, std::vector<std::wstring>{L"IDS_NODAY"});
    ASSERT_TRUE(ReadScheduledTask(L"halvenor").has_value()) << "a refused schedule leaves the task";

    Click(schedule, IDC_NO_SCHEDULE);
    Click(schedule, IDC_APPLY);
    EXPECT_FALSE(ReadScheduledTask(L"halvenor").has_value());
    EXPECT_TRUE(GetAppSettings().scheduledTime.empty());
    EXPECT_EQ(StoredText(L"ScheduledTime"), L"");
}

TEST_F(SettingsPagesTest, ScheduleBoxesTakeTheLanguagesFontWhenShown) {
    HWND schedule = Sub(page_.SchedulePage());
    const auto fontOf = [schedule](int id) {
        return reinterpret_cast<HFONT>(SendDlgItemMessageW(schedule, id, WM_GETFONT, 0, 0));
    };
    const HFONT dialogFont = fontOf(IDC_EVERY_DAY);
    const struct {
        DWORD language;
        bool weekdays, runOnce;
    } cases[] = {{0, false, false}, {14, true, true}, {5, true, false}, {0, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Brennavik\\Halvenor\\LANG", 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"LangID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&c.language), sizeof(DWORD));
        RegCloseKey(key);
        ShowWindow(schedule, SW_HIDE);
        ShowWindow(schedule, SW_SHOW);
        for (int id : CDlgPrefSchedule::kWeekdayIds) EXPECT_EQ(fontOf(id) != dialogFont, c.weekdays) << id;
        // A box given the language's font by an earlier showing takes the page's
        // again: that font is gone.
        EXPECT_EQ(fontOf(IDC_RUN_ONCE) != dialogFont, c.runOnce);
        EXPECT_EQ(fontOf(IDC_EVERY_DAY), dialogFont);
        EXPECT_EQ(fontOf(IDC_NO_SCHEDULE), dialogFont);
    }
}

TEST_F(SettingsPagesTest, FolderPageTakesAWritableFolderAndRefusesABadOne) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path() / ("h22_folders_" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(base / "Chosen");
    { std::ofstream(base / "NotAFolder") << "x"; }
    HWND folders = Sub(page_.FolderPage());
    SendMessageW(page_, WM_COMMAND, IDC_SHOW_FOLDERS, 0);

    std::wstring next = (base / "Chosen").wstring();
    page_.FolderPage().pickFolder = [&next](HWND, std::wstring& folder) {
        folder = next;
        return true;
    };
    Click(folders, IDC_BROWSE_DOWNLOAD);
    wchar_t shown[MAX_PATH] = {};
    GetDlgItemTextW(folders, IDC_DOWNLOAD_FOLDER, shown, MAX_PATH);
    EXPECT_EQ(std::wstring(shown), next + L"\\");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(folders, IDC_FOLDERS_APPLY)));
    EXPECT_EQ(std::distance(fs::directory_iterator(base / "Chosen"), fs::directory_iterator()), 0)
        << "the write check leaves nothing behind";
    Click(folders, IDC_FOLDERS_APPLY);
    EXPECT_EQ(StoredText(L"Download Path"), next + L"\\");
    EXPECT_EQ(app_.DownloadFolder(), next + L"\\");
    EXPECT_TRUE(system_.boxes.empty());

    for (const std::wstring& bad : {(base / "NotAFolder").wstring(), std::wstring(L"relative\\folder")}) {
        system_.boxes.clear();
        next = bad;
        Click(folders, IDC_BROWSE_BACKUP);
        EXPECT_EQ(system_.boxes.size(), 1u) << std::string(bad.begin(), bad.end());
        GetDlgItemTextW(folders, IDC_BACKUP_FOLDER, shown, MAX_PATH);
        EXPECT_NE(std::wstring(shown).find(L"NotAFolder"), 0u);
    }
    SetDlgItemTextW(folders, IDC_BACKUP_FOLDER, (base / "NotAFolder").wstring().c_str());
    system_.boxes.clear();
    Click(folders, IDC_FOLDERS_APPLY);
    EXPECT_EQ(system_.boxes.size(), 1u) << "a file in the way is refused on Apply too";
    fs::remove_all(base);
}

}  // namespace

// A translation longer than its control is cut on screen: every language's
// captions on the four settings pages fit the controls they stand in.
TEST_F(SettingsPagesTest, EveryLanguagesCaptionsFitTheirControls) {
    for (const LanguageRecord& language : LanguageTable) {
        const std::wstring file = FolderOfTest() + language.stringsFile;
        ASSERT_TRUE(std::filesystem::exists(file)) << Utf8(file);
        OpenLanguageCache(file);
        CDlgSettings page(app_, exclusions_);
        ASSERT_TRUE(page.Create(host_));
        page.MoveTo(0, 0, 684, 440);
        std::vector<CutCaption> cut;
        for (CDlgChildBase* sub : {static_cast<CDlgChildBase*>(&page.LanguagePage()),
                                   static_cast<CDlgChildBase*>(&page.SchedulePage()),
                                   static_cast<CDlgChildBase*>(&page.ExclusionPage()),
                                   static_cast<CDlgChildBase*>(&page.FolderPage())}) {
            CollectCutCaptions(sub->Handle(), cut);
        }
        for (const CutCaption& caption : cut) {
            ADD_FAILURE() << Utf8(language.stringsFile) << ": \"" << Utf8(caption.text) << "\" needs " << caption.needed.cx << "x"
                          << caption.needed.cy << " where the control has " << caption.room << "x" << caption.height;
        }
    }
    OpenLanguageCache(GetLanguageIniPath());
}

namespace {

RECT RectIn(HWND parent, int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(parent, id), &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

BOOL CALLBACK GiveFont(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

void StoreLanguageId(DWORD language) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Brennavik\\Halvenor\\LANG", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"LangID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&language), sizeof(DWORD));
    RegCloseKey(key);
}

}  // namespace

// The schedule page places its controls by dialog units and some by their captions,
// and a language then gives a few of them a font of its own: in every language and
// at more than one page size every control stays whole, apart from the others,
// inside its group and the page, and the reminder and Apply sit on the footer strip.
TEST_F(SettingsPagesTest, ScheduleControlsStayWholeAndApartInEveryLanguageAndPageSize) {
    const int shown[] = {IDC_SCHEDULE_CLOSE_ACTION, IDC_RUN_ONCE, IDC_EVERY_DAY, IDC_EVERY_WEEK, IDC_NO_SCHEDULE,
                         IDC_DATE_TIME_LABEL, IDC_RUN_DATE, IDC_RUN_TIME, IDC_MONDAY, IDC_TUESDAY, IDC_WEDNESDAY,
                         IDC_THURSDAY, IDC_FRIDAY, IDC_SATURDAY, IDC_SUNDAY, IDC_SCHEDULED_AT_LABEL,
                         IDC_SCHEDULE_TEXT, IDC_REMINDER, IDC_APPLY};
    const SIZE sizes[] = {{684, 440}, {772, 418}};
    for (unsigned index = 0; index < std::size(LanguageTable); ++index) {
        const LanguageRecord& language = LanguageTable[index];
        SCOPED_TRACE(Utf8(language.stringsFile));
        StoreLanguageId(index);
        OpenLanguageCache(FolderOfTest() + language.stringsFile);
        // The main window gives every control its own font once the pages are made:
        // 12 pixels high in the language's heading face.
        LOGFONTW logFont{};
        FillLanguageFont(logFont);
        logFont.lfHeight = -12;
        const std::wstring face = GetLangString(L"IDS_FONT_DIALOG_HEADINGS_XP", kResourceStringSection);
        if (!face.empty()) lstrcpynW(logFont.lfFaceName, face.c_str(), LF_FACESIZE);
        const ui::ScopedFont mainWindowFont(CreateFontIndirectW(&logFont));
        CDlgSettings page(app_, exclusions_);
        ASSERT_TRUE(page.Create(host_));
        HWND schedule = page.SchedulePage().Handle();
        page.MoveTo(0, 0, sizes[0].cx, sizes[0].cy);
        EnumChildWindows(page, GiveFont, reinterpret_cast<LPARAM>(mainWindowFont.Get()));
        for (const SIZE& size : sizes) {
            SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
            page.MoveTo(0, 0, size.cx, size.cy);
            SendMessageW(page, WM_COMMAND, IDC_SHOW_SCHEDULE, 0);
            RECT client{};
            GetClientRect(schedule, &client);

            std::vector<CutCaption> cut;
            CollectCutCaptions(schedule, cut);
            for (const CutCaption& caption : cut) {
                ADD_FAILURE() << "\"" << Utf8(caption.text) << "\" needs " << caption.needed.cx << "x"
                              << caption.needed.cy << " where the control has " << caption.room << "x"
                              << caption.height;
            }
            const RECT area{0, 0, client.right - 18, client.bottom};
            for (size_t a = 0; a < std::size(shown); ++a) {
                const RECT first = RectIn(schedule, shown[a]);
                EXPECT_TRUE(Inside(first, area)) << shown[a] << " at " << Describe(first);
                for (size_t b = a + 1; b < std::size(shown); ++b) {
                    RECT both{};
                    const RECT second = RectIn(schedule, shown[b]);
                    EXPECT_FALSE(IntersectRect(&both, &first, &second))
                        << shown[a] << " at " << Describe(first) << " and " << shown[b] << " at " << Describe(second);
                }
            }
            const auto inGroup = [&](int group, std::initializer_list<int> ids) {
                RECT inner = RectIn(schedule, group);
                inner.top += 12;  // the group's caption line
                for (int id : ids) EXPECT_TRUE(Inside(RectIn(schedule, id), inner)) << id << " outside " << group;
            };
            inGroup(IDC_SCHEDULE_GROUP, {IDC_RUN_ONCE, IDC_EVERY_DAY, IDC_EVERY_WEEK, IDC_NO_SCHEDULE});
            inGroup(IDC_WEEKDAY_GROUP, {IDC_MONDAY, IDC_TUESDAY, IDC_WEDNESDAY, IDC_THURSDAY, IDC_FRIDAY,
                                        IDC_SATURDAY, IDC_SUNDAY});

            // Apply centred on the footer strip (51 pixels high) along the page's foot,
            // the reminder beside it at the same top.
            const RECT apply = RectIn(schedule, IDC_APPLY);
            const RECT reminder = RectIn(schedule, IDC_REMINDER);
            EXPECT_EQ(apply.right, client.right - 18);
            EXPECT_NEAR((apply.top + apply.bottom) / 2, client.bottom - 51 / 2, 1);
            EXPECT_EQ(reminder.top, apply.top);
        }
    }
    StoreLanguageId(0);
    OpenLanguageCache(GetLanguageIniPath());
}

// The reminder stands on the footer strip: the strip shows behind it as beside it,
// not a white box.
TEST_F(SettingsPagesTest, TheFooterStripShowsBehindTheReminder) {
    SendMessageW(page_, WM_COMMAND, IDC_SHOW_SCHEDULE, 0);
    HWND schedule = Sub(page_.SchedulePage());
    const RECT reminder = RectIn(schedule, IDC_REMINDER);
    const auto shown = [schedule](int x, int y) {
        HDC dc = GetDC(schedule);
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(schedule, dc);
        return colour;
    };
    // One strip tile (9 pixels) apart: inside the box's right end and beside it.
    const int y = reminder.bottom - 2;
    const auto same = [&] {
        const COLORREF beside = shown(reminder.right + 5, y);
        return beside != RGB(255, 255, 255) && shown(reminder.right - 4, y) == beside;
    };
    EXPECT_TRUE(PumpMessagesUntil(same, 3000)) << std::hex << shown(reminder.right - 4, y) << " inside, "
                                               << shown(reminder.right + 5, y) << " beside";
}
