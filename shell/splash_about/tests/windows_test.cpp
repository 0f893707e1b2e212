#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <cstdio>
#include <string>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/product_key.h"
#include "platform/html/script_page_host.h"
#include "platform/ui/message_pump.h"
#include "platform/ui/modal_popup.h"
#include "shell/about_page_texts.h"
#include "shell/splash_about/dlg_about.h"
#include "shell/splash_about/dlg_parent_transculent.h"
#include "shell/splash_about/dlg_splash.h"
#include "shell/splash_about/splash_about_ids.h"
#include "tests/support/manual_clock.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"

namespace {

// A picture of the whole display, kept in the build folder for a person to look at.
void TakePicture(const char* name) {
    if (GetFileAttributesW(L"Z:\\usr\\bin\\import") == INVALID_FILE_ATTRIBUTES) return;
    const std::string path = std::string(SPLASH_ABOUT_PICTURES) + "/" + name;
    const std::string command = "start /wait /unix /usr/bin/import -window root " + path;
    std::system(command.c_str());
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}

class ShellWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData.Active());
        const std::wstring languageFile = appData.Path() + L"\\windows_test.ini";
        const std::pair<const wchar_t*, const wchar_t*> texts[] = {
            {L"AFX_IDS_APP_TITLE", L"Halvenor"},
            {L"IDS_SPLASH_SCREEN", L"Starting up, one moment please..."},
            {L"IDS_RETAIL", L"Retail Edition"},
            {L"IDS_HV_APP_NAME_1", L"Halvenor"},
            {L"IDS_ABOUT_RIGHTS", L"\u00a9 2026 Brennavik. All rights reserved."},
            {L"IDS_ABOUT_TRADEMARK", L"Halvenor is a trademark of Brennavik."},
            {L"IDS_ABOUT_WARNING", L"Warning: <i>this</i> program is protected by copyright law."},
        };
        for (const auto& [key, text] : texts) {
            WritePrivateProfileStringW(kResourceStringSection, key, text, languageFile.c_str());
        }
        LanguageFileCache().SetPath(languageFile);
        LanguageFileCache().ClearCache();
    }

    // Backup mode is a machine-wide setting read at most every 8192 ms.
    void SetBackupMode(bool on) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        const DWORD value = on ? 1 : 0;
        RegSetValueExW(key, L"IsDriverBackupModeEnabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        RegCloseKey(key);
        clock.AdvanceTick(10000);
    }

    ScopedComApartment apartment;
    ScopedAppDataFolder appData;
    ManualClock clock;
};

TEST(SplashTextBox, MovesForOtherLanguagesAndForBackupMode) {
    struct Case {
        unsigned language;
        bool backup;
        RECT box;
    };
    const Case cases[] = {
        {0, false, {126, 185, 438, 230}},
        {5, false, {97, 185, 438, 230}},
        {0, true, {76, 175, 438, 230}},
        {5, true, {47, 175, 438, 230}},
    };
    for (const Case& c : cases) {
        const RECT box = SplashTextBox(443, c.language, c.backup);
        EXPECT_TRUE(SameRect(box, c.box)) << c.language << " " << c.backup << ": " << Describe(box);
    }
}

// White pixels of the splash text on screen within `area` of the window.
int WhitePixelsIn(HWND window, const RECT& area) {
    RECT place = WindowRect(window);
    HDC screen = GetDC(nullptr);
    int white = 0;
    for (int y = area.top; y < area.bottom; y += 2) {
        for (int x = area.left; x < area.right; x += 2) {
            if (GetPixel(screen, place.left + x, place.top + y) == RGB(255, 255, 255)) ++white;
        }
    }
    ReleaseDC(nullptr, screen);
    return white;
}

