#include "foundation/hv_buffer_dc.h"

CHvBufferDC::CHvBufferDC(HDC compatibleWith, const RECT& area) { Create(compatibleWith, area); }

CHvBufferDC::~CHvBufferDC() { Reset(); }

bool CHvBufferDC::Create(HDC compatibleWith, const RECT& area) {
    Reset();
    context_ = CreateCompatibleDC(compatibleWith);
    bitmap_ = CreateCompatibleBitmap(compatibleWith, area.right - area.left, area.bottom - area.top);
    if (context_ == nullptr || bitmap_ == nullptr) {
        Reset();
        return false;
    }
    previousBitmap_ = SelectObject(context_, bitmap_);
    area_ = area;
    return true;
}

void CHvBufferDC::Reset() {
    if (context_ != nullptr && previousBitmap_ != nullptr) SelectObject(context_, previousBitmap_);
    if (context_ != nullptr) DeleteDC(context_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    context_ = nullptr;
    bitmap_ = nullptr;
    previousBitmap_ = nullptr;
    area_ = RECT{};
}
