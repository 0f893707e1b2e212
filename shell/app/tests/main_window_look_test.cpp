#include "shell/app/tests/main_window_fixture.h"

// How the main window looks: its buttons painted, its menus drawn by the
// program, its support line.

namespace {

// A picture of the display for a person to look at, when the run asks for them.
void Picture(const char* name) {
    const char* folder = getenv("MAIN_WINDOW_PICTURES");
    if (folder == nullptr) return;
    // The display shows what the window drew a moment later.
    PumpMessagesUntilQuiet(400);
    const std::string command = std::string("start /wait /unix /usr/bin/import -window root ") + folder + "/" + name;
    std::system(command.c_str());
}

// The colour a button shows at (x, y) on the screen.
COLORREF ShownPixel(HWND button, int x, int y) {
    HDC dc = GetDC(button);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(button, dc);
    return colour;
}

constexpr COLORREF kSelectedTabBar = RGB(0xf2, 0xb1, 0x34);

}  // namespace

// The tab buttons draw their own images: the selected one carries its bar, the
// others the header's blue; after the window comes back from the tray (a second
// start hands over) they are painted again, never left black.
TEST_F(MainWindowTest, TheNavigationButtonsPaintTheirImagesAlsoAfterAHandOver) {
    UpdateAppSettings([](AppSettings& s) { s.goToSystemTrayOnClose = 1; });
    CHvAppDlg& window = Start();
    PumpMessagesUntil([&] { return IsWindowVisible(Window()) != FALSE; }, 2000);
    HWND home = GetDlgItem(Window(), kHome);
    HWND settings = GetDlgItem(Window(), kSettings);
    ASSERT_NE(home, nullptr);
    RECT size{};
    GetWindowRect(home, &size);
    EXPECT_EQ(size.right - size.left, 85);
    EXPECT_EQ(size.bottom - size.top, 74);
    EXPECT_TRUE(GetWindowLongW(home, GWL_STYLE) & BS_OWNERDRAW);
    const auto painted = [&] {
        return ShownPixel(home, 40, 71) == kSelectedTabBar && ShownPixel(settings, 40, 71) != kSelectedTabBar &&
               ShownPixel(settings, 5, 40) != RGB(0, 0, 0);
    };
    EXPECT_TRUE(PumpMessagesUntil(painted, 3000));
    Picture("main_window.png");

    PostMessageW(Window(), WM_CLOSE, 0, 0);
    PumpMessagesUntil([&] { return window.HiddenInTray(); }, 1000);
    PostMessageW(Window(), kMsgActivate, 0, 0);
    PumpMessagesUntil([&] { return IsWindowVisible(Window()) != FALSE; }, 2000);
    EXPECT_TRUE(PumpMessagesUntil(painted, 3000));
    Picture("main_window_after_hand_over.png");

    // The scan tab: the header's steps, the first one lit.
    PostMessageW(Window(), WM_COMMAND, kScanTab, 0);
    PumpMessagesUntil([&] { return window.CurrentPage() == MainPageId::Scan; }, 2000);
    EXPECT_EQ(window.SubHeader().Caption(), 224);
    EXPECT_TRUE(PumpMessagesUntil([&] { return ShownPixel(GetDlgItem(Window(), kScanTab), 40, 71) == kSelectedTabBar; }, 3000));
    Picture("sub_header_scan.png");

    // The settings tab: its sub-header tabs, the chosen one marked.
    PostMessageW(Window(), WM_COMMAND, kSettings, 0);
    PumpMessagesUntil([&] { return window.CurrentPage() == MainPageId::Settings; }, 2000);
    EXPECT_EQ(window.SubHeader().MarkedTab(), static_cast<UINT>(CDlgSubHeader::kFolderTab));
    Picture("sub_header_settings.png");

    // The language menu, the language in use checked; the picture is taken while
    // the menu runs its own loop.
    std::thread picture([this] {
        // The menu's own window, once it is up and has been drawn.
        const DWORD deadline = GetTickCount() + 5000;
        HWND menu = nullptr;
        while (GetTickCount() < deadline &&
               ((menu = FindWindowW(L"#32768", nullptr)) == nullptr || !IsWindowVisible(menu))) {
            Sleep(10);
        }
        RedrawWindow(menu, nullptr, nullptr, RDW_UPDATENOW);
        Picture("language_menu.png");
        PostMessageW(Window(), WM_CANCELMODE, 0, 0);
        keybd_event(VK_ESCAPE, 0, 0, 0);
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    });
    SendMessageW(Window(), WM_COMMAND, kLanguageButton, 0);
    picture.join();
    window_.reset();
}

// What the tray menu held while it ran: each item's command and text.
struct TrackedMenu {
    std::vector<UINT> commands;
    std::vector<std::wstring> texts;
};

LRESULT CALLBACK ReadTrackedMenu(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* tracked = reinterpret_cast<TrackedMenu*>(data);
    if (message == WM_INITMENUPOPUP && tracked->texts.empty()) {
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        for (int position = 0; position < GetMenuItemCount(menu); ++position) {
            wchar_t text[128] = {};
            GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
            tracked->commands.push_back(GetMenuItemID(menu, position));
            tracked->texts.push_back(text);
        }
        EndMenu();
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// The tray's menu is the program's menu resource of the icon's id, with the About
// and Exit texts of the language file.
TEST_F(MainWindowTest, TheTrayMenuCarriesTheLanguagesTexts) {
    const std::wstring languageFile = LanguageFileCache().Path();
    UsePageLanguage(kPageLanguages[1]);
    CHvAppDlg& window = Start();
    TrackedMenu tracked;
    SetWindowSubclass(Window(), ReadTrackedMenu, 7, reinterpret_cast<DWORD_PTR>(&tracked));
    EXPECT_EQ(window.Tray().OnTrayNotification(kTrayIconId, WM_RBUTTONUP), 1);
    RemoveWindowSubclass(Window(), ReadTrackedMenu, 7);
    ASSERT_EQ(tracked.texts.size(), 3u);
    EXPECT_EQ(tracked.commands[0], static_cast<UINT>(kTrayAbout));
    EXPECT_EQ(tracked.commands[2], static_cast<UINT>(kTrayExit));
    EXPECT_EQ(tracked.texts[0], GetLangString(L"IDS_ABOUTBOX", kResourceStringSection));
    EXPECT_EQ(tracked.texts[2], GetLangString(L"string169", kResourceStringSection));
    EXPECT_FALSE(tracked.texts[0].empty());
    LanguageFileCache().SetPath(languageFile);
    LanguageFileCache().ClearCache();
}

TEST_F(MainWindowTest, TheSupportLineShowsOnlyWhenSwitchedOnWithANumber) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    const struct {
        int enabled;
        const wchar_t* number;
        bool shown;
    } cases[] = {{1, L"0800 123 456", true}, {0, L"0800 123 456", false}, {1, L"", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.enabled << " " << testing::PrintToString(std::wstring(c.number)));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKeyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"TELNO", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.number),
                       static_cast<DWORD>((wcslen(c.number) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        app_.ReadSupportTelephones();
        UpdateAppSettings([&](AppSettings& s) { s.isTelNoEnabled = c.enabled; });
        CHvAppDlg& window = Start();
        const std::wstring line = window.SupportLine();
        EXPECT_EQ(!line.empty(), c.shown && GetLanguageId() == 0);
        if (c.shown && GetLanguageId() == 0) { EXPECT_NE(line.find(c.number), std::wstring::npos); }
        if (c.shown) Picture("main_window_support_line.png");
        window_.reset();
    }
    UpdateAppSettings([](AppSettings& s) { s.isTelNoEnabled = 0; });
}
