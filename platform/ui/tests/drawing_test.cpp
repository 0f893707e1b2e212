#include <gtest/gtest.h>

#include "platform/ui/gdi.h"
#include "platform/ui/layered_window.h"

namespace {

// A 40x30 target bitmap in its own memory context, painted grey.
class Target {
public:
    Target() {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, 40, 30);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, bitmap_);
        const RECT all{0, 0, 40, 30};
        Fill(dc_, all, RGB(128, 128, 128));
    }
    ~Target() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    static void Fill(HDC dc, const RECT& rect, COLORREF colour) {
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

TEST(DrawingTest, MemoryContextReachesTheTargetOnlyAtTheEnd) {
    Target target;
    SetBkColor(target.dc(), RGB(255, 255, 255));
    const RECT area{10, 5, 30, 25};
    {
        CHvMemDC buffer(target.dc(), &area);
        ASSERT_TRUE(buffer.IsOffScreen());
        // Drawing uses the target's coordinates.
        const RECT square{12, 7, 16, 11};
        Target::Fill(buffer, square, RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(target.dc(), 13, 8), RGB(128, 128, 128)) << "nothing shows before the copy";
    }
    EXPECT_EQ(GetPixel(target.dc(), 13, 8), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target.dc(), 20, 20), RGB(255, 255, 255)) << "the area starts in the background colour";
    EXPECT_EQ(GetPixel(target.dc(), 5, 5), RGB(128, 128, 128)) << "outside the area nothing changes";
    EXPECT_EQ(GetPixel(target.dc(), 30, 25), RGB(128, 128, 128));
}

TEST(DrawingTest, MemoryContextWithoutAreaCoversTheClipBox) {
    Target target;
    SetBkColor(target.dc(), RGB(0, 0, 255));
    HRGN clip = CreateRectRgn(0, 0, 20, 10);
    SelectClipRgn(target.dc(), clip);
    DeleteObject(clip);
    {
        CHvMemDC buffer(target.dc());
        EXPECT_EQ(buffer.Area().right, 20);
        EXPECT_EQ(buffer.Area().bottom, 10);
    }
    SelectClipRgn(target.dc(), nullptr);
    EXPECT_EQ(GetPixel(target.dc(), 19, 9), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(target.dc(), 21, 9), RGB(128, 128, 128));
}

TEST(DrawingTest, BufferContextFreesWhatItHolds) {
    Target target;
    CHvBufferDC buffer(target.dc(), RECT{0, 0, 8, 6});
    ASSERT_NE(buffer.Get(), nullptr);
    const RECT all{0, 0, 8, 6};
    Target::Fill(buffer, all, RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(buffer, 7, 5), RGB(0, 255, 0));
    HBITMAP bitmap = buffer.Bitmap();
    buffer.Reset();
    EXPECT_EQ(buffer.Get(), nullptr);
    EXPECT_EQ(buffer.Area().right, 0);
    BITMAP info{};
    EXPECT_EQ(GetObjectW(bitmap, sizeof(info), &info), 0) << "the bitmap was deleted";
}

TEST(DrawingTest, LayeredAlphaOnAWindow) {
    HWND window = CreateWindowExW(0, L"STATIC", L"layered", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SetLayeredAlpha(window, 201));
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 201);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    DestroyWindow(window);
}

}  // namespace
