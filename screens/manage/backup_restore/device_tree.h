#pragma once

#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "engine/backup_restore_runs.h"
#include "platform/ui/gdi.h"
#include "scan/driver_info_record.h"
#include "shell/toolkit/tree_x_ctrl.h"

class CDriverScanUpdate;

// The device class pictures of the backup and restore trees: the system's class
// image list where it has one, else the program's own small set (Wine has none).
class DeviceClassImages {
public:
    // `system` may be null or empty; it stays the system's.
    explicit DeviceClassImages(const SP_CLASSIMAGELIST_DATA* system);
    DeviceClassImages(const DeviceClassImages&) = delete;
    DeviceClassImages& operator=(const DeviceClassImages&) = delete;

    HIMAGELIST List() const { return list_; }
    // The picture of a class; `classKey` is a class GUID in registry form, or a
    // driver key that starts with one ("{guid}\0003"). 0 (a plain device) when the
    // text names no known class.
    int IndexOf(const std::wstring& classKey) const;

private:
    const SP_CLASSIMAGELIST_DATA* system_ = nullptr;
    ui::ScopedImageList own_;
    HIMAGELIST list_ = nullptr;
};

// Our own picture index of a class GUID text; 0 for anything unknown or malformed.
int OwnClassIconIndex(const std::wstring& classKey);

// Skipped by the backup tree and by a full backup: devices without a driver and
// absent ones.
bool IsListedForBackup(const DriverInfoRecord& device);

// Fills the backup tree from the engine's inventory: one root item per category
// name (compared exactly, so names differing in case get items of their own; item
// data -1), each listed device below its category with its inventory index.
// Nothing is listed before the inventory is ready.
void FillDeviceTree(HWND tree, const CDriverScanUpdate& engine, const DeviceClassImages& images);

// Fills the restore tree from the records of a loaded archive: one root item per
// category name (compared exactly; item data -1), each device below it with the
// index of its record, every category expanded.
void FillRestoreTree(HWND tree, const DriverInfoArray& records, const DeviceClassImages& images);

// What the user checked, for the runs: the inventory indexes of the checked device
// items of the backup tree, and the checked device items of the restore tree.
std::vector<int> CheckedDeviceIndexes(HWND tree);
std::vector<RestoreChoice> CheckedArchiveMembers(HWND tree);

// Gives every item of the tree, at any depth, an empty check box.
void UncheckAllTreeItems(HWND tree);

// The device items (children of the categories); with `checkedOnly` only the
// checked ones. A category's own box never counts.
int CountDeviceItems(const CTreeXCtrl& tree, bool checkedOnly);
// Gives every category and every device the same check state (select all).
void SetAllChecks(const CTreeXCtrl& tree, int state);
// True when the tree has items and every one of them is checked.
bool EveryItemChecked(const CTreeXCtrl& tree);

// The inventory record behind a backup tree item; null for a category item and for
// an index the inventory no longer has (a tree left from before a rescan).
const DriverInfoRecord* BackupTreeRecord(HWND tree, HTREEITEM item, const CDriverScanUpdate& engine);

// Draws the class picture of a device item at (x, y); nothing for a category.
void DrawDeviceClassIcon(HWND tree, HTREEITEM item, const CDriverScanUpdate& engine,
                         const DeviceClassImages& images, HDC dc, int x, int y);
