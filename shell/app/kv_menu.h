#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

// One item of a KVMenu: its text and its own one-image list.
struct KVMenuData {
    std::wstring text;
    UINT type = 0;  // MFT_RADIOCHECK for a radio item
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
    // An item of a menu resource: id 0 makes a separator (keeping MF_POPUP); the
    // item's icon comes from the program-wide list by its id. Sets the icon size of
    // every menu to 16 x 16.
    bool AppendODMenu(const std::wstring& text, UINT flags, UINT id, HMENU popup = nullptr);
    // Rebuilds the MENU resource `id` of `module` with owner-drawn items; each
    // popup becomes a KVMenu of its own. False when there is no such resource.
    bool LoadMenu(HMODULE module, UINT id);
    // The popup at `position` that LoadMenu made; null when there is none.
    KVMenu* SubMenu(int position) const;

    // The program-wide image list, shared by every menu, and the command id of each
    // of its images in order. The list stays the caller's.
    static void SetProgramImages(HIMAGELIST images, std::vector<UINT> ids);
    // The size of the icon column's images: 19 x 19 until a menu resource is loaded.
    static SIZE IconSize();
    // WM_MEASUREITEM and WM_DRAWITEM of a menu item of any live KVMenu; false when
    // the item is not one of theirs.
    static bool HandleMenuMessage(UINT message, LPARAM lParam);

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
    explicit KVMenu(HMENU adopted);
    void DrawItemFlat(const DRAWITEMSTRUCT& draw, const KVMenuData& data) const;
    void DrawItemFlatContent(HDC dc, const DRAWITEMSTRUCT& draw, const KVMenuData& data) const;
    void DrawItemClassic(const DRAWITEMSTRUCT& draw, const KVMenuData& data) const;
    bool Owns(const KVMenuData* data) const;
    void Register();
    void Unregister();
    // Appends an owner-drawn copy of every item of `source`, popups as menus of
    // their own.
    void AppendFrom(HMENU source);

    HMENU menu_ = nullptr;
    bool ownsHandle_ = true;  // a sub-menu's handle goes with its parent's
    std::vector<std::unique_ptr<KVMenuData>> items_;
    std::vector<std::unique_ptr<KVMenu>> subMenus_;
};

// A memory DC over `rect` of `target` that copies itself back when it ends (a
// printing DC is drawn on directly).
class KVMenuMemDC {
public:
    KVMenuMemDC(HDC target, const RECT& rect);
    ~KVMenuMemDC();
    KVMenuMemDC(const KVMenuMemDC&) = delete;
    KVMenuMemDC& operator=(const KVMenuMemDC&) = delete;
    HDC Get() const { return memory_ != nullptr ? memory_ : target_; }

private:
    HDC target_;
    RECT rect_;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
};

// Pixels of an icon drawn grayed: each that differs from the pixel at (1, 1), the
// icon's background, takes `colour`.
void PaintSilhouette(HDC dc, const RECT& icon, COLORREF background, COLORREF colour);

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
