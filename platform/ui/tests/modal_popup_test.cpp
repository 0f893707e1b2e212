#include "platform/ui/modal_popup.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A plain top-level window standing in for the main window.
class MainWindow {
public:
    MainWindow() {
        window_ = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~MainWindow() {
        SetBackdropRunner({});
        DestroyWindow(window_);
    }
    HWND get() const { return window_; }

private:
    HWND window_;
};

TEST(ModalPopupTest, CountReturnsToItsOldValueOnEveryPath) {
    MainWindow main;
    ASSERT_NE(main.get(), nullptr);
    const LONG before = GetOpenPopupCount();
    int dialogTag = 0;

    struct Path {
        const char* name;
        bool closeThroughPopup;  // CloseModalPopup, else the backdrop just ends (Alt+F4)
        bool created;
    } paths[] = {{"closed by its button", true, true}, {"closed by Alt+F4", false, true},
                 {"never created", false, false}};
    // The runner stands in for the backdrop: a window owned by the main window with
    // the pop-up as its child, ended one way or another.
    for (const auto& path : paths) {
        LONG during = -1;
        BackdropRequest seen;
        SetBackdropRunner([&](const BackdropRequest& request) -> INT_PTR {
            seen = request;
            during = GetOpenPopupCount();
            if (!path.created) return -1;
            HWND backdrop = CreateWindowExW(0, L"STATIC", L"backdrop", WS_POPUP, 0, 0, 10, 10, request.mainWindow,
                                            nullptr, GetModuleHandleW(nullptr), nullptr);
            HWND popup = CreateWindowExW(0, L"STATIC", L"popup", WS_CHILD, 0, 0, 5, 5, backdrop, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
            EnableWindow(request.mainWindow, FALSE);
            if (path.closeThroughPopup) {
                CloseModalPopup(popup);
                EXPECT_EQ(GetOpenPopupCount(), before) << path.name;
                EXPECT_TRUE(IsWindowEnabled(request.mainWindow)) << path.name;
            }
            DestroyWindow(backdrop);
            return IDOK;
        });
        const INT_PTR result = BringToFront(main.get(), &dialogTag, 4242);
        EXPECT_EQ(during, before + 1) << path.name;
        EXPECT_EQ(GetOpenPopupCount(), before) << path.name;
        EXPECT_EQ(result, path.created ? IDOK : -1) << path.name;
        EXPECT_EQ(seen.dialog, &dialogTag);
        EXPECT_EQ(seen.templateId, 4242u);
        RECT rect{};
        GetWindowRect(main.get(), &rect);
        EXPECT_TRUE(EqualRect(&rect, &seen.mainWindowRect)) << path.name;
        EXPECT_TRUE(IsWindowEnabled(main.get())) << path.name;
    }

    // Without a backdrop registered the pop-up cannot show, and the count stays.
    SetBackdropRunner({});
    EXPECT_EQ(BringToFront(main.get(), &dialogTag, 1), -1);
    EXPECT_EQ(GetOpenPopupCount(), before);
}

TEST(ModalPopupTest, NestedPopupsEachCountOnce) {
    MainWindow main;
    const LONG before = GetOpenPopupCount();
    std::vector<LONG> counts;
    int depth = 0;
    SetBackdropRunner([&](const BackdropRequest& request) -> INT_PTR {
        counts.push_back(GetOpenPopupCount());
        if (++depth == 2) return IDCANCEL;  // the inner one ends by Alt+F4
        BringToFront(request.mainWindow, nullptr, 2);
        counts.push_back(GetOpenPopupCount());
        CloseModalPopup(nullptr);
        counts.push_back(GetOpenPopupCount());
        return IDOK;
    });
    BringToFront(main.get(), nullptr, 1);
    EXPECT_EQ(counts, (std::vector<LONG>{before + 1, before + 2, before + 1, before}));
    EXPECT_EQ(GetOpenPopupCount(), before);

    CloseModalPopup(nullptr);  // a stray close with nothing open leaves the count alone
    EXPECT_EQ(GetOpenPopupCount(), before);
}

TEST(ModalPopupTest, MainWindowOffTheDesktopIsBroughtBack) {
    MainWindow main;
    SetWindowPos(main.get(), nullptr, -5000, -5000, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT seen{};
    SetBackdropRunner([&](const BackdropRequest& request) -> INT_PTR {
        seen = request.mainWindowRect;
        return IDCANCEL;
    });
    EXPECT_EQ(BringToFront(main.get(), nullptr, 1), IDCANCEL);
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_GE(seen.left, desktop.left);
    EXPECT_GE(seen.top, desktop.top);
    EXPECT_EQ(seen.right - seen.left, 300);
}

}  // namespace
