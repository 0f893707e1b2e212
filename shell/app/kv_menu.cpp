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

// What all menus of this kind share for the run.
struct ProgramMenus {
    std::vector<const KVMenu*> menus;
    HIMAGELIST images = nullptr;
    std::vector<UINT> imageIds;
    SIZE iconSize{19, 19};
};
ProgramMenus& Program() {
    static ProgramMenus program;
    return program;
}

int GlobalImageIndexOf(UINT id) {
    const std::vector<UINT>& ids = Program().imageIds;
    const auto found = std::find(ids.begin(), ids.end(), id);
    return found == ids.end() || id == 0 ? -1 : static_cast<int>(found - ids.begin());
}

void DrawCheck(HDC dc, const RECT& box, bool radio) {
    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_MENUTEXT));
    HPEN pen = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_MENUTEXT));
    const HGDIOBJ oldBrush = SelectObject(dc, brush);
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    const int cx = (box.left + box.right) / 2;
    const int cy = (box.top + box.bottom) / 2;
    if (radio) {
        Ellipse(dc, cx - 3, cy - 3, cx + 3, cy + 3);
    } else {
        const POINT tick[] = {{cx - 4, cy}, {cx - 1, cy + 3}, {cx + 4, cy - 3}};
        Polyline(dc, tick, 3);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

}  // namespace

KVMenuMemDC::KVMenuMemDC(HDC target, const RECT& rect) : target_(target), rect_(rect) {
    if (GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER) return;
    memory_ = CreateCompatibleDC(target);
    bitmap_ = CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top);
    if (memory_ == nullptr || bitmap_ == nullptr) {
        if (memory_ != nullptr) DeleteDC(memory_);
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        memory_ = nullptr;
        bitmap_ = nullptr;
        return;
    }
    oldBitmap_ = SelectObject(memory_, bitmap_);
    SetWindowOrgEx(memory_, rect.left, rect.top, nullptr);
}

KVMenuMemDC::~KVMenuMemDC() {
    if (memory_ == nullptr) return;
    BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, memory_, rect_.left,
           rect_.top, SRCCOPY);
    SelectObject(memory_, oldBitmap_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
}

void PaintSilhouette(HDC dc, const RECT& icon, COLORREF background, COLORREF colour) {
    for (int y = icon.top; y < icon.bottom; ++y) {
        for (int x = icon.left; x < icon.right; ++x) {
            if (GetPixel(dc, x, y) != background) SetPixel(dc, x, y, colour);
        }
    }
}

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

KVMenu::KVMenu() : menu_(CreatePopupMenu()) { Register(); }

KVMenu::KVMenu(HMENU adopted) : menu_(adopted), ownsHandle_(false) { Register(); }

KVMenu::~KVMenu() {
    DestroyMenu();
    Unregister();
}

void KVMenu::Register() { Program().menus.push_back(this); }

void KVMenu::Unregister() {
    auto& menus = Program().menus;
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
}

void KVMenu::DestroyMenu() {
    subMenus_.clear();
    if (menu_ != nullptr && ownsHandle_) ::DestroyMenu(menu_);
    menu_ = nullptr;
    items_.clear();
}

bool KVMenu::Owns(const KVMenuData* data) const {
    return std::any_of(items_.begin(), items_.end(), [data](const auto& item) { return item.get() == data; });
}

void KVMenu::SetProgramImages(HIMAGELIST images, std::vector<UINT> ids) {
    Program().images = images;
    Program().imageIds = std::move(ids);
}

SIZE KVMenu::IconSize() { return Program().iconSize; }

bool KVMenu::HandleMenuMessage(UINT message, LPARAM lParam) {
    const bool measuring = message == WM_MEASUREITEM;
    if (!measuring && message != WM_DRAWITEM) return false;
    auto* measure = measuring ? reinterpret_cast<MEASUREITEMSTRUCT*>(lParam) : nullptr;
    const auto* draw = measuring ? nullptr : reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if ((measuring ? measure->CtlType : draw->CtlType) != ODT_MENU) return false;
    const auto* data = reinterpret_cast<const KVMenuData*>(measuring ? measure->itemData : draw->itemData);
    const auto& menus = Program().menus;
    const auto owner = std::find_if(menus.begin(), menus.end(), [data](const KVMenu* menu) { return menu->Owns(data); });
    if (owner == menus.end()) return false;
    if (measuring) (*owner)->MeasureItem(*measure);
    else (*owner)->DrawItem(*draw);
    return true;
}

