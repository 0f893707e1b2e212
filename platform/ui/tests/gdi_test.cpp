#include "platform/ui/gdi.h"

#include <gtest/gtest.h>

namespace {

TEST(GdiTest, SelectionsAreUndoneBeforeTheirObjectsEnd) {
    HDC screen = GetDC(nullptr);
    HFONT fontHandle = nullptr;
    HBITMAP bitmapHandle = nullptr;
    {
        ui::MemoryCanvas canvas(screen, 8, 8);
        ASSERT_TRUE(canvas.Valid());
        bitmapHandle = canvas.Bitmap();
        EXPECT_EQ(GetCurrentObject(canvas, OBJ_BITMAP), bitmapHandle);

        ui::ScopedFont font(CreateFontW(-11, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
        fontHandle = font.Get();
        HGDIOBJ before = GetCurrentObject(canvas, OBJ_FONT);
        {
            ui::SelectionScope selection(canvas, font.Get());
            EXPECT_EQ(GetCurrentObject(canvas, OBJ_FONT), fontHandle);
        }
        EXPECT_EQ(GetCurrentObject(canvas, OBJ_FONT), before);
    }
    // Both were deleted: nothing kept them selected.
    EXPECT_EQ(GetObjectType(fontHandle), 0u);
    EXPECT_EQ(GetObjectType(bitmapHandle), 0u);
    ReleaseDC(nullptr, screen);
}

TEST(GdiTest, SavedStateComesBackWithColoursAndModes) {
    HDC screen = GetDC(nullptr);
    ui::MemoryCanvas canvas(screen, 4, 4);
    SetTextColor(canvas, RGB(1, 2, 3));
    {
        ui::SavedDCState saved(canvas);
        SetTextColor(canvas, RGB(200, 100, 0));
        SetBkMode(canvas, TRANSPARENT);
    }
    EXPECT_EQ(GetTextColor(canvas), RGB(1, 2, 3));
    EXPECT_EQ(GetBkMode(canvas), OPAQUE);
    ReleaseDC(nullptr, screen);
}

}  // namespace
