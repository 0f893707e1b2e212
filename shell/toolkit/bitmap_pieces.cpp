#include "shell/toolkit/bitmap_pieces.h"

#include "platform/ui/gdi.h"

HBITMAP LoadBitmapResource(UINT id, UINT flags) {
    return static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, flags));
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0) return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

void BlitFromBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int sourceX, int sourceY) {
    if (bitmap == nullptr) return;
    ui::ScopedMemoryDC source(CreateCompatibleDC(dc));
    ui::SelectionScope selection(source.Get(), bitmap);
    BitBlt(dc, x, y, width, height, source.Get(), sourceX, sourceY, SRCCOPY);
}

void StretchFromBitmap(HDC dc, const RECT& target, HBITMAP bitmap, int sourceX, int sourceWidth, int sourceHeight) {
    if (bitmap == nullptr) return;
    ui::ScopedMemoryDC source(CreateCompatibleDC(dc));
    ui::SelectionScope selection(source.Get(), bitmap);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, source.Get(),
               sourceX, 0, sourceWidth, sourceHeight, SRCCOPY);
}
