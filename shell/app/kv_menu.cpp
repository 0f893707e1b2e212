#include "shell/app/kv_menu.h"

#include <algorithm>
#include <cwctype>
#include <new>

namespace {

constexpr COLORREF kSelectionColour = RGB(177, 213, 238);
constexpr int kTextGap = 8;

struct ScopedGdiObject {
    HGDIOBJ object;
    ~ScopedGdiObject() {
        if (object != nullptr) DeleteObject(object);
    }
};

HFONT CreateMenuFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void Frame(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, &rect, brush);
    DeleteObject(brush);
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.rbegin(), end.rend(), text.rbegin(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

void DrawTexts(HDC dc, const RECT& area, const MenuTextParts& parts, int iconWidth) {
    RECT left = area;
    DrawTextW(dc, parts.label.c_str(), -1, &left, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (parts.accelerator.empty()) return;
    RECT right = area;
    right.right -= iconWidth;
    DrawTextW(dc, parts.accelerator.c_str(), -1, &right, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace

KVMenuData::~KVMenuData() {
    if (imageList != nullptr) ImageList_Destroy(imageList);
}

bool IsClassicThemeFile(const std::wstring& themeFile) {
    return EndsWithNoCase(themeFile, L"Windows Classic.theme");
}

MenuTextParts SplitMenuText(const std::wstring& text) {
    const std::size_t first = text.find(L'\t');
    if (first == std::wstring::npos) return {text, L""};
    return {text.substr(0, first), text.substr(text.rfind(L'\t') + 1)};
}

COLORREF LightenColour(COLORREF colour, double factor) {
    const auto channel = [factor](int value) { return static_cast<int>(value + factor * (255 - value) + 0.5); };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

COLORREF DarkenColour(COLORREF colour, double factor) {
    const auto channel = [factor](int value) { return static_cast<int>(value * (1.0 - factor) + 0.5); };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

KVMenu::KVMenu() : menu_(CreatePopupMenu()) {}

KVMenu::~KVMenu() { DestroyMenu(); }

void KVMenu::DestroyMenu() {
    if (menu_ != nullptr) ::DestroyMenu(menu_);
    menu_ = nullptr;
    items_.clear();
}

bool KVMenu::AppendMenuItem(const std::wstring& text, UINT id, HIMAGELIST images, int imageIndex) {
    if (menu_ == nullptr) return false;
    std::unique_ptr<KVMenuData> data(new (std::nothrow) KVMenuData);
    if (!data) return false;
    data->text = text;
    if (images != nullptr) {
        data->imageList = AddIconToImageList(imageIndex, images);
        if (data->imageList != nullptr) {
            data->imageIndex = 0;
            data->bitmapOffset = 0;
        }
    }
    data->id = id;
    data->flags = id == 0 ? MF_OWNERDRAW | MF_SEPARATOR : MF_OWNERDRAW;
    if (!AppendMenuW(menu_, data->flags, id, reinterpret_cast<LPCWSTR>(data.get()))) return false;
    items_.push_back(std::move(data));
    return true;
}

HIMAGELIST KVMenu::AddIconToImageList(int index, HIMAGELIST source) {
    if (source == nullptr || index < 0) return nullptr;
    HICON icon = ImageList_GetIcon(source, index, ILD_NORMAL);
    if (icon == nullptr) return nullptr;
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(source, &width, &height);
    HIMAGELIST target = ImageList_Create(width, height, ILC_COLORDDB | ILC_MASK, 1, 1);
    if (target != nullptr) ImageList_AddIcon(target, icon);
    DestroyIcon(icon);
    return target;
}

void KVMenu::MeasureItem(MEASUREITEMSTRUCT& measure) const {
    const auto* data = reinterpret_cast<const KVMenuData*>(measure.itemData);
    if (data == nullptr) return;
    if (data->flags & MF_SEPARATOR) {
        measure.itemWidth = 0;
        measure.itemHeight = 3;
        return;
    }
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    ScopedGdiObject font{CreateMenuFont()};
    HGDIOBJ old = font.object != nullptr ? SelectObject(dc, font.object) : nullptr;
    SIZE extent{};
    GetTextExtentPoint32W(dc, data->text.c_str(), static_cast<int>(data->text.size()), &extent);
    if (old != nullptr) SelectObject(dc, old);
    ReleaseDC(desktop, dc);
    measure.itemWidth = static_cast<UINT>(extent.cx + iconSize_.cx + 4 + kTextGap);
    measure.itemHeight = static_cast<UINT>(std::max<int>(iconSize_.cy + 4, GetSystemMetrics(SM_CYMENU)));
}

bool KVMenu::UsesClassicLook(HDC dc) { return (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0; }

void KVMenu::DrawItem(const DRAWITEMSTRUCT& draw) const {
    const auto* data = reinterpret_cast<const KVMenuData*>(draw.itemData);
    if (data == nullptr || draw.CtlType != ODT_MENU) return;
    if (UsesClassicLook(draw.hDC)) DrawItemClassic(draw, *data);
    else DrawItemFlat(draw, *data);
}

void KVMenu::DrawItemFlat(const DRAWITEMSTRUCT& draw, const KVMenuData& data) const {
    HDC dc = draw.hDC;
    const RECT item = draw.rcItem;
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF textArea = DarkenColour(window, 0.02);
    const COLORREF iconColumn = LightenColour(window, 0.25);
    const int columnWidth = iconSize_.cx + 4;
    RECT column = item;
    column.right = column.left + columnWidth;
    RECT text = item;
    text.left = column.right;

    if (data.flags & MF_SEPARATOR) {
        Fill(dc, text, textArea);
        Fill(dc, column, iconColumn);
        RECT line = item;
        line.left = text.left + kTextGap;
        line.top = (item.top + item.bottom) / 2;
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }

    const bool grayed = (draw.itemState & ODS_GRAYED) != 0;
    const bool selected = !grayed && (draw.itemState & ODS_SELECTED) != 0;
    if (selected) {
        Fill(dc, item, LightenColour(kSelectionColour, 0.85));
        Frame(dc, item, kSelectionColour);
    } else {
        Fill(dc, text, textArea);
        Fill(dc, column, iconColumn);
    }

    if (data.imageList != nullptr && data.imageIndex >= 0) {
        const int x = column.left + (columnWidth - iconSize_.cx) / 2;
        const int y = item.top + (item.bottom - item.top - iconSize_.cy) / 2;
        ImageList_Draw(data.imageList, data.imageIndex, dc, x, y, grayed ? ILD_BLEND50 : ILD_TRANSPARENT);
    }

    ScopedGdiObject font{CreateMenuFont()};
    HGDIOBJ old = font.object != nullptr ? SelectObject(dc, font.object) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    RECT textRect = text;
    textRect.left += kTextGap;
    DrawTexts(dc, textRect, SplitMenuText(data.text), iconSize_.cx);
    if (old != nullptr) SelectObject(dc, old);
}

void KVMenu::DrawItemClassic(const DRAWITEMSTRUCT& draw, const KVMenuData& data) const {
    HDC dc = draw.hDC;
    const RECT item = draw.rcItem;
    const bool xpStyled = GetWindowsFamilyCode() == 7 && !IsClassicTheme();
    Fill(dc, item, GetSysColor(xpStyled ? COLOR_BTNFACE : COLOR_MENU));
    if (data.flags & MF_SEPARATOR) {
        RECT line = item;
        line.top = (item.top + item.bottom) / 2;
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool grayed = (draw.itemState & ODS_GRAYED) != 0;
    if (selected) {
        RECT highlight = item;
        highlight.left += iconSize_.cx + 5;
        Fill(dc, highlight, GetSysColor(COLOR_HIGHLIGHT));
    }
    RECT box{item.left, item.top, item.left + iconSize_.cx + 4, item.top + iconSize_.cy + 4};
    OffsetRect(&box, 0, (item.bottom - item.top - (iconSize_.cy + 4)) / 2);
    if (data.imageList != nullptr && data.imageIndex >= 0) {
        ImageList_Draw(data.imageList, data.imageIndex, dc, box.left + 2, box.top + 2, ILD_TRANSPARENT);
        if (selected) DrawEdge(dc, &box, BDR_RAISEDINNER, BF_RECT);
    }
    RECT text = item;
    text.left += iconSize_.cx + 9;
    SetBkMode(dc, TRANSPARENT);
    const MenuTextParts parts = SplitMenuText(data.text);
    if (grayed && !selected) {
        RECT shadow = text;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTexts(dc, shadow, parts, iconSize_.cx);
    }
    SetTextColor(dc, GetSysColor(grayed ? (selected ? COLOR_MENU : COLOR_GRAYTEXT)
                                        : (selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT)));
    DrawTexts(dc, text, parts, iconSize_.cx);
}

bool KVMenu::IsClassicTheme() {
    static const bool classic = [] {
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Plus!\\Themes\\Current", nullptr, RRF_RT_REG_SZ,
                         nullptr, value, &size) != ERROR_SUCCESS) {
            return false;
        }
        return IsClassicThemeFile(value);
    }();
    return classic;
}

int KVMenu::GetWindowsFamilyCode() {
    static const int code = [] {
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExW(&info)) return 1;
#pragma GCC diagnostic pop
        if (info.dwPlatformId == VER_PLATFORM_WIN32s) return 0;
        if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
            if (info.dwMinorVersion == 0) return 2;
            return info.dwMinorVersion < 90 ? 3 : 4;
        }
        if (info.dwMajorVersion == 4) return 5;
        if (info.dwMajorVersion == 5) return info.dwMinorVersion == 0 ? 6 : 7;
        return 1;
    }();
    return code;
}
