#pragma once

#include <windows.h>

// A bitmap resource of the program; none when it is missing.
HBITMAP LoadBitmapResource(UINT id, UINT flags = LR_DEFAULTCOLOR);

// Size of a bitmap; 0 x 0 for none.
SIZE BitmapSize(HBITMAP bitmap);
// Copies `width` x `height` from (sourceX, sourceY) of `bitmap` to (x, y) of `dc`;
// nothing for no bitmap.
void BlitFromBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int sourceX, int sourceY);
// Stretches the `sourceWidth` x `sourceHeight` part at (sourceX, 0) over `target`.
void StretchFromBitmap(HDC dc, const RECT& target, HBITMAP bitmap, int sourceX, int sourceWidth, int sourceHeight);
