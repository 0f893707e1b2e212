#pragma once

#include <windows.h>

// A bitmap resource that keeps its size at hand.
class CHvBitmap {
public:
    CHvBitmap() = default;
    explicit CHvBitmap(UINT resourceId) { LoadBitmap(resourceId); }
    ~CHvBitmap() { Release(); }
    CHvBitmap(const CHvBitmap&) = delete;
    CHvBitmap& operator=(const CHvBitmap&) = delete;

    // Releases the bitmap held and loads the resource from this module; false when
    // the resource is missing (the sizes are kept then).
    bool LoadBitmap(UINT resourceId, HINSTANCE module = nullptr);
    void Release();

    HBITMAP Handle() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
