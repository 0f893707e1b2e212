#pragma once

#include <windows.h>

// Double-buffered drawing: everything drawn on this context goes to an off-screen
// bitmap over the area (or the target's clip box) and reaches the target in one
// copy when the object ends. A printing target is drawn on directly.
class CHvMemDC {
public:
    explicit CHvMemDC(HDC target, const RECT* area = nullptr);
    virtual ~CHvMemDC();
    CHvMemDC(const CHvMemDC&) = delete;
    CHvMemDC& operator=(const CHvMemDC&) = delete;

    HDC Get() const { return drawing_; }
    operator HDC() const { return drawing_; }
    const RECT& Area() const { return area_; }
    bool IsOffScreen() const { return offScreen_; }

private:
    HDC target_;
    HDC drawing_ = nullptr;  // the memory context, or the target when printing
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    RECT area_{};
    bool offScreen_ = false;
};