TEST_F(ShellWindowsTest, SplashIsCentredWithItsPictureTitleAndText) {
    for (bool backup : {false, true}) {
        SetBackupMode(backup);
        EXPECT_FALSE(CDlgSplash::SplashExists());
        {
            CDlgSplash splash;
            EXPECT_TRUE(CDlgSplash::SplashExists());
            ASSERT_TRUE(splash.Create(nullptr));
            splash.Show(SW_SHOW);
            SetWindowPos(splash.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            UpdateWindow(splash.Handle());
            PumpMessagesUntilQuiet();

            EXPECT_EQ(splash.BackupMode(), backup);
            EXPECT_EQ(splash.BitmapId(), backup ? 5429u : 205u);
            EXPECT_EQ(splash.Text(), L"Halvenor");
            EXPECT_NE(splash.Send(WM_GETICON, ICON_BIG), 0);
            const RECT place = WindowRect(splash.Handle());
            EXPECT_EQ(place.right - place.left, 443);
            EXPECT_EQ(place.bottom - place.top, 253);
            EXPECT_LE(std::abs(place.left + place.right - GetSystemMetrics(SM_CXSCREEN)), 1) << Describe(place);
            EXPECT_LE(std::abs(place.top + place.bottom - GetSystemMetrics(SM_CYSCREEN)), 1) << Describe(place);

            // The text starts where the mode puts it: the strip left of the usual box
            // carries text only in backup mode.
            const int leftStrip = WhitePixelsIn(splash.Handle(), {76, 175, 124, 200});
            const int usualBox = WhitePixelsIn(splash.Handle(), {126, 185, 438, 230});
            if (backup) {
                EXPECT_GT(leftStrip, 0);
            } else {
                EXPECT_EQ(leftStrip, 0);
                EXPECT_GT(usualBox, 0);
            }
            TakePicture(backup ? "splash_backup.png" : "splash.png");
        }
        EXPECT_FALSE(CDlgSplash::SplashExists());
    }
    SetBackupMode(false);
}

// Runs `step` from the modal loop once it runs.
class DuringModalRun {
public:
    explicit DuringModalRun(std::function<void()> step) {
        Step() = std::move(step);
        timer_ = SetTimer(nullptr, 0, 400, &Fire);
    }
    ~DuringModalRun() {
        KillTimer(nullptr, timer_);
        Step() = nullptr;
    }

private:
    // A named function: a lambda has no stdcall conversion on 32-bit builds.
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        if (auto step = std::exchange(Step(), nullptr)) step();
    }
    static std::function<void()>& Step() {
        static std::function<void()> step;
        return step;
    }
    UINT_PTR timer_;
};

// Escape pressed and let go through the system, as another window test on the same
// display does: the desktop keeps the key's "pressed since asked" bit until someone
// asks.
void PressAndReleaseEscape() {
    INPUT keys[2]{};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_ESCAPE;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    PumpMessagesUntil([] { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) == 0; });
    PumpMessagesUntilQuiet();
}