bool KVMenu::AppendODMenu(const std::wstring& text, UINT flags, UINT id, HMENU popup) {
    if (menu_ == nullptr) return false;
    std::unique_ptr<KVMenuData> data(new (std::nothrow) KVMenuData);
    if (!data) return false;
    data->text = text;
    data->id = id;
    data->flags = id == 0 && popup == nullptr ? (flags & MF_POPUP) | MF_OWNERDRAW | MF_SEPARATOR : flags | MF_OWNERDRAW;
    data->type = flags & MFT_RADIOCHECK;
    data->globalImageIndex = GlobalImageIndexOf(id);
    Program().iconSize = {16, 16};
    const UINT_PTR item = popup != nullptr ? reinterpret_cast<UINT_PTR>(popup) : id;
    if (!AppendMenuW(menu_, data->flags | (popup != nullptr ? MF_POPUP : 0), item,
                     reinterpret_cast<LPCWSTR>(data.get()))) {
        return false;
    }
    items_.push_back(std::move(data));
    return true;
}

void KVMenu::AppendFrom(HMENU source) {
    const int count = GetMenuItemCount(source);
    for (int position = 0; position < count; ++position) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = static_cast<UINT>(std::size(text));
        if (!GetMenuItemInfoW(source, static_cast<UINT>(position), TRUE, &info)) continue;
        const UINT flags = (info.fState & (MFS_CHECKED | MFS_GRAYED)) | (info.fType & MFT_RADIOCHECK);
        if (info.hSubMenu != nullptr) {
            HMENU handle = CreatePopupMenu();
            if (handle == nullptr) continue;
            // Its handle goes with this menu's, as the system destroys nested popups.
            auto sub = std::unique_ptr<KVMenu>(new (std::nothrow) KVMenu(handle));
            if (!sub) {
                ::DestroyMenu(handle);
                continue;
            }
            sub->AppendFrom(info.hSubMenu);
            if (!AppendODMenu(text, flags | MF_POPUP, 0, handle)) {
                ::DestroyMenu(handle);
                continue;
            }
            subMenus_.push_back(std::move(sub));
        } else {
            AppendODMenu(text, flags, (info.fType & MFT_SEPARATOR) != 0 ? 0 : info.wID);
        }
    }
}

bool KVMenu::LoadMenu(HMODULE module, UINT id) {
    HMENU source = ::LoadMenuW(module, MAKEINTRESOURCEW(id));
    if (source == nullptr) return false;
    DestroyMenu();
    menu_ = CreatePopupMenu();
    ownsHandle_ = true;
    Program().iconSize = {16, 16};
    if (menu_ != nullptr) AppendFrom(source);
    ::DestroyMenu(source);
    return menu_ != nullptr;
}

KVMenu* KVMenu::SubMenu(int position) const {
    HMENU handle = GetSubMenu(menu_, position);
    for (const auto& sub : subMenus_) {
        if (sub->Handle() == handle && handle != nullptr) return sub.get();
    }
    return nullptr;
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
    measure.itemWidth = static_cast<UINT>(extent.cx + IconSize().cx + 4 + kTextGap);
    measure.itemHeight = static_cast<UINT>(std::max<int>(IconSize().cy + 4, GetSystemMetrics(SM_CYMENU)));
}

