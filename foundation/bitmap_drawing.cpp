#include "foundation/bitmap_drawing.h"

namespace {

// A compatible context holding the bitmap for one copy; the bitmap stays the caller's.
class SelectedBitmap {
public:
    SelectedBitmap(HDC target, HBITMAP bitmap) : dc_(CreateCompatibleDC(target)) {
        if (dc_ != nullptr) saved_ = SelectObject(dc_, bitmap);
    }
    ~SelectedBitmap() {
        if (dc_ == nullptr) return;
        SelectObject(dc_, saved_);
        DeleteDC(dc_);
    }
    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;
    HDC Dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ saved_ = nullptr;
};

}  // namespace

void DrawBitmapStretched(HBITMAP bitmap, HDC target, int x, int y, int width, int height, int sourceWidth,
                         int sourceHeight) {
    SelectedBitmap source(target, bitmap);
    if (source.Dc() == nullptr) return;
    StretchBlt(target, x, y, width, height, source.Dc(), 0, 0, sourceWidth, sourceHeight, SRCCOPY);
}

void DrawBitmap(HBITMAP bitmap, HDC target, int x, int y, int width, int height, DWORD rasterOperation) {
    SelectedBitmap source(target, bitmap);
    if (source.Dc() == nullptr) return;
    BitBlt(target, x, y, width, height, source.Dc(), 0, 0, rasterOperation);
}

void ReleaseMemoryDC(MemoryDrawing& drawing) {
    if (drawing.dc != nullptr) {
        if (drawing.savedBitmap != nullptr) SelectObject(drawing.dc, drawing.savedBitmap);
        DeleteDC(drawing.dc);
    }
    if (drawing.bitmap != nullptr) DeleteObject(drawing.bitmap);
    drawing = MemoryDrawing{};
}
