#include "engine/backup_restore_runs.h"

#include <windows.h>

#include <exception>
#include <mutex>

#include "engine/backup_archive_list.h"
#include "engine/backup_folder_paths.h"
#include "engine/backup_restore.h"
#include "engine/tree_view_items.h"
#include "engine/driver_restore.h"
#include "foundation/folders.h"
#include "engine/engine_texts.h"
#include "foundation/language_strings.h"
#include "scan/driver_scan_update.h"

std::atomic<bool> BackupAllDevicesFlag{false};

namespace {

constexpr uint32_t kAbsentNodeStatus = 13;
constexpr int kCheckedStateImage = 2;

std::mutex g_hooksGuard;
std::atomic<int32_t> g_backupCount{0};
std::function<void(int32_t)> g_backupCountReceiver;
std::function<void(const std::wstring&)> g_messageSink;

size_t TreeItemCount(HWND tree) { return static_cast<size_t>(TreeView_GetCount(tree)); }

// A stop that a screen asked for before the worker got going stays asked for.
void MarkIdleUnlessStopPending(CDriverScannerApp& engine) { engine.EnterIdleUnlessStopPending(); }

}  // namespace

void SetMainWindowBackupCountReceiver(std::function<void(int32_t)> receiver) {
    std::lock_guard<std::mutex> lock(g_hooksGuard);
    g_backupCountReceiver = std::move(receiver);
}

void StoreMainWindowBackupCount(int32_t count) {
    g_backupCount.store(count);
    std::function<void(int32_t)> receiver;
    {
        std::lock_guard<std::mutex> lock(g_hooksGuard);
        receiver = g_backupCountReceiver;
    }
    if (receiver) receiver(count);
}

int32_t MainWindowBackupCount() { return g_backupCount.load(); }

void SetRunMessageSink(std::function<void(const std::wstring&)> sink) {
    std::lock_guard<std::mutex> lock(g_hooksGuard);
    g_messageSink = std::move(sink);
}

void ShowRunMessage(const std::wstring& text) {
    std::function<void(const std::wstring&)> sink;
    {
        std::lock_guard<std::mutex> lock(g_hooksGuard);
        sink = g_messageSink;
    }
    if (sink) {
        sink(text);
    } else {
        MessageBoxW(nullptr, text.c_str(), GetAppTitle().c_str(), MB_OK | MB_ICONINFORMATION);
    }
}

bool CDriverScanUpdate::CopyDeviceToBackupList(int deviceIndex, int slot) {
    // Item data and slots come from a tree the screens fill; neither may reach past
    // its array.
    if (deviceIndex < 0 || deviceIndex >= DeviceCount() || static_cast<size_t>(deviceIndex) >= devices.size()) {
        return false;
    }
    if (slot < 0 || static_cast<size_t>(slot) >= backupSelection.size()) return false;
    const DriverInfoRecord& device = devices[static_cast<size_t>(deviceIndex)];
    DriverInfoRecord& record = backupSelection[static_cast<size_t>(slot)];
    const std::pair<const std::wstring*, std::wstring*> texts[] = {
        {&device.deviceName, &record.deviceName},   {&device.infPath, &record.infPath},
        {&device.driverVersion, &record.driverVersion}, {&device.category, &record.category},
        {&device.provider, &record.provider},       {&device.hardwareId, &record.hardwareId},
        {&device.driverKey, &record.driverKey},     {&device.driverDate, &record.driverDate},
        {&device.serviceName, &record.serviceName}, {&device.signer, &record.signer},
    };
    for (const auto& [from, to] : texts) {
        if (!from->empty()) *to = *from;
    }
    record.nodeStatusResult = device.nodeStatusResult;
    return true;
}

