#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

// One item of a KVMenu: its text and its own one-image list.
struct KVMenuData {
    std::wstring text;
    int imageIndex = -1;
    int globalImageIndex = -1;
    int bitmapOffset = -1;
    UINT flags = 0;
    UINT id = 0;
    HIMAGELIST imageList = nullptr;  // owned
    ~KVMenuData();
};

// An owner-drawn popup menu with an icon column (the language menu with its
// flags). The window that tracks it hands WM_MEASUREITEM and WM_DRAWITEM for menu
// items to MeasureItem and DrawItem.
class KVMenu {
public:
    KVMenu();
    ~KVMenu();
    KVMenu(const KVMenu&) = delete;
    KVMenu& operator=(const KVMenu&) = delete;

    HMENU Handle() const { return menu_; }
    // Appends an item (id 0: a separator) with a copy of `imageIndex` of `images`
    // as its icon. An item whose record cannot be made is not appended.
    bool AppendMenuItem(const std::wstring& text, UINT id, HIMAGELIST images, int imageIndex);
    std::size_t ItemCount() const { return items_.size(); }

    void MeasureItem(MEASUREITEMSTRUCT& measure) const;
    void DrawItem(const DRAWITEMSTRUCT& draw) const;
    void DestroyMenu();

    // True when the user's current theme file is the classic one.
    static bool IsClassicTheme();
    // 0 Win32s, 2 Windows 95, 3 Windows 98, 4 Me, 5 NT 4, 6 2000, 7 XP, 1 other NT.
    static int GetWindowsFamilyCode();
    // A one-image list at the source's icon size holding icon `index` of `source`.
    static HIMAGELIST AddIconToImageList(int index, HIMAGELIST source);

    // The classic look on palette displays, the flat one otherwise.
    static bool UsesClassicLook(HDC dc);

private:
    void DrawItemFlat(const DRAWITEMSTRUCT& draw, const KVMenuData& data) const;
    void DrawItemClassic(const DRAWITEMSTRUCT& draw, const KVMenuData& data) const;

    HMENU menu_ = nullptr;
    std::vector<std::unique_ptr<KVMenuData>> items_;
    SIZE iconSize_{16, 16};
};

// The part of an item text left of its first tab and the part right of its last.
struct MenuTextParts {
    std::wstring label;
    std::wstring accelerator;
};
MenuTextParts SplitMenuText(const std::wstring& text);

// The theme file named by the user's current theme is the classic one.
bool IsClassicThemeFile(const std::wstring& themeFile);

// A colour moved toward white by `factor` (0 keeps it, 1 gives white).
COLORREF LightenColour(COLORREF colour, double factor);
COLORREF DarkenColour(COLORREF colour, double factor);
