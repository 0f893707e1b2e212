#include "shell/app/kv_menu.h"

#include <gtest/gtest.h>

namespace {

MEASUREITEMSTRUCT Measure(const KVMenu& menu, UINT position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA | MIIM_ID;
    GetMenuItemInfoW(menu.Handle(), position, TRUE, &info);
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = info.wID;
    measure.itemData = info.dwItemData;
    menu.MeasureItem(measure);
    return measure;
}

TEST(KVMenu, ItemsAreOwnerDrawnAndMeasured) {
    KVMenu menu;
    ASSERT_TRUE(menu.AppendMenuItem(L"English", 1021, nullptr, 0));
    ASSERT_TRUE(menu.AppendMenuItem(L"", 0, nullptr, 0));
    ASSERT_TRUE(menu.AppendMenuItem(L"Deutsch\tCtrl+D", 1022, nullptr, 0));
    EXPECT_EQ(GetMenuItemCount(menu.Handle()), 3);
    EXPECT_EQ(menu.ItemCount(), 3u);

    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu.Handle(), 1, TRUE, &info);
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
    EXPECT_TRUE(info.fType & MFT_SEPARATOR);

    const MEASUREITEMSTRUCT separator = Measure(menu, 1);
    EXPECT_EQ(separator.itemWidth, 0u);
    EXPECT_EQ(separator.itemHeight, 3u);
    const MEASUREITEMSTRUCT item = Measure(menu, 0);
    EXPECT_GT(item.itemWidth, 16u + 4u + 8u);
    EXPECT_GE(item.itemHeight, static_cast<UINT>(GetSystemMetrics(SM_CYMENU)));
    EXPECT_GT(Measure(menu, 2).itemWidth, item.itemWidth);
}

TEST(KVMenu, NullItemDataIsIgnoredByMeasureAndDraw) {
    KVMenu menu;
    MEASUREITEMSTRUCT measure{};
    measure.itemWidth = 77;
    measure.itemHeight = 5;
    menu.MeasureItem(measure);
    EXPECT_EQ(measure.itemWidth, 77u);
    EXPECT_EQ(measure.itemHeight, 5u);

    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.hDC = CreateCompatibleDC(nullptr);
    SetPixel(draw.hDC, 0, 0, RGB(1, 2, 3));
    menu.DrawItem(draw);
    DeleteDC(draw.hDC);
}

TEST(KVMenu, DrawsIconTextAndSelectionOnABitmap) {
    HIMAGELIST flags = ImageList_Create(14, 11, ILC_COLOR24 | ILC_MASK, 2, 1);
    HDC screen = GetDC(nullptr);
    HBITMAP frames = CreateCompatibleBitmap(screen, 28, 11);
    ReleaseDC(nullptr, screen);
    ImageList_AddMasked(flags, frames, RGB(255, 255, 255));
    DeleteObject(frames);

    KVMenu menu;
    ASSERT_TRUE(menu.AppendMenuItem(L"Svenska", 1030, flags, 1));
    // A missing image leaves the item without icon but keeps the item.
    ASSERT_TRUE(menu.AppendMenuItem(L"Suomi", 1031, flags, 9));
    ImageList_Destroy(flags);
    EXPECT_EQ(menu.ItemCount(), 2u);

    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 120, -24, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, target);
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_DATA;
    GetMenuItemInfoW(menu.Handle(), 0, TRUE, &item);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.hDC = dc;
    draw.rcItem = {0, 0, 120, 24};
    draw.itemData = item.dwItemData;
    draw.itemState = ODS_SELECTED;
    menu.DrawItem(draw);
    // The selected item is framed in the selection blue.
    EXPECT_EQ(GetPixel(dc, 60, 0), RGB(177, 213, 238));
    EXPECT_FALSE(KVMenu::UsesClassicLook(dc));
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
}

TEST(KVMenu, TextPartsThemeAndColours) {
    const struct {
        const wchar_t* text;
        const wchar_t* label;
        const wchar_t* accelerator;
    } texts[] = {{L"Open", L"Open", L""}, {L"Open\tCtrl+O", L"Open", L"Ctrl+O"}, {L"A\tB\tC", L"A", L"C"}};
    for (const auto& t : texts) {
        const MenuTextParts parts = SplitMenuText(t.text);
        EXPECT_EQ(parts.label, t.label);
        EXPECT_EQ(parts.accelerator, t.accelerator);
    }
    EXPECT_TRUE(IsClassicThemeFile(L"C:\\Windows\\Resources\\Themes\\WINDOWS CLASSIC.THEME"));
    EXPECT_TRUE(IsClassicThemeFile(L"windows classic.theme"));
    EXPECT_FALSE(IsClassicThemeFile(L"C:\\Windows\\Resources\\Themes\\Luna.theme"));
    EXPECT_FALSE(IsClassicThemeFile(L""));
    EXPECT_EQ(LightenColour(RGB(0, 100, 255), 0.25), RGB(64, 139, 255));
    EXPECT_EQ(DarkenColour(RGB(255, 100, 0), 0.02), RGB(250, 98, 0));
}

}  // namespace
