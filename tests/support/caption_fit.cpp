#include "tests/support/caption_fit.h"

namespace {

// What a control leaves for its caption: the box of a check box or radio button
// and the frame of a group box or push button take their share.
int CaptionRoom(HWND control, const RECT& client) {
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    const int width = client.right - client.left;
    if (lstrcmpiW(className, L"Button") != 0) return width;
    switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
        case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
            return width - GetSystemMetrics(SM_CXMENUCHECK) - 4;
        case BS_GROUPBOX: return width - 16;
        case BS_OWNERDRAW: return -1;  // draws its own caption
        default: return width - 6;
    }
}

// The rectangle `text` takes in `font`, at most `width` wide when it wraps.
RECT Measure(const std::wstring& text, HFONT font, int width, bool wraps) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT needed{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return needed;
}

LONG LineHeight(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return metrics.tmHeight;
}

BOOL CALLBACK CollectCutCaption(HWND control, LPARAM context) {
    auto* cut = reinterpret_cast<std::vector<CutCaption>*>(context);
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    if (lstrcmpiW(className, L"Button") != 0 && lstrcmpiW(className, L"Static") != 0) return TRUE;
    wchar_t text[512] = {};
    if (GetWindowTextW(control, text, 512) == 0) return TRUE;
    RECT client{};
    GetClientRect(control, &client);
    const int room = CaptionRoom(control, client);
    if (room < 0) return TRUE;
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    // A control tall enough for two lines wraps its caption; a one-line control cuts it.
    const bool wraps = client.bottom >= 2 * LineHeight(font);
    const RECT needed = Measure(text, font, room, wraps);
    if (needed.right > room || (wraps && needed.bottom > client.bottom)) {
        cut->push_back({text, {needed.right, needed.bottom}, room, client.bottom});
    }
    return TRUE;
}

}  // namespace

void CollectCutCaptions(HWND parent, std::vector<CutCaption>& cut) {
    EnumChildWindows(parent, CollectCutCaption, reinterpret_cast<LPARAM>(&cut));
}

void CheckDrawnText(const std::wstring& text, const RECT& rect, HFONT font, UINT format,
                    std::vector<CutCaption>& cut) {
    if (text.empty()) return;
    const int width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    const bool wraps = (format & DT_WORDBREAK) != 0 && (format & DT_SINGLELINE) == 0;
    const RECT needed = Measure(text, font, width, wraps);
    if (needed.right > width || needed.bottom > height) cut.push_back({text, {needed.right, needed.bottom}, width, height});
}

std::wstring FolderOfTest() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 4 + 1, '\0');
    const int written = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                                            static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(written > 0 ? written : 0);
    return bytes;
}
