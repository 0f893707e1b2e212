#pragma once

#include <windows.h>

// A memory device context with the bitmap selected into it and the bitmap it
// replaced.
struct MemoryDrawing {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ savedBitmap = nullptr;
};

void DrawBitmapStretched(HBITMAP bitmap, HDC target, int x, int y, int width, int height, int sourceWidth,
                         int sourceHeight);
void DrawBitmap(HBITMAP bitmap, HDC target, int x, int y, int width, int height, DWORD rasterOperation);

// Selects the saved bitmap back, deletes the context and the bitmap, clears the record.
void ReleaseMemoryDC(MemoryDrawing& drawing);