void CDriverScanUpdate::CollectCheckedDevices(HTREEITEM item) {
    for (; item != nullptr; item = TreeView_GetNextSibling(backupTree, item)) {
        const LPARAM data = TreeItemData(backupTree, item);
        if (TreeItemStateImage(backupTree, item) == kCheckedStateImage && data != kCategoryTreeItem &&
            static_cast<size_t>(backupSelectedCount) < backupSelection.size()) {
            CopyDeviceToBackupList(static_cast<int>(data), backupSelectedCount);
            ++backupSelectedCount;
            ++checkedCount;
        }
        if (HTREEITEM child = TreeView_GetChild(backupTree, item); child != nullptr) CollectCheckedDevices(child);
    }
}

void CDriverScanUpdate::CollectCheckedRestoreItems(HTREEITEM item) {
    for (; item != nullptr; item = TreeView_GetNextSibling(restoreTree, item)) {
        const LPARAM data = TreeItemData(restoreTree, item);
        if (TreeItemStateImage(restoreTree, item) == kCheckedStateImage && data != kCategoryTreeItem) {
            const std::wstring text = TreeItemText(restoreTree, item);
            const auto found = restoreSelectionMap.find(RestoreSelectionKey(text, static_cast<long long>(data)));
            if (found != restoreSelectionMap.end() &&
                static_cast<size_t>(restoreSelectedCount) < restoreSelection.size()) {
                const std::wstring& value = found->second;
                const size_t bar = value.find(L'|');
                const std::wstring hardwareId = value.substr(0, bar);
                const std::wstring category = bar == std::wstring::npos ? std::wstring() : value.substr(bar + 1);
                DriverInfoRecord& record = restoreSelection[static_cast<size_t>(restoreSelectedCount)];
                if (!text.empty()) record.deviceName = text;
                if (!category.empty()) record.category = category;
                if (!hardwareId.empty()) record.hardwareId = hardwareId;
                ++restoreSelectedCount;
            }
            ++checkedCount;
        }
        if (HTREEITEM child = TreeView_GetChild(restoreTree, item); child != nullptr) CollectCheckedRestoreItems(child);
    }
}

void CDriverScanUpdate::BackupSelectedDrivers() {
    try {
        operationKind = kBackupOperation;
        backupDone = 0;
        backupCancelled = 0;
        backupSelectedCount = 0;
        checkedCount = 0;
        backupCounter = 0;
        devicesNotBackedUp = 0;
        if (scanProgressWindow != nullptr) SendMessageW(scanProgressWindow, kProgressMessage, 0, 0);
        backupFolder = temporaryWorkFolder;
        // A full backup takes the devices themselves; only a partial one needs the tree.
        if (app_ == nullptr || (backupTree == nullptr && !BackupAllDevicesFlag)) return;
        backupSelection.clear();

        if (BackupAllDevicesFlag.exchange(false)) {
            backupSelection = DriverInfoRecord::NewArray(static_cast<size_t>(DeviceCount()) + 1);
            for (int i = 0; i < DeviceCount() && static_cast<size_t>(i) < devices.size(); ++i) {
                const DriverInfoRecord& device = devices[static_cast<size_t>(i)];
                if (device.isUnknownDevice != 0 || device.nodeStatusResult == kAbsentNodeStatus) continue;
                CopyDeviceToBackupList(i, backupSelectedCount);
                ++backupSelectedCount;
            }
        } else {
            backupSelection = DriverInfoRecord::NewArray(TreeItemCount(backupTree) + 1);
            CollectCheckedDevices(TreeView_GetRoot(backupTree));
        }
        StoreMainWindowBackupCount(backupSelectedCount);
        MarkIdleUnlessStopPending(*app_);

        BackupOutcome outcome;
        const int result = BackupOneDriver(
            *app_, backupFolder, backupSelection.data(), backupSelectedCount,
            [this](int percent) { ReportScanProgress(nullptr, percent); }, &outcome);
        backupSelection.clear();
        devicesNotBackedUp = static_cast<int32_t>(outcome.devicesNotBackedUp.size());
        if (result == EngineCode::kFinished) {
            backupSuccess = 1;
        } else if (result == EngineCode::kBackupStopRequest) {
            backupSuccess = 1;
            backupCancelled = 1;
        } else {
            backupSuccess = 0;
        }
        backupDone = 1;
    } catch (const std::exception&) {
        // The run ends where it is; the wizard sees it was not done.
    }
}

