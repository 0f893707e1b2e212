#include "shell/app/dialog_placement.h"

#include <cmath>

#include "foundation/language_table.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "foundation/window_helpers.h"

namespace {

constexpr double kHorizontalScale = 1.5016077;
constexpr double kVerticalScale = 1.62378;
constexpr wchar_t kBuiltInHelpAddress[] = L"https://www.brennavik.com/help";

bool MoveItem(HWND dialog, int id, int x, int y, int width, int height) {
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) return false;
    MoveWindow(item, x, y, width, height, TRUE);
    InvalidateRect(item, nullptr, TRUE);
    return true;
}

// A check box or radio button draws its box left of the caption: sized by the
// caption alone it would cut the caption's end.
int CheckBoxRoom(HWND item) {
    wchar_t className[16] = {};
    GetClassNameW(item, className, 16);
    if (lstrcmpiW(className, L"Button") != 0) return 0;
    switch (GetWindowLongW(item, GWL_STYLE) & BS_TYPEMASK) {
        case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
        case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
            return GetSystemMetrics(SM_CXMENUCHECK) + 4;
        default: return 0;
    }
}

}  // namespace

int DialogUnitsToPixelsX(double units) { return static_cast<int>(std::ceil(units * kHorizontalScale)); }
int DialogUnitsToPixelsY(double units) { return static_cast<int>(std::ceil(units * kVerticalScale)); }
int PixelsToDialogUnitsX(int pixels) { return static_cast<int>(std::floor(pixels / kHorizontalScale)); }

bool PlaceDlgItem(HWND dialog, int id, int x, int y) {
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) return false;
    const int length = GetWindowTextLengthW(item);
    std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(item, caption.data(), length + 1);
    caption.resize(static_cast<size_t>(length));
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0));
    const int width = MeasureCaptionWidth(caption, font, 0) + CheckBoxRoom(item);
    return MoveItem(dialog, id, DialogUnitsToPixelsX(x), DialogUnitsToPixelsY(y), width, DialogUnitsToPixelsY(10));
}

bool PlaceDlgItemRect(HWND dialog, int id, int x, int y, int width, int height) {
    return MoveItem(dialog, id, DialogUnitsToPixelsX(x), DialogUnitsToPixelsY(y), DialogUnitsToPixelsX(width),
                    DialogUnitsToPixelsY(height));
}

void FitDialogToClient(HWND window) {
    RECT client{};
    if (!GetClientRect(window, &client)) return;
    SetWindowPos(window, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring HelpPageAddress() {
    return ReadRegStringDefault(HKEY_LOCAL_MACHINE, kProductKeyPath, L"HelpUrl", kBuiltInHelpAddress);
}

// Only a web address is opened: the value could as well name a program.
void OpenHelpPage() { OpenUrlInBrowser(HelpPageAddress()); }
