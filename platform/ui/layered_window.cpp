#include "platform/ui/layered_window.h"

namespace {

using SetLayeredWindowAttributesFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

SetLayeredWindowAttributesFunction LayeredAttributesEntry() {
    // Looked up once; only the UI thread calls this.
    static const auto entry = reinterpret_cast<SetLayeredWindowAttributesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetLayeredWindowAttributes")));
    return entry;
}

}  // namespace

BOOL SetLayeredAlpha(HWND window, BYTE alpha) {
    const auto setAttributes = LayeredAttributesEntry();
    if (setAttributes == nullptr) return FALSE;
    const LONG style = GetWindowLongW(window, GWL_EXSTYLE);
    SetLastError(ERROR_SUCCESS);
    if (SetWindowLongW(window, GWL_EXSTYLE, style | WS_EX_LAYERED) == 0 && GetLastError() != ERROR_SUCCESS) {
        return FALSE;
    }
    return setAttributes(window, RGB(255, 255, 255), alpha, LWA_ALPHA);
}
