#include "engine/backup_restore_runs.h"

#include <windows.h>

#include <exception>
#include <mutex>

#include "engine/backup_archive_list.h"
#include "engine/backup_folder_paths.h"
#include "engine/backup_restore.h"
#include "engine/driver_restore.h"
#include "engine/driver_scanner_app.h"
#include "engine/engine_texts.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "scan/driver_scan_update.h"

namespace {

constexpr uint32_t kAbsentNodeStatus = 13;

std::mutex g_hooksGuard;
std::atomic<int32_t> g_backupCount{0};
std::function<void(int32_t)> g_backupCountReceiver;
std::function<void(const std::wstring&)> g_messageSink;

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
    CDriverScanUpdate::BackupRestoreRun& run = record_.backupRestore;
    // Item data and slots come from a tree the screens fill; neither may reach past
    // its array.
    if (deviceIndex < 0 || deviceIndex >= record_.DeviceCount() ||
        static_cast<size_t>(deviceIndex) >= record_.devices.size()) {
        return false;
    }
    if (slot < 0 || static_cast<size_t>(slot) >= run.backupSelection.size()) return false;
    const DriverInfoRecord& device = record_.devices[static_cast<size_t>(deviceIndex)];
    DriverInfoRecord& record = run.backupSelection[static_cast<size_t>(slot)];
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

void DriverBackupRuns::CollectRestoreChoice(const std::vector<RestoreChoice>& choice) {
    CDriverScanUpdate::BackupRestoreRun& run = record_.backupRestore;
    for (const RestoreChoice& member : choice) {
        ++run.checkedCount;
        const auto found = run.restoreSelectionMap.find(RestoreSelectionKey(member.deviceName, member.memberIndex));
        if (found == run.restoreSelectionMap.end() ||
            static_cast<size_t>(run.restoreSelectedCount) >= run.restoreSelection.size()) {
            continue;
        }
        const std::wstring& value = found->second;
        const size_t bar = value.find(L'|');
        const std::wstring hardwareId = value.substr(0, bar);
        const std::wstring category = bar == std::wstring::npos ? std::wstring() : value.substr(bar + 1);
        DriverInfoRecord& record = run.restoreSelection[static_cast<size_t>(run.restoreSelectedCount)];
        if (!member.deviceName.empty()) record.deviceName = member.deviceName;
        if (!category.empty()) record.category = category;
        if (!hardwareId.empty()) record.hardwareId = hardwareId;
        ++run.restoreSelectedCount;
    }
}

void DriverBackupRuns::BackupSelectedDrivers(const BackupChoice& choice) {
    CDriverScanUpdate::BackupRestoreRun& run = record_.backupRestore;
    try {
        record_.operationKind = CDriverScanUpdate::kBackupOperation;
        run.backupDone = 0;
        run.backupCancelled = 0;
        run.backupSelectedCount = 0;
        run.checkedCount = 0;
        run.backupCounter = 0;
        run.devicesNotBackedUp = 0;
        record_.ProgressOf(CDriverScanUpdate::kScanOperation).ShowPercent(0);
        run.backupFolder = record_.temporaryWorkFolder;
        // A partial backup of nothing has no pass to run; the wizard sees it was not done.
        if (!choice.everyDevice && choice.deviceIndexes.empty()) return;
        run.backupSelection.clear();

        if (choice.everyDevice) {
            run.backupSelection = DriverInfoRecord::NewArray(static_cast<size_t>(record_.DeviceCount()) + 1);
            for (int i = 0; i < record_.DeviceCount() && static_cast<size_t>(i) < record_.devices.size(); ++i) {
                const DriverInfoRecord& device = record_.devices[static_cast<size_t>(i)];
                if (device.isUnknownDevice != 0 || device.nodeStatusResult == kAbsentNodeStatus) continue;
                CopyDeviceToBackupList(i, run.backupSelectedCount);
                ++run.backupSelectedCount;
            }
        } else {
            run.backupSelection = DriverInfoRecord::NewArray(choice.deviceIndexes.size() + 1);
            for (const int index : choice.deviceIndexes) {
                ++run.checkedCount;
                // An index the inventory no longer has (a tree from before a rescan)
                // must not send an empty record to the backup.
                if (CopyDeviceToBackupList(index, run.backupSelectedCount)) ++run.backupSelectedCount;
            }
        }
        StoreMainWindowBackupCount(run.backupSelectedCount);
        MarkIdleUnlessStopPending(engine_);

        BackupOutcome outcome;
        const int result = BackupOneDriver(
            engine_, run.backupFolder, run.backupSelection.data(), run.backupSelectedCount,
            [this](int percent) { record_.ReportScanProgress(nullptr, percent); }, &outcome);
        run.backupSelection.clear();
        run.devicesNotBackedUp = static_cast<int32_t>(outcome.devicesNotBackedUp.size());
        if (result == EngineCode::kFinished) {
            run.backupSuccess = 1;
        } else if (result == EngineCode::kBackupStopRequest) {
            run.backupSuccess = 1;
            run.backupCancelled = 1;
        } else {
            run.backupSuccess = 0;
        }
        run.backupDone = 1;
    } catch (const std::exception&) {
        // The run ends where it is; the wizard sees it was not done.
    }
}

void DriverBackupRuns::BackupDriversBeforeUpdate() {
    CDriverScanUpdate::BackupRestoreRun& run = record_.backupRestore;
    try {
        if (record_.integerArray.empty()) return;
        MarkIdleUnlessStopPending(engine_);
        record_.operationKind = CDriverScanUpdate::kBackupOperation;
        run.backupDone = 0;
        run.backupCancelled = 0;
        run.backupSelectedCount = 0;
        run.backupCounter = 0;
        run.devicesNotBackedUp = 0;
        record_.ProgressOf(CDriverScanUpdate::kBackupOperation).ShowPercent(0);
        run.backupFolder = record_.temporaryWorkFolder;

        run.backupSelection = DriverInfoRecord::NewArray(static_cast<size_t>(record_.DeviceCount()) + 1);
        for (const int32_t entry : record_.integerArray) {
            const auto found = record_.updateList.find(entry);
            if (found == record_.updateList.end()) continue;
            // Only records really copied count: an index the list no longer matches
            // must not send an empty record to the backup.
            if (CopyDeviceToBackupList(found->second, run.backupSelectedCount)) ++run.backupSelectedCount;
        }
        BackupOutcome outcome;
        const int result = BackupOneDriver(
            engine_, run.backupFolder, run.backupSelection.data(), run.backupSelectedCount,
            [this](int percent) { record_.ReportScanProgress(nullptr, percent); }, &outcome);
        run.backupSelection.clear();
        run.devicesNotBackedUp = static_cast<int32_t>(outcome.devicesNotBackedUp.size());
        run.backupSuccess = result == EngineCode::kFinished || result == EngineCode::kBackupStopRequest ? 1 : 0;
        run.backupCancelled = result == EngineCode::kBackupStopRequest ? 1 : 0;
        if (result == EngineCode::kFinished || result == EngineCode::kBackupStopRequest) record_.inventoryReady = 1;
        run.backupDone = 1;
    } catch (const std::exception&) {
    }
}

int DriverBackupRuns::RestoreDriversFromArchive(const std::vector<RestoreChoice>& choice) {
    CDriverScanUpdate::BackupRestoreRun& run = record_.backupRestore;
    run.restoreSuccess = 0;
    record_.operationKind = CDriverScanUpdate::kRestoreOperation;
    run.restoreSelectedCount = 0;
    run.restoreCounter = 0;
    run.restartNeeded = 0;
    run.restoreFailureCount = 0;
    int result = 0;
    try {
        run.restoreSelection = DriverInfoRecord::NewArray(choice.size() + 1);
        CollectRestoreChoice(choice);
        if (run.restoreSelectedCount != 0) {
            RestoreOutcome outcome;
            result = InstallDriverFromBackup(
                engine_, record_.installHelperFolder, run.restoreFolder, run.restoreSelection.data(),
                run.restoreSelectedCount, outcome,
                [this](const DriverInfoRecord* record, int percent) { record_.ReportScanProgress(record, percent); });
            run.restoreFailureCount = outcome.failureCount;
            run.restartNeeded = outcome.restartNeeded ? 1 : 0;
        } else {
            ShowRunMessage(CorruptBackupText());
        }
        run.restoreSelection.clear();
        // 34, 33 and 20 say why nothing was restored; only a reinstall is success.
        run.restoreSuccess = result == 1 ? 1 : 0;

        // Only the program's own unpacked copy goes; a folder the user pointed the
        // restore at stays as it is.
        std::wstring unpacked = run.restoreFolder;
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
