#include "foundation/bitmap_drawing.h"

#include <gtest/gtest.h>

namespace {

// A 2x1 bitmap, red then blue, drawn into a memory context we can read back.
TEST(BitmapDrawingTest, CopiesAndStretchesFromTheBitmapsTopLeft) {
    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 8, 8);
    HBITMAP source = CreateCompatibleBitmap(screen, 2, 1);
    ReleaseDC(nullptr, screen);
    HGDIOBJ savedCanvas = SelectObject(target, canvas);
    {
        HDC paint = CreateCompatibleDC(target);
        HGDIOBJ saved = SelectObject(paint, source);
        SetPixel(paint, 0, 0, RGB(255, 0, 0));
        SetPixel(paint, 1, 0, RGB(0, 0, 255));
        SelectObject(paint, saved);
        DeleteDC(paint);
    }

    DrawBitmap(source, target, 3, 3, 2, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(target, 3, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target, 4, 3), RGB(0, 0, 255));

    DrawBitmapStretched(source, target, 0, 5, 4, 2, 2, 1);
    EXPECT_EQ(GetPixel(target, 0, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target, 1, 6), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target, 3, 6), RGB(0, 0, 255));

    MemoryDrawing drawing{target, canvas, savedCanvas};
    ReleaseMemoryDC(drawing);
    EXPECT_EQ(drawing.dc, nullptr);
    EXPECT_EQ(drawing.bitmap, nullptr);
    EXPECT_EQ(GetObjectType(canvas), 0u) << "the bitmap was deleted";
    DeleteObject(source);
}

}  // namespace