TEST_F(ShellWindowsTest, AboutWindowRunsOverTheBackdropAsAnOwnedPopupAndClosesIt) {
    ScopedPageHostFactory factory([] { return std::make_unique<ScriptPageHost>(); });
    InstallBackdropRunner();
    struct Case {
        const char* what;
        SIZE mainSize;
        const char* picture;
    };
    const Case cases[] = {
        {"about fits", {783, 595}, "about_over_backdrop.png"},
        {"about cut to a small window", {500, 300}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestHostWindow main(c.mainSize.cx, c.mainSize.cy);
        SetWindowPos(main.Handle(), nullptr, 40, 30, c.mainSize.cx, c.mainSize.cy, SWP_NOZORDER);
        ShowWindow(main.Handle(), SW_SHOW);
        PumpMessagesUntilQuiet();
        const RECT mainRect = WindowRect(main.Handle());

        CDlgAboutMain about;
        std::vector<std::wstring> opened;
        about.Page().openInBrowser = [&](const std::wstring& address) {
            opened.push_back(address);
            return true;
        };
        bool checked = false;
        DuringModalRun step([&] {
            checked = true;
            HWND backdrop = GetWindow(about.Handle(), GW_OWNER);
            ASSERT_NE(backdrop, nullptr);
            EXPECT_EQ(GetWindowLongW(about.Handle(), GWL_STYLE) & WS_CHILD, 0) << "a popup, not a child";
            EXPECT_EQ(GetParent(about.Handle()), backdrop);
            EXPECT_FALSE(IsWindowEnabled(main.Handle()));
            EXPECT_EQ(GetOpenPopupCount(), 1);

            const RECT cover = WindowRect(backdrop);
            const RECT expected{mainRect.left + 1, mainRect.top + 1, mainRect.right - 1, mainRect.bottom - 1};
            EXPECT_TRUE(SameRect(cover, expected)) << Describe(cover);
            EXPECT_NE(GetWindowLongW(backdrop, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
            BYTE alpha = 0;
            DWORD flags = 0;
            EXPECT_TRUE(GetLayeredWindowAttributes(backdrop, nullptr, &alpha, &flags));
            EXPECT_EQ(alpha, 201);
            EXPECT_NE(flags & LWA_ALPHA, 0u);

            // Centred over the cover, and no larger than it.
            const RECT shown = WindowRect(about.Handle());
            const int width = std::min<int>(600, cover.right - cover.left);
            const int height = std::min<int>(350, cover.bottom - cover.top);
            EXPECT_EQ(shown.right - shown.left, width);
            EXPECT_EQ(shown.bottom - shown.top, height);
            EXPECT_LE(std::abs((shown.left + shown.right) - (cover.left + cover.right)), 1) << Describe(shown);
            EXPECT_LE(std::abs((shown.top + shown.bottom) - (cover.top + cover.bottom)), 1) << Describe(shown);

            // The page inside the frame, with its texts put in as text.
            const RECT page = about.Page().RectInParent();
            EXPECT_TRUE(SameRect(page, CDlgAboutMain::kPagePlace)) << Describe(page);
            auto* host = dynamic_cast<ScriptPageHost*>(about.Page().Host());
            ASSERT_NE(host, nullptr);
            EXPECT_EQ(host->HostFlags(), 0x2Du);
            EXPECT_TRUE(host->RefusesDrops());
            for (const ElementText& entry : AboutPageTexts(false)) {
                EXPECT_EQ(host->ElementText(entry.elementId), entry.text)
                    << std::string(entry.elementId.begin(), entry.elementId.end());
            }
            EXPECT_EQ(host->ElementText(L"Span2"), L"Halvenor ");
            EXPECT_NE(host->ElementText(L"Warning").find(L"<i>this</i>"), std::wstring::npos);

            // Nothing on the page is selected, dragged or right-clicked; the link opens
            // in the user's browser, not in the page.
            for (PageEvent event : {PageEvent::SelectStart, PageEvent::DragStart, PageEvent::ContextMenu}) {
                for (const wchar_t* id : {L"rights", L"producturl", L"aboutPanel"}) {
                    EXPECT_EQ(host->Fire(event, id), S_FALSE);
                }
            }
            EXPECT_EQ(host->Fire(PageEvent::Click, L"producturl"), S_FALSE);
            EXPECT_EQ(opened, std::vector<std::wstring>{kProductWebAddress});

            PumpMessagesUntilQuiet();
            if (c.picture != nullptr) TakePicture(c.picture);
            // The frame's close button ends the pop-up and its backdrop.
            PostMessageW(about.Handle(), WM_COMMAND, CMainBorder::kCloseId, 0);
        });
        // The link still opens after an Escape that was let go before the window came.
        PressAndReleaseEscape();
        const INT_PTR result = BringToFront(main.Handle(), &about, IDD_ABOUT_MAIN);
        EXPECT_TRUE(checked);
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(GetOpenPopupCount(), 0);
        EXPECT_TRUE(IsWindowEnabled(main.Handle()));
        EXPECT_FALSE(about.Exists());
    }
    SetBackdropRunner({});
}

TEST_F(ShellWindowsTest, ABackdropWithoutItsPopupEndsAtOnce) {
    InstallBackdropRunner();
    TestHostWindow main(400, 300);
    ui::Dialog wrongTemplate(IDD_ABOUT_PAGE);
    EXPECT_EQ(BringToFront(main.Handle(), &wrongTemplate, IDD_ABOUT_MAIN), -1);
    EXPECT_EQ(BringToFront(main.Handle(), nullptr, IDD_ABOUT_MAIN), -1);
    EXPECT_EQ(GetOpenPopupCount(), 0);
    EXPECT_TRUE(IsWindowEnabled(main.Handle()));
    SetBackdropRunner({});
}

}  // namespace
