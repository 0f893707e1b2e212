#include "foundation/hv_mem_dc.h"

CHvMemDC::CHvMemDC(HDC target, const RECT* area) : target_(target), drawing_(target) {
    offScreen_ = GetDeviceCaps(target, TECHNOLOGY) != DT_RASPRINTER;
    if (area) {
        area_ = *area;
    } else {
        GetClipBox(target, &area_);
    }
    if (offScreen_) {
        HDC memory = CreateCompatibleDC(target);
        RECT device = area_;
        LPtoDP(target, reinterpret_cast<POINT*>(&device), 2);
        bitmap_ = CreateCompatibleBitmap(target, device.right - device.left, device.bottom - device.top);
        if (memory == nullptr || bitmap_ == nullptr) {
            // Without a buffer, drawing straight onto the target is still correct.
            if (memory) DeleteDC(memory);
            if (bitmap_) DeleteObject(bitmap_);
            bitmap_ = nullptr;
            offScreen_ = false;
        } else {
            drawing_ = memory;
            previousBitmap_ = SelectObject(drawing_, bitmap_);
            SetMapMode(drawing_, GetMapMode(target));
            SIZE extent{};
            GetWindowExtEx(target, &extent);
            SetWindowExtEx(drawing_, extent.cx, extent.cy, nullptr);
            GetViewportExtEx(target, &extent);
            SetViewportExtEx(drawing_, extent.cx, extent.cy, nullptr);
            SetWindowOrgEx(drawing_, area_.left, area_.top, nullptr);
        }
    }
    const COLORREF background = GetBkColor(target);
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(drawing_, &area_, brush);
    DeleteObject(brush);
}

CHvMemDC::~CHvMemDC() {
    if (!offScreen_) return;
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, drawing_, area_.left,
           area_.top, SRCCOPY);
    SelectObject(drawing_, previousBitmap_);
    DeleteObject(bitmap_);
    DeleteDC(drawing_);
}
