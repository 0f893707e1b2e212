#include "screens/manage/backup_restore/tree_view_items.h"

int TreeItemStateImage(HWND tree, HTREEITEM item) {
    return static_cast<int>((TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12);
}

LPARAM TreeItemData(HWND tree, HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_PARAM | TVIF_HANDLE;
    data.hItem = item;
    if (!TreeView_GetItem(tree, &data)) return kCategoryTreeItem;
    return data.lParam;
}

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    wchar_t text[512] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT | TVIF_HANDLE;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 512;
    if (!TreeView_GetItem(tree, &data)) return {};
    return text;
}

HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const std::wstring& text, LPARAM data, int image) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = data;
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    return TreeView_InsertItem(tree, &insert);
}
