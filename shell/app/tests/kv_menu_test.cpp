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

namespace {

KVMenuData* DataAt(HMENU menu, UINT position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA | MIIM_FTYPE;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return (info.fType & MFT_OWNERDRAW) ? reinterpret_cast<KVMenuData*>(info.dwItemData) : nullptr;
}

// A 32-bit canvas of `width` x `height` to draw items on.
class Canvas {
public:
    Canvas(int width, int height) : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, width, height};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

}  // namespace

TEST(KVMenu, ALoadedMenuResourceIsOwnerDrawnDownToItsNestedPopups) {
    KVMenu menu;
    EXPECT_FALSE(menu.LoadMenu(GetModuleHandleW(nullptr), 799));
    ASSERT_TRUE(menu.LoadMenu(GetModuleHandleW(nullptr), 700));
    EXPECT_EQ(KVMenu::IconSize().cx, 16);
    KVMenu* file = menu.SubMenu(0);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(GetMenuItemCount(file->Handle()), 4);
    const struct {
        UINT position;
        const wchar_t* text;
        UINT id;
        bool separator;
        bool popup;
    } items[] = {
        {0, L"Open\tCtrl+O", 701, false, false}, {1, L"Recent", 0, false, true}, {2, L"", 0, true, false},
        {3, L"Checked", 702, false, false},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(item.position);
        const KVMenuData* data = DataAt(file->Handle(), item.position);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->text, item.text);
        if (!item.popup) { EXPECT_EQ(data->id, item.id); }
        EXPECT_EQ((data->flags & MF_SEPARATOR) != 0, item.separator);
        EXPECT_EQ((data->flags & MF_POPUP) != 0, item.popup);
    }
    EXPECT_EQ(GetMenuState(file->Handle(), 702, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    // The nested popup is a menu of its own, owner-drawn too.
    KVMenu* recent = file->SubMenu(1);
    ASSERT_NE(recent, nullptr);
    ASSERT_NE(DataAt(recent->Handle(), 0), nullptr);
    EXPECT_EQ(DataAt(recent->Handle(), 0)->id, 711u);

    // The window that tracks a menu hands its items to whichever menu holds them.
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemData = reinterpret_cast<ULONG_PTR>(DataAt(recent->Handle(), 0));
    EXPECT_TRUE(KVMenu::HandleMenuMessage(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&measure)));
    EXPECT_GT(measure.itemWidth, 0u);
    KVMenuData stranger;
    measure.itemData = reinterpret_cast<ULONG_PTR>(&stranger);
    EXPECT_FALSE(KVMenu::HandleMenuMessage(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&measure)));
}

TEST(KVMenu, AppendedResourceItemsTakeTheirIconFromTheProgramListByCommand) {
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1);
    KVMenu::SetProgramImages(images, {501, 502});
    KVMenu menu;
    ASSERT_TRUE(menu.AppendODMenu(L"Second", MF_STRING, 502));
    ASSERT_TRUE(menu.AppendODMenu(L"None", MF_STRING, 599));
    ASSERT_TRUE(menu.AppendODMenu(L"", MF_STRING, 0));
    EXPECT_EQ(DataAt(menu.Handle(), 0)->globalImageIndex, 1);
    EXPECT_EQ(DataAt(menu.Handle(), 1)->globalImageIndex, -1);
    EXPECT_EQ(DataAt(menu.Handle(), 2)->flags, static_cast<UINT>(MF_OWNERDRAW | MF_SEPARATOR));
    EXPECT_EQ(KVMenu::IconSize().cy, 16);
    KVMenu::SetProgramImages(nullptr, {});
    ImageList_Destroy(images);
}

// A checked item without icon carries a check mark, a radio item a dot; a grayed
// icon turns into a light silhouette on its own background.
TEST(KVMenu, CheckedRadioAndGrayedItemsDrawTheirMarks) {
    KVMenu menu;
    ASSERT_TRUE(menu.AppendODMenu(L"Check", MF_STRING, 801));
    ASSERT_TRUE(menu.AppendODMenu(L"Radio", MF_STRING | MFT_RADIOCHECK, 802));
    const SIZE icon = KVMenu::IconSize();
    const COLORREF mark = GetSysColor(COLOR_MENUTEXT);
    const auto markPixels = [&](UINT position) {
        Canvas canvas(160, 24);
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.hDC = canvas.Get();
        draw.rcItem = {0, 0, 160, 24};
        draw.itemData = reinterpret_cast<ULONG_PTR>(DataAt(menu.Handle(), position));
        draw.itemState = ODS_CHECKED;
        menu.DrawItem(draw);
        int count = 0;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < icon.cx + 4; ++x) count += GetPixel(canvas.Get(), x, y) == mark ? 1 : 0;
        }
        return count;
    };
    const int check = markPixels(0);
    const int dot = markPixels(1);
    EXPECT_GT(check, 0);
    EXPECT_GT(dot, 0);
    EXPECT_NE(check, dot);

    // The silhouette: what differs from the background pixel becomes the colour.
    Canvas canvas(8, 8);
    RECT all{0, 0, 8, 8};
    FillRect(canvas.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetPixel(canvas.Get(), 4, 4, RGB(200, 0, 0));
    SetPixel(canvas.Get(), 5, 5, RGB(0, 0, 200));
    PaintSilhouette(canvas.Get(), all, GetPixel(canvas.Get(), 1, 1), RGB(120, 120, 120));
    EXPECT_EQ(GetPixel(canvas.Get(), 4, 4), RGB(120, 120, 120));
    EXPECT_EQ(GetPixel(canvas.Get(), 5, 5), RGB(120, 120, 120));
    EXPECT_EQ(GetPixel(canvas.Get(), 2, 2), RGB(255, 255, 255));
}

TEST(KVMenu, TheMemoryDcCopiesItsDrawingBackWhenItEnds) {
    Canvas target(40, 20);
    const RECT area{10, 5, 30, 15};
    {
        const KVMenuMemDC memory(target.Get(), area);
        ASSERT_NE(memory.Get(), target.Get());
        RECT inside{12, 6, 14, 8};
        FillRect(memory.Get(), &inside, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EXPECT_EQ(GetPixel(target.Get(), 12, 6), RGB(0, 0, 0));
    }
    EXPECT_EQ(GetPixel(target.Get(), 12, 6), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(target.Get(), 5, 5), RGB(0, 0, 0));
}