bool KVMenu::UsesClassicLook(HDC dc) { return (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0; }

void KVMenu::DrawItem(const DRAWITEMSTRUCT& draw) const {
    const auto* data = reinterpret_cast<const KVMenuData*>(draw.itemData);
    if (data == nullptr || draw.CtlType != ODT_MENU) return;
    if (UsesClassicLook(draw.hDC)) DrawItemClassic(draw, *data);
    else DrawItemFlat(draw, *data);
}

void KVMenu::DrawItemFlat(const DRAWITEMSTRUCT& draw, const KVMenuData& data) const {
    if ((draw.itemState & ODS_GRAYED) != 0 && (data.flags & MF_SEPARATOR) == 0) {
        // A grayed item is drawn aside and copied in whole, so its silhouette
        // never shows half drawn.
        const KVMenuMemDC memory(draw.hDC, draw.rcItem);
        DrawItemFlatContent(memory.Get(), draw, data);
        return;
    }
    DrawItemFlatContent(draw.hDC, draw, data);
}

void KVMenu::DrawItemFlatContent(HDC dc, const DRAWITEMSTRUCT& draw, const KVMenuData& data) const {
    const RECT item = draw.rcItem;
    const SIZE icon = IconSize();
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF textArea = DarkenColour(window, 0.02);
    const COLORREF iconColumn = LightenColour(window, 0.25);
    const int columnWidth = icon.cx + 4;
    RECT column = item;
    column.right = column.left + columnWidth;
    RECT text = item;
    text.left = column.right;

    if (data.flags & MF_SEPARATOR) {
        Fill(dc, text, textArea);
        Fill(dc, column, iconColumn);
        Frame(dc, column, iconColumn);
        RECT line = item;
        line.left = text.left + kTextGap;
        line.top = (item.top + item.bottom) / 2;
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }

    const bool grayed = (draw.itemState & ODS_GRAYED) != 0;
    const bool selected = !grayed && (draw.itemState & ODS_SELECTED) != 0;
    const bool checked = (draw.itemState & ODS_CHECKED) != 0;
    if (selected) {
        Fill(dc, item, LightenColour(kSelectionColour, 0.85));
        Frame(dc, item, kSelectionColour);
    } else {
        Fill(dc, text, textArea);
        Frame(dc, text, textArea);
        Fill(dc, column, iconColumn);
        Frame(dc, column, iconColumn);
    }

    HIMAGELIST images = data.imageList;
    int index = data.imageIndex;
    if (images == nullptr || index < 0) {
        images = Program().images;
        index = data.globalImageIndex;
    }
    int imageWidth = icon.cx;
    int imageHeight = icon.cy;
    if (images != nullptr) ImageList_GetIconSize(images, &imageWidth, &imageHeight);
    const int x = column.left + (columnWidth - imageWidth) / 2;
    const int y = item.top + (item.bottom - item.top - imageHeight) / 2;
    RECT box{x - 2, y - 2, x + imageWidth + 2, y + imageHeight + 2};
    if (images != nullptr && index >= 0) {
        if (checked) {
            Fill(dc, box, LightenColour(kSelectionColour, selected ? 0.55 : 0.85));
            Frame(dc, box, kSelectionColour);
        }
        ImageList_Draw(images, index, dc, x, y, ILD_TRANSPARENT);
        if (grayed) {
            const RECT drawn{x, y, x + imageWidth, y + imageHeight};
            PaintSilhouette(dc, drawn, GetPixel(dc, x + 1, y + 1), LightenColour(GetSysColor(COLOR_MENU), 0.49));
        }
    } else if (checked) {
        box = {column.left + 2, item.top + 2, column.right - 2, item.bottom - 2};
        Fill(dc, box, LightenColour(selected ? kSelectionColour : iconColumn, 0.6));
        Frame(dc, box, kSelectionColour);
        DrawCheck(dc, box, (data.type & MFT_RADIOCHECK) != 0);
    }

    ScopedGdiObject font{CreateMenuFont()};
    HGDIOBJ old = font.object != nullptr ? SelectObject(dc, font.object) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    RECT textRect = text;
    textRect.left += kTextGap;
    DrawTexts(dc, textRect, SplitMenuText(data.text), icon.cx);
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
        highlight.left += IconSize().cx + 5;
        Fill(dc, highlight, GetSysColor(COLOR_HIGHLIGHT));
    }
    RECT box{item.left, item.top, item.left + IconSize().cx + 4, item.top + IconSize().cy + 4};
    OffsetRect(&box, 0, (item.bottom - item.top - (IconSize().cy + 4)) / 2);
    const bool checked = (draw.itemState & ODS_CHECKED) != 0;
    HIMAGELIST images = data.imageList != nullptr && data.imageIndex >= 0 ? data.imageList : Program().images;
    const int index = data.imageList != nullptr && data.imageIndex >= 0 ? data.imageIndex : data.globalImageIndex;
    if (images != nullptr && index >= 0) {
        ImageList_Draw(images, index, dc, box.left + 2, box.top + 2, ILD_TRANSPARENT);
        if (checked) DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
        else if (selected) DrawEdge(dc, &box, BDR_RAISEDINNER, BF_RECT);
    } else if (checked) {
        DrawCheck(dc, box, (data.type & MFT_RADIOCHECK) != 0);
    }
    RECT text = item;
    text.left += IconSize().cx + 9;
    SetBkMode(dc, TRANSPARENT);
    const MenuTextParts parts = SplitMenuText(data.text);
    if (grayed && !selected) {
        RECT shadow = text;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTexts(dc, shadow, parts, IconSize().cx);
    }
    SetTextColor(dc, GetSysColor(grayed ? (selected ? COLOR_MENU : COLOR_GRAYTEXT)
                                        : (selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT)));
    DrawTexts(dc, text, parts, IconSize().cx);
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
