#include "shell/app/dialog_placement.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/product_key.h"
#include "tests/support/caption_fit.h"
#include "tests/support/scoped_registry.h"

namespace {

// A plain window with two children, ids 10 and 11.
class Parent {
public:
    Parent() {
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        for (int id : {10, 11}) {
            CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_PUSHBUTTON, 0, 0, 5, 5, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        }
    }
    ~Parent() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }
    RECT ItemRect(int id) const {
        RECT rect{};
        GetWindowRect(GetDlgItem(window_, id), &rect);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

private:
    HWND window_ = nullptr;
};

TEST(DialogPlacement, DialogUnitsBecomePixelsRoundedUp) {
    const struct {
        int x, y, width, height;
        RECT expected;
    } cases[] = {
        {10, 20, 30, 40, {16, 33, 16 + 46, 33 + 65}},
        {0, 0, 1, 1, {0, 0, 2, 2}},
        {36, 104, 97, 10, {55, 169, 55 + 146, 169 + 17}},
    };
    Parent parent;
    for (const auto& c : cases) {
        ASSERT_TRUE(PlaceDlgItemRect(parent.Handle(), 10, c.x, c.y, c.width, c.height));
        const RECT placed = parent.ItemRect(10);
        EXPECT_EQ(placed.left, c.expected.left);
        EXPECT_EQ(placed.top, c.expected.top);
        EXPECT_EQ(placed.right, c.expected.right);
        EXPECT_EQ(placed.bottom, c.expected.bottom);
    }
    EXPECT_FALSE(PlaceDlgItemRect(parent.Handle(), 99, 1, 1, 1, 1));
    EXPECT_FALSE(PlaceDlgItem(parent.Handle(), 99, 1, 1));
}

TEST(DialogPlacement, AnItemPlacedByItsCaptionIsAsWideAsTheCaptionAndSeventeenHigh) {
    Parent parent;
    SetDlgItemTextW(parent.Handle(), 10, L"Run");
    SetDlgItemTextW(parent.Handle(), 11, L"Run the scan every day of the week at this time");
    ASSERT_TRUE(PlaceDlgItem(parent.Handle(), 10, 20, 100));
    ASSERT_TRUE(PlaceDlgItem(parent.Handle(), 11, 20, 120));
    const RECT shortItem = parent.ItemRect(10);
    const RECT longItem = parent.ItemRect(11);
    EXPECT_EQ(shortItem.left, 31);
    EXPECT_EQ(shortItem.top, 163);
    EXPECT_EQ(shortItem.bottom - shortItem.top, 17);
    EXPECT_GT(shortItem.right - shortItem.left, 0);
    EXPECT_GT(longItem.right - longItem.left, 3 * (shortItem.right - shortItem.left));
}

// A check box or radio button draws its box before the caption: placed by its
// caption it must keep room for both, in the font it shows.
TEST(DialogPlacement, ACheckBoxOrRadioPlacedByItsCaptionShowsItWhole) {
    Parent parent;
    LOGFONTW logFont{};
    logFont.lfHeight = -16;
    wcscpy_s(logFont.lfFaceName, L"Tahoma");
    const HFONT font = CreateFontIndirectW(&logFont);
    for (DWORD style : {BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON}) {
        HWND box = CreateWindowExW(0, L"BUTTON", L"Every Wednesday", WS_CHILD | WS_VISIBLE | style, 0, 0, 5, 5,
                                   parent.Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(12)), nullptr, nullptr);
        SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ASSERT_TRUE(PlaceDlgItem(parent.Handle(), 12, 20, 100));
        std::vector<CutCaption> cut;
        CollectCutCaptions(parent.Handle(), cut);
        EXPECT_TRUE(cut.empty()) << style << ": " << (cut.empty() ? 0 : cut[0].needed.cx) << " wide in "
                                 << (cut.empty() ? 0 : cut[0].room);
        DestroyWindow(box);
    }
    DeleteObject(font);
}

TEST(DialogPlacement, AWindowFittedToItsClientLosesItsFrame) {
    HWND window = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"", WS_POPUP | WS_BORDER, 10, 10, 120, 80, nullptr,
                                  nullptr, nullptr, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    ASSERT_LT(client.right, 120);
    FitDialogToClient(window);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, client.right);
    EXPECT_EQ(outer.bottom - outer.top, client.bottom);
    EXPECT_EQ(outer.left, 10);
    DestroyWindow(window);
}

TEST(DialogPlacement, TheHelpPageIsTheMachinesHelpUrlWhenOneIsSet) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    const std::wstring builtIn = HelpPageAddress();
    EXPECT_EQ(builtIn.rfind(L"https://", 0), 0u);
    EXPECT_NE(builtIn.find(L"/help"), std::wstring::npos);

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKeyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t address[] = L"http://127.0.0.1:9/our-help";
    RegSetValueExW(key, L"HelpUrl", 0, REG_SZ, reinterpret_cast<const BYTE*>(address), sizeof(address));
    RegCloseKey(key);
    EXPECT_EQ(HelpPageAddress(), address);
}

}  // namespace
