#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// The backup and restore trees, read and filled through the plain tree-view
// messages, so the engine works with any tree control a page hands it.

// Item data of category items; device items carry a record index.
inline constexpr LPARAM kCategoryTreeItem = -1;

// 1 unchecked, 2 checked, 3 partly checked, 4 fixed.
int TreeItemStateImage(HWND tree, HTREEITEM item);
// kCategoryTreeItem when the item cannot be read.
LPARAM TreeItemData(HWND tree, HTREEITEM item);
std::wstring TreeItemText(HWND tree, HTREEITEM item);
// Inserts as the last child of `parent` (TVI_ROOT for a root item), with the same
// normal and selected image.
HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const std::wstring& text, LPARAM data, int image);
