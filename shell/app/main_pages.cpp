#include "shell/app/main_pages.h"

HWND EmptyPage::Create(HWND mainWindow, const RECT& place) {
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_CLIPSIBLINGS, place.left, place.top, place.right - place.left,
                              place.bottom - place.top, mainWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
    return window_;
}

EmptyPage::~EmptyPage() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}