void CDriverScanUpdate::BackupDriversBeforeUpdate() {
    try {
        if (integerArray.empty() || app_ == nullptr) return;
        MarkIdleUnlessStopPending(*app_);
        operationKind = kBackupOperation;
        backupDone = 0;
        backupCancelled = 0;
        backupSelectedCount = 0;
        backupCounter = 0;
        devicesNotBackedUp = 0;
        if (HWND window = backupProgressWindow; window != nullptr) SendMessageW(window, kProgressMessage, 0, 0);
        backupFolder = temporaryWorkFolder;

        backupSelection = DriverInfoRecord::NewArray(static_cast<size_t>(DeviceCount()) + 1);
        for (const int32_t entry : integerArray) {
            const auto found = updateList.find(std::to_wstring(entry));
            if (found == updateList.end()) continue;
            // Only records really copied count: an index the list no longer matches
            // must not send an empty record to the backup.
            if (CopyDeviceToBackupList(static_cast<int>(wcstol(found->second.c_str(), nullptr, 10)),
                                       backupSelectedCount)) {
                ++backupSelectedCount;
            }
        }
        BackupOutcome outcome;
        const int result = BackupOneDriver(
            *app_, backupFolder, backupSelection.data(), backupSelectedCount,
            [this](int percent) { ReportScanProgress(nullptr, percent); }, &outcome);
        backupSelection.clear();
        devicesNotBackedUp = static_cast<int32_t>(outcome.devicesNotBackedUp.size());
        backupSuccess = result == EngineCode::kFinished || result == EngineCode::kBackupStopRequest ? 1 : 0;
        backupCancelled = result == EngineCode::kBackupStopRequest ? 1 : 0;
        if (result == EngineCode::kFinished || result == EngineCode::kBackupStopRequest) inventoryReady = 1;
        backupDone = 1;
    } catch (const std::exception&) {
    }
}

int CDriverScanUpdate::RestoreDriversFromArchive(CDriverScannerApp& engine) {
    restoreSuccess = 0;
    operationKind = kRestoreOperation;
    restoreSelectedCount = 0;
    restoreCounter = 0;
    restartNeeded = 0;
    restoreFailureCount = 0;
    int result = 0;
    try {
        if (restoreTree == nullptr) return 0;
        restoreSelection = DriverInfoRecord::NewArray(TreeItemCount(restoreTree) + 1);
        CollectCheckedRestoreItems(TreeView_GetRoot(restoreTree));
        if (restoreSelectedCount != 0) {
            RestoreOutcome outcome;
            result = InstallDriverFromBackup(
                engine, installHelperFolder, restoreFolder, restoreSelection.data(), restoreSelectedCount, outcome,
                [this](const DriverInfoRecord* record, int percent) { ReportScanProgress(record, percent); });
            restoreFailureCount = outcome.failureCount;
            restartNeeded = outcome.restartNeeded ? 1 : 0;
        } else {
            ShowRunMessage(CorruptBackupText());
        }
        restoreSelection.clear();
        // 34, 33 and 20 say why nothing was restored; only a reinstall is success.
        restoreSuccess = result == 1 ? 1 : 0;

        // Only the program's own unpacked copy goes; a folder the user pointed the
        // restore at stays as it is.
        std::wstring unpacked = restoreFolder;
        while (!unpacked.empty() && unpacked.back() == L'\\') unpacked.pop_back();
        if (!unpacked.empty() && GetFileAttributesW(unpacked.c_str()) != INVALID_FILE_ATTRIBUTES &&
            !temporaryWorkFolder.empty() &&
            (IsSameFolder(temporaryWorkFolder, unpacked) || IsPathInsideFolder(temporaryWorkFolder, unpacked))) {
            DeletePathSilently(unpacked);
        }
    } catch (const std::exception&) {
    }
    return result;
}
