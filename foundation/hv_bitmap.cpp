#include "foundation/hv_bitmap.h"

bool CHvBitmap::LoadBitmap(UINT resourceId, HINSTANCE module) {
    Release();
    const HINSTANCE source = module ? module : GetModuleHandleW(nullptr);
    bitmap_ = static_cast<HBITMAP>(
        LoadImageW(source, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap_ == nullptr) return false;
    BITMAP info{};
    if (GetObjectW(bitmap_, sizeof(info), &info) != 0) {
        width_ = info.bmWidth;
        height_ = info.bmHeight;
    }
    return true;
}

void CHvBitmap::Release() {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    bitmap_ = nullptr;
}
