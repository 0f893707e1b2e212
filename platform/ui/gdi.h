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

// A bitmap of `width` x `height` compatible with `reference`, selected into a
// memory context of its own for the object's life.
class MemoryCanvas {
public:
    MemoryCanvas(HDC reference, int width, int height)
        : dc_(CreateCompatibleDC(reference)), bitmap_(CreateCompatibleBitmap(reference, width, height)),
          selection_(dc_.Get(), bitmap_.Get()) {}
    HDC Get() const { return dc_.Get(); }
    operator HDC() const { return dc_.Get(); }
    HBITMAP Bitmap() const { return bitmap_.Get(); }
    bool Valid() const { return dc_.Valid() && bitmap_.Valid(); }

private:
    // Declared in this order so that the selection ends first, then the bitmap,
    // then the context.
    ScopedMemoryDC dc_;
    ScopedBitmap bitmap_;
    SelectionScope selection_;
};

}  // namespace ui
