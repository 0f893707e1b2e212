#include "shell/app/tests/main_window_fixture.h"

#include <algorithm>

namespace {

const MainPageId everyPage[] = {MainPageId::Home,     MainPageId::Scan,    MainPageId::BackupRestore,
                                MainPageId::LastScan, MainPageId::Results, MainPageId::DownloadInstall,
                                MainPageId::Settings, MainPageId::Downloads};

// The pages in the order they lie among the window's children, the topmost first;
// the sub-header, last, lies under them all.
std::vector<HWND> PagesTopFirst(CHvAppDlg& window) {
    std::vector<HWND> order;
    for (HWND child = GetWindow(window.Handle(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        for (MainPageId id : everyPage) {
            if (window.Page(id) != nullptr && window.Page(id)->Window() == child) order.push_back(child);
        }
        if (child == window.SubHeader().Handle()) order.push_back(child);
    }
    return order;
}

std::vector<HWND> PagesAsMadeAtOnce(CHvAppDlg& window) {
    std::vector<HWND> order;
    for (MainPageId id : everyPage) order.push_back(window.Page(id)->Window());
    order.push_back(window.SubHeader().Handle());
    return order;
}

// The window comes up as soon as the home page has answered; the other pages are
// made afterwards, each once, and one asked for before its turn is made at once.
// Either way they lie among the window's children as if all were made at once.
TEST_F(MainWindowTest, OnlyTheHomePageIsMadeBeforeTheWindowComesUp) {
    StartupSwitches scan;
    scan.scanRequested = true;
    const struct {
        const char* start;
        StartupSwitches switches;
        std::vector<MainPageId> madeHidden;  // in this order
    } cases[] = {
        {"no switch", {}, {MainPageId::Home}},
        {"scan", scan, {MainPageId::Home, MainPageId::Scan}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        madePages.clear();
        CHvAppDlg& window = Start(c.switches);
        PumpMessagesUntil([] { return madePages.size() >= 8; }, 3000);
        std::vector<MainPageId> madeHidden;
        for (const MadePage& made : madePages) {
            if (!made.windowVisible) madeHidden.push_back(made.id);
        }
        EXPECT_EQ(madeHidden, c.madeHidden);
        for (MainPageId id : everyPage) {
            EXPECT_EQ(std::count_if(madePages.begin(), madePages.end(), [id](const MadePage& m) { return m.id == id; }),
                      1)
                << "page " << static_cast<int>(id);
            ASSERT_NE(window.Page(id), nullptr);
        }
        EXPECT_EQ(madePages.size(), 8u) << "asking again made a page twice";
        EXPECT_EQ(PagesTopFirst(window), PagesAsMadeAtOnce(window));
        window_.reset();
    }

    // Asked for while the window is still hidden: made then, and not again later.
    madePages.clear();
    CHvAppDlg& window = Create({});
    ASSERT_FALSE(IsWindowVisible(Window()));
    PostMessageW(Window(), WM_COMMAND, kSettings, 0);
    PumpMessagesUntil([&] { return window.CurrentPage() == MainPageId::Settings; }, 1500);
    ASSERT_EQ(window.CurrentPage(), MainPageId::Settings);
    PumpMessagesUntil([] { return madePages.size() >= 8; }, 3000);
    EXPECT_EQ(std::count_if(madePages.begin(), madePages.end(),
                            [](const MadePage& m) { return m.id == MainPageId::Settings; }),
              1);
    EXPECT_EQ(madePages.size(), 8u);
    EXPECT_EQ(PagesTopFirst(window), PagesAsMadeAtOnce(window));
}

}  // namespace
