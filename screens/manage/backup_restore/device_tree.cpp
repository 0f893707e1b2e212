#include "screens/manage/backup_restore/device_tree.h"

#include <cwctype>
#include <map>

#include "scan/driver_scan_update.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "screens/manage/backup_restore/tree_view_items.h"

namespace {

constexpr uint32_t kAbsentNodeStatus = 13;
constexpr int kOwnIconCount = 8;
constexpr int kCheckedStateImage = 2;

std::wstring ClassGuidText(const std::wstring& classKey) {
    const size_t close = classKey.find(L'}');
    if (classKey.empty() || classKey[0] != L'{' || close == std::wstring::npos) return {};
    std::wstring guid = classKey.substr(0, close + 1);
    for (wchar_t& c : guid) c = static_cast<wchar_t>(std::towlower(c));
    return guid;
}

// Calls `take` with the item data of every checked device item from `item` on, at
// any depth, in the order the tree shows them.
template <typename Take>
void ForEachCheckedDevice(HWND tree, HTREEITEM item, const Take& take) {
    for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        const LPARAM data = TreeItemData(tree, item);
        if (data != kCategoryTreeItem && TreeItemStateImage(tree, item) == kCheckedStateImage) take(item, data);
        if (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr) ForEachCheckedDevice(tree, child, take);
    }
}

// Category items are compared case-sensitively, as the backup tree does.
HTREEITEM FindCategory(HWND tree, const std::wstring& category) {
    for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        if (TreeItemText(tree, item) == category) return item;
    }
    return nullptr;
}

}  // namespace

int OwnClassIconIndex(const std::wstring& classKey) {
    static const std::map<std::wstring, int> kKnown = {
        {L"{4d36e97d-e325-11ce-bfc1-08002be10318}", 1},  // system devices
        {L"{4d36e968-e325-11ce-bfc1-08002be10318}", 2},  // display adapters
        {L"{4d36e972-e325-11ce-bfc1-08002be10318}", 3},  // network adapters
        {L"{4d36e96c-e325-11ce-bfc1-08002be10318}", 4},  // sound
        {L"{4d36e967-e325-11ce-bfc1-08002be10318}", 5},  // disk drives
        {L"{4d36e96a-e325-11ce-bfc1-08002be10318}", 5},  // disk controllers
        {L"{4d36e97b-e325-11ce-bfc1-08002be10318}", 5},  // storage controllers
        {L"{4d36e96b-e325-11ce-bfc1-08002be10318}", 6},  // keyboards
        {L"{4d36e96f-e325-11ce-bfc1-08002be10318}", 6},  // mice
        {L"{745a17a0-74d3-11d0-b6fe-00a0c90f57da}", 6},  // human interface devices
        {L"{36fc9e60-c465-11cf-8056-444553540000}", 7},  // USB controllers
    };
    const auto found = kKnown.find(ClassGuidText(classKey));
    return found == kKnown.end() ? 0 : found->second;
}

DeviceClassImages::DeviceClassImages(const SP_CLASSIMAGELIST_DATA* system) {
    if (system != nullptr && system->ImageList != nullptr && ImageList_GetImageCount(system->ImageList) > 0) {
        system_ = system;
        list_ = system->ImageList;
        return;
    }
    own_.Reset(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, kOwnIconCount, 0));
    for (int i = 0; i < kOwnIconCount && own_; ++i) {
        HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_CLASS_FIRST + i),
                                                   IMAGE_ICON, 16, 16, LR_SHARED));
        if (icon != nullptr) ImageList_AddIcon(own_.Get(), icon);
    }
    list_ = own_.Get();
}

int DeviceClassImages::IndexOf(const std::wstring& classKey) const {
    if (system_ == nullptr) return OwnClassIconIndex(classKey);
    GUID guid{};
    std::wstring text = ClassGuidText(classKey);
    int index = 0;
    if (!text.empty() && CLSIDFromString(text.data(), &guid) == NOERROR &&
        SetupDiGetClassImageIndex(const_cast<SP_CLASSIMAGELIST_DATA*>(system_), &guid, &index)) {
        return index;
    }
    return 0;
}

bool IsListedForBackup(const DriverInfoRecord& device) {
    return device.isUnknownDevice == 0 && device.nodeStatusResult != kAbsentNodeStatus;
}

