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
#include "engine/driver_scanner_app.h"
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

bool DriverBackupRuns::CopyDeviceToBackupList(int deviceIndex, int slot) {
    // Item data and slots come from a tree the screens fill; neither may reach past
    // its array.
    if (deviceIndex < 0 || deviceIndex >= record_.DeviceCount() ||
        static_cast<size_t>(deviceIndex) >= record_.devices.size()) {
        return false;
    }
    if (slot < 0 || static_cast<size_t>(slot) >= record_.backupSelection.size()) return false;
    const DriverInfoRecord& device = record_.devices[static_cast<size_t>(deviceIndex)];
    DriverInfoRecord& record = record_.backupSelection[static_cast<size_t>(slot)];
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

void DriverBackupRuns::CollectCheckedDevices(HTREEITEM item) {
    for (; item != nullptr; item = TreeView_GetNextSibling(record_.backupTree, item)) {
        const LPARAM data = TreeItemData(record_.backupTree, item);
        if (TreeItemStateImage(record_.backupTree, item) == kCheckedStateImage && data != kCategoryTreeItem &&
            static_cast<size_t>(record_.backupSelectedCount) < record_.backupSelection.size()) {
            CopyDeviceToBackupList(static_cast<int>(data), record_.backupSelectedCount);
            ++record_.backupSelectedCount;
            ++record_.checkedCount;
        }
        if (HTREEITEM child = TreeView_GetChild(record_.backupTree, item); child != nullptr) CollectCheckedDevices(child);
    }
}

void DriverBackupRuns::CollectCheckedRestoreItems(HTREEITEM item) {
    for (; item != nullptr; item = TreeView_GetNextSibling(record_.restoreTree, item)) {
        const LPARAM data = TreeItemData(record_.restoreTree, item);
        if (TreeItemStateImage(record_.restoreTree, item) == kCheckedStateImage && data != kCategoryTreeItem) {
            const std::wstring text = TreeItemText(record_.restoreTree, item);
            const auto found = record_.restoreSelectionMap.find(RestoreSelectionKey(text, static_cast<long long>(data)));
            if (found != record_.restoreSelectionMap.end() &&
                static_cast<size_t>(record_.restoreSelectedCount) < record_.restoreSelection.size()) {
                const std::wstring& value = found->second;
                const size_t bar = value.find(L'|');
                const std::wstring hardwareId = value.substr(0, bar);
                const std::wstring category = bar == std::wstring::npos ? std::wstring() : value.substr(bar + 1);
                DriverInfoRecord& record = record_.restoreSelection[static_cast<size_t>(record_.restoreSelectedCount)];
                if (!text.empty()) record.deviceName = text;
                if (!category.empty()) record.category = category;
                if (!hardwareId.empty()) record.hardwareId = hardwareId;
                ++record_.restoreSelectedCount;
            }
            ++record_.checkedCount;
        }
        if (HTREEITEM child = TreeView_GetChild(record_.restoreTree, item); child != nullptr) CollectCheckedRestoreItems(child);
    }
}

void DriverBackupRuns::BackupSelectedDrivers() {
    try {
        record_.operationKind = CDriverScanUpdate::kBackupOperation;
        record_.backupDone = 0;
        record_.backupCancelled = 0;
        record_.backupSelectedCount = 0;
        record_.checkedCount = 0;
        record_.backupCounter = 0;
        record_.devicesNotBackedUp = 0;
        record_.ProgressOf(CDriverScanUpdate::kScanOperation).ShowPercent(0);
        record_.backupFolder = record_.temporaryWorkFolder;
        // A full backup takes the devices themselves; only a partial one needs the tree.
        if (record_.backupTree == nullptr && !BackupAllDevicesFlag) return;
        record_.backupSelection.clear();

        if (BackupAllDevicesFlag.exchange(false)) {
            record_.backupSelection = DriverInfoRecord::NewArray(static_cast<size_t>(record_.DeviceCount()) + 1);
            for (int i = 0; i < record_.DeviceCount() && static_cast<size_t>(i) < record_.devices.size(); ++i) {
                const DriverInfoRecord& device = record_.devices[static_cast<size_t>(i)];
                if (device.isUnknownDevice != 0 || device.nodeStatusResult == kAbsentNodeStatus) continue;
                CopyDeviceToBackupList(i, record_.backupSelectedCount);
                ++record_.backupSelectedCount;
            }
        } else {
            record_.backupSelection = DriverInfoRecord::NewArray(TreeItemCount(record_.backupTree) + 1);
            CollectCheckedDevices(TreeView_GetRoot(record_.backupTree));
        }
        StoreMainWindowBackupCount(record_.backupSelectedCount);
        MarkIdleUnlessStopPending(engine_);

        BackupOutcome outcome;
        const int result = BackupOneDriver(
            engine_, record_.backupFolder, record_.backupSelection.data(), record_.backupSelectedCount,
            [this](int percent) { record_.ReportScanProgress(nullptr, percent); }, &outcome);
        record_.backupSelection.clear();
        record_.devicesNotBackedUp = static_cast<int32_t>(outcome.devicesNotBackedUp.size());
        if (result == EngineCode::kFinished) {
            record_.backupSuccess = 1;
        } else if (result == EngineCode::kBackupStopRequest) {
            record_.backupSuccess = 1;
            record_.backupCancelled = 1;
        } else {
            record_.backupSuccess = 0;
        }
        record_.backupDone = 1;
    } catch (const std::exception&) {
        // The run ends where it is; the wizard sees it was not done.
    }
}

void DriverBackupRuns::BackupDriversBeforeUpdate() {
    try {
        if (record_.integerArray.empty()) return;
        MarkIdleUnlessStopPending(engine_);
        record_.operationKind = CDriverScanUpdate::kBackupOperation;
        record_.backupDone = 0;
        record_.backupCancelled = 0;
        record_.backupSelectedCount = 0;
        record_.backupCounter = 0;
        record_.devicesNotBackedUp = 0;
        record_.ProgressOf(CDriverScanUpdate::kBackupOperation).ShowPercent(0);
        record_.backupFolder = record_.temporaryWorkFolder;

        record_.backupSelection = DriverInfoRecord::NewArray(static_cast<size_t>(record_.DeviceCount()) + 1);
        for (const int32_t entry : record_.integerArray) {
            const auto found = record_.updateList.find(std::to_wstring(entry));
            if (found == record_.updateList.end()) continue;
            // Only records really copied count: an index the list no longer matches
            // must not send an empty record to the backup.
            if (CopyDeviceToBackupList(static_cast<int>(wcstol(found->second.c_str(), nullptr, 10)),
                                       record_.backupSelectedCount)) {
                ++record_.backupSelectedCount;
            }
        }
        BackupOutcome outcome;
        const int result = BackupOneDriver(
            engine_, record_.backupFolder, record_.backupSelection.data(), record_.backupSelectedCount,
            [this](int percent) { record_.ReportScanProgress(nullptr, percent); }, &outcome);
        record_.backupSelection.clear();
        record_.devicesNotBackedUp = static_cast<int32_t>(outcome.devicesNotBackedUp.size());
        record_.backupSuccess = result == EngineCode::kFinished || result == EngineCode::kBackupStopRequest ? 1 : 0;
        record_.backupCancelled = result == EngineCode::kBackupStopRequest ? 1 : 0;
        if (result == EngineCode::kFinished || result == EngineCode::kBackupStopRequest) record_.inventoryReady = 1;
        record_.backupDone = 1;
    } catch (const std::exception&) {
    }
}

int DriverBackupRuns::RestoreDriversFromArchive() {
    record_.restoreSuccess = 0;
    record_.operationKind = CDriverScanUpdate::kRestoreOperation;
    record_.restoreSelectedCount = 0;
    record_.restoreCounter = 0;
    record_.restartNeeded = 0;
    record_.restoreFailureCount = 0;
    int result = 0;
    try {
        if (record_.restoreTree == nullptr) return 0;
        record_.restoreSelection = DriverInfoRecord::NewArray(TreeItemCount(record_.restoreTree) + 1);
        CollectCheckedRestoreItems(TreeView_GetRoot(record_.restoreTree));
        if (record_.restoreSelectedCount != 0) {
            RestoreOutcome outcome;
            result = InstallDriverFromBackup(
                engine_, record_.installHelperFolder, record_.restoreFolder, record_.restoreSelection.data(), record_.restoreSelectedCount, outcome,
                [this](const DriverInfoRecord* record, int percent) { record_.ReportScanProgress(record, percent); });
            record_.restoreFailureCount = outcome.failureCount;
            record_.restartNeeded = outcome.restartNeeded ? 1 : 0;
        } else {
            ShowRunMessage(CorruptBackupText());
        }
        record_.restoreSelection.clear();
        // 34, 33 and 20 say why nothing was restored; only a reinstall is success.
        record_.restoreSuccess = result == 1 ? 1 : 0;

        // Only the program's own unpacked copy goes; a folder the user pointed the
        // restore at stays as it is.
        std::wstring unpacked = record_.restoreFolder;
        while (!unpacked.empty() && unpacked.back() == L'\\') unpacked.pop_back();
        if (!unpacked.empty() && GetFileAttributesW(unpacked.c_str()) != INVALID_FILE_ATTRIBUTES &&
            !record_.temporaryWorkFolder.empty() &&
            (IsSameFolder(record_.temporaryWorkFolder, unpacked) || IsPathInsideFolder(record_.temporaryWorkFolder, unpacked))) {
            DeletePathSilently(unpacked);
        }
    } catch (const std::exception&) {
    }
    return result;
}
