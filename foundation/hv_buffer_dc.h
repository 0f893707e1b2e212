#pragma once

#include <windows.h>

// A memory context with a compatible bitmap of an area, kept for repeated drawing;
// Reset (and the destructor) put the previous bitmap back and free both.
class CHvBufferDC {
public:
    CHvBufferDC() = default;
    CHvBufferDC(HDC compatibleWith, const RECT& area);
    virtual ~CHvBufferDC();
    CHvBufferDC(const CHvBufferDC&) = delete;
    CHvBufferDC& operator=(const CHvBufferDC&) = delete;

    bool Create(HDC compatibleWith, const RECT& area);
    void Reset();

    HDC Get() const { return context_; }
    operator HDC() const { return context_; }
    HBITMAP Bitmap() const { return bitmap_; }
    const RECT& Area() const { return area_; }

private:
    HDC context_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    RECT area_{};
};
