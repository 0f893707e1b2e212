#pragma once

#include <windows.h>
#include <commctrl.h>

#include "platform/scoped_handle.h"

namespace ui {

template <typename Object>
struct GdiObjectTraits {
    static Object Invalid() { return nullptr; }
    static bool Holds(Object object) { return object != nullptr; }
    static bool Close(Object object) { return DeleteObject(object) != FALSE; }
};

using ScopedFont = ScopedHandle<HFONT, GdiObjectTraits<HFONT>>;
using ScopedBrush = ScopedHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using ScopedPen = ScopedHandle<HPEN, GdiObjectTraits<HPEN>>;
using ScopedBitmap = ScopedHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using ScopedRegion = ScopedHandle<HRGN, GdiObjectTraits<HRGN>>;

struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static bool Holds(HICON icon) { return icon != nullptr; }
    static bool Close(HICON icon) { return DestroyIcon(icon) != FALSE; }
};
struct CursorTraits {
    static HCURSOR Invalid() { return nullptr; }
    static bool Holds(HCURSOR cursor) { return cursor != nullptr; }
    static bool Close(HCURSOR cursor) { return DestroyCursor(cursor) != FALSE; }
};
struct MenuTraits {
    static HMENU Invalid() { return nullptr; }
    static bool Holds(HMENU menu) { return menu != nullptr; }
    static bool Close(HMENU menu) { return DestroyMenu(menu) != FALSE; }
};
struct ImageListTraits {
    static HIMAGELIST Invalid() { return nullptr; }
    static bool Holds(HIMAGELIST list) { return list != nullptr; }
    static bool Close(HIMAGELIST list) { return ImageList_Destroy(list) != FALSE; }
};
struct MemoryDCTraits {
    static HDC Invalid() { return nullptr; }
    static bool Holds(HDC dc) { return dc != nullptr; }
    static bool Close(HDC dc) { return DeleteDC(dc) != FALSE; }
};

// Icons and cursors loaded with LR_SHARED belong to the system and are never put
// into these owners.
using ScopedIcon = ScopedHandle<HICON, IconTraits>;
using ScopedCursor = ScopedHandle<HCURSOR, CursorTraits>;
using ScopedMenu = ScopedHandle<HMENU, MenuTraits>;
using ScopedImageList = ScopedHandle<HIMAGELIST, ImageListTraits>;
// A context from CreateCompatibleDC; select everything out of it before it ends
// (a `SelectionScope` made after it does).
using ScopedMemoryDC = ScopedHandle<HDC, MemoryDCTraits>;

// Keeps one object selected into a context for the scope and puts the previous
// one back. The object must outlive the scope.
class SelectionScope {
public:
    SelectionScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectionScope() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    SelectionScope(const SelectionScope&) = delete;
    SelectionScope& operator=(const SelectionScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Saves the whole state of a context (colours, modes, origin, clip) for the scope.
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDCState() {
        if (saved_ != 0) RestoreDC(dc_, saved_);
    }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC dc_;
    int saved_;
};

// The context of a window's client area from GetDC.
class ClientDC {
public:
    explicit ClientDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~ClientDC() {
        if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
    }
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    HDC Get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint and EndPaint of one WM_PAINT.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
    ~PaintScope() { EndPaint(hwnd_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Get() const { return dc_; }
    operator HDC() const { return dc_; }
    const RECT& Area() const { return paint_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A bitmap compatible with `reference`, selected into a memory context of its own,
// over an area whose top-left is the bitmap's origin. Reset (and the end of the
// object) puts the context's first bitmap back and frees both.
class MemoryCanvas {
public:
    MemoryCanvas() = default;
    MemoryCanvas(HDC reference, int width, int height) { Create(reference, RECT{0, 0, width, height}); }
    MemoryCanvas(HDC reference, const RECT& area) { Create(reference, area); }
    ~MemoryCanvas() { Reset(); }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    // False, with nothing held, when the context or the bitmap cannot be made.
    bool Create(HDC reference, const RECT& area);
    void Reset();

    HDC Get() const { return dc_.Get(); }
    operator HDC() const { return dc_.Get(); }
    HBITMAP Bitmap() const { return bitmap_.Get(); }
    const RECT& Area() const { return area_; }
    bool Valid() const { return dc_.Valid() && bitmap_.Valid(); }

private:
    ScopedMemoryDC dc_;
    ScopedBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    RECT area_{};
};

}  // namespace ui

// The buffered context kept for repeated drawing.
using CHvBufferDC = ui::MemoryCanvas;

// Double-buffered painting: everything drawn on this context goes to a canvas over
// the area (or the target's clip box), in the target's coordinates, and reaches the
// target in one copy when the object ends. A printing target is drawn on directly,
// and so is one for which no canvas can be made.
class CHvMemDC {
public:
    explicit CHvMemDC(HDC target, const RECT* area = nullptr);
    virtual ~CHvMemDC();
    CHvMemDC(const CHvMemDC&) = delete;
    CHvMemDC& operator=(const CHvMemDC&) = delete;

    HDC Get() const { return offScreen_ ? canvas_.Get() : target_; }
    operator HDC() const { return Get(); }
    const RECT& Area() const { return area_; }
    bool IsOffScreen() const { return offScreen_; }

private:
    HDC target_;
    ui::MemoryCanvas canvas_;
    RECT area_{};
    bool offScreen_ = false;
};