void FillDeviceTree(HWND tree, const CDriverScanUpdate& engine, const DeviceClassImages& images) {
    TreeView_SetImageList(tree, images.List(), TVSIL_NORMAL);
    if (TreeView_GetCount(tree) > 0) TreeView_DeleteAllItems(tree);
    if (engine.inventoryReady == 0 || engine.DeviceCount() == 0) return;

    std::map<std::wstring, HTREEITEM> categories;
    bool firstCategory = true;
    const size_t count = std::min(engine.devices.size(), static_cast<size_t>(engine.DeviceCount()));
    for (size_t i = 0; i < count; ++i) {
        const DriverInfoRecord& device = engine.devices[i];
        if (!IsListedForBackup(device)) continue;
        const int image = images.IndexOf(device.driverKey);
        HTREEITEM& category = categories[device.category];
        if (category == nullptr) {
            category = InsertTreeItem(tree, TVI_ROOT, device.category, kCategoryTreeItem, image);
            // Every category but the first opens as soon as it exists; the first is
            // opened once it has its devices.
            if (!firstCategory) TreeView_Expand(tree, category, TVE_EXPAND);
        }
        InsertTreeItem(tree, category, device.deviceName, static_cast<LPARAM>(i), image);
        if (firstCategory) {
            TreeView_Expand(tree, category, TVE_EXPAND);
            firstCategory = false;
        }
    }
    UncheckAllTreeItems(tree);
}

namespace {

void UncheckFrom(HWND tree, HTREEITEM item) {
    for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        TreeView_SetItemState(tree, item, INDEXTOSTATEIMAGEMASK(1), TVIS_STATEIMAGEMASK);
        UncheckFrom(tree, TreeView_GetChild(tree, item));
    }
}

bool CheckedFrom(const CTreeXCtrl& tree, HTREEITEM item) {
    for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        if (tree.GetCheckState(item) != CTreeXCtrl::kChecked || !CheckedFrom(tree, TreeView_GetChild(tree, item))) {
            return false;
        }
    }
    return true;
}

}  // namespace

void UncheckAllTreeItems(HWND tree) { UncheckFrom(tree, TreeView_GetRoot(tree)); }

int CountDeviceItems(const CTreeXCtrl& tree, bool checkedOnly) {
    int count = 0;
    for (HTREEITEM root = TreeView_GetRoot(tree); root != nullptr; root = TreeView_GetNextSibling(tree, root)) {
        for (HTREEITEM item = TreeView_GetChild(tree, root); item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
            if (!checkedOnly || tree.GetCheckState(item) == CTreeXCtrl::kChecked) ++count;
        }
    }
    return count;
}

void SetAllChecks(const CTreeXCtrl& tree, int state) {
    for (HTREEITEM root = TreeView_GetRoot(tree); root != nullptr; root = TreeView_GetNextSibling(tree, root)) {
        tree.SetCheckState(root, state);
        for (HTREEITEM item = TreeView_GetChild(tree, root); item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
            tree.SetCheckState(item, state);
        }
    }
}

bool EveryItemChecked(const CTreeXCtrl& tree) {
    return TreeView_GetCount(tree) > 0 && CheckedFrom(tree, TreeView_GetRoot(tree));
}

void FillRestoreTree(HWND tree, const DriverInfoArray& records, const DeviceClassImages& images) {
    TreeView_DeleteAllItems(tree);
    for (size_t i = 0; i < records.size(); ++i) {
        const DriverInfoRecord& record = records[i];
        const int image = images.IndexOf(record.driverKey);
        HTREEITEM category = FindCategory(tree, record.category);
        if (category == nullptr) category = InsertTreeItem(tree, TVI_ROOT, record.category, kCategoryTreeItem, image);
        InsertTreeItem(tree, category, record.deviceName, static_cast<LPARAM>(i), image);
        TreeView_Expand(tree, category, TVE_EXPAND);
    }
    InvalidateRect(tree, nullptr, FALSE);
}

std::vector<int> CheckedDeviceIndexes(HWND tree) {
    std::vector<int> indexes;
    ForEachCheckedDevice(tree, TreeView_GetRoot(tree),
                         [&](HTREEITEM, LPARAM data) { indexes.push_back(static_cast<int>(data)); });
    return indexes;
}

std::vector<RestoreChoice> CheckedArchiveMembers(HWND tree) {
    std::vector<RestoreChoice> members;
    ForEachCheckedDevice(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, LPARAM data) {
        members.push_back({TreeItemText(tree, item), static_cast<long long>(data)});
    });
    return members;
}

const DriverInfoRecord* BackupTreeRecord(HWND tree, HTREEITEM item, const CDriverScanUpdate& engine) {
    if (item == nullptr) return nullptr;
    const LPARAM data = TreeItemData(tree, item);
    if (data < 0 || data >= engine.DeviceCount() || static_cast<size_t>(data) >= engine.devices.size()) return nullptr;
    return &engine.devices[static_cast<size_t>(data)];
}

void DrawDeviceClassIcon(HWND tree, HTREEITEM item, const CDriverScanUpdate& engine,
                         const DeviceClassImages& images, HDC dc, int x, int y) {
    const DriverInfoRecord* record = BackupTreeRecord(tree, item, engine);
    if (record == nullptr || images.List() == nullptr) return;
    ImageList_Draw(images.List(), images.IndexOf(record->driverKey), dc, x, y, ILD_TRANSPARENT);
}
