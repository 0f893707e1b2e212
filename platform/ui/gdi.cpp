#include "platform/ui/gdi.h"

#include <utility>

namespace ui {

bool MemoryCanvas::Create(HDC reference, const RECT& area) {
    Reset();
    ScopedMemoryDC dc(CreateCompatibleDC(reference));
    ScopedBitmap bitmap(CreateCompatibleBitmap(reference, area.right - area.left, area.bottom - area.top));
    if (!dc.Valid() || !bitmap.Valid()) return false;
    previous_ = SelectObject(dc.Get(), bitmap.Get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    area_ = area;
    return true;
}

void MemoryCanvas::Reset() {
    // The bitmap must be out of the context before either is deleted.
    if (dc_.Valid() && previous_ != nullptr) SelectObject(dc_.Get(), previous_);
    previous_ = nullptr;
    bitmap_.Reset();
    dc_.Reset();
    area_ = RECT{};
}

}  // namespace ui

CHvMemDC::CHvMemDC(HDC target, const RECT* area) : target_(target) {
    if (area) {
        area_ = *area;
    } else {
        GetClipBox(target, &area_);
    }
    if (GetDeviceCaps(target, TECHNOLOGY) != DT_RASPRINTER) {
        RECT device = area_;
        LPtoDP(target, reinterpret_cast<POINT*>(&device), 2);
        offScreen_ = canvas_.Create(target, device);
    }
    if (offScreen_) {
        HDC drawing = canvas_.Get();
        SetMapMode(drawing, GetMapMode(target));
        SIZE extent{};
        GetWindowExtEx(target, &extent);
        SetWindowExtEx(drawing, extent.cx, extent.cy, nullptr);
        GetViewportExtEx(target, &extent);
        SetViewportExtEx(drawing, extent.cx, extent.cy, nullptr);
        SetWindowOrgEx(drawing, area_.left, area_.top, nullptr);
    }
    ui::ScopedBrush background(CreateSolidBrush(GetBkColor(target)));
    FillRect(Get(), &area_, background.Get());
}

CHvMemDC::~CHvMemDC() {
    if (!offScreen_) return;
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, canvas_.Get(),
           area_.left, area_.top, SRCCOPY);
}
