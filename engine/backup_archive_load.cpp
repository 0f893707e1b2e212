#include "engine/backup_archive_load.h"

#include <algorithm>

#include "engine/backup_archive_list.h"
#include "engine/backup_restore_runs.h"
#include "engine/tree_view_items.h"
#include "engine/driver_restore.h"
#include "engine/zip_package_reader.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "scan/driver_scan_update.h"

namespace {

// Category items are compared case-sensitively, as the backup tree does.
HTREEITEM FindCategory(HWND tree, const std::wstring& category) {
    for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        if (TreeItemText(tree, item) == category) return item;
    }
    return nullptr;
}

void FillRestoreTree(HWND tree, const DriverInfoArray& records,
                     const std::function<int(const std::wstring& classGuid)>& classImage) {
    TreeView_DeleteAllItems(tree);
    for (size_t i = 0; i < records.size(); ++i) {
        const DriverInfoRecord& record = records[i];
        const int image = classImage ? classImage(record.driverKey) : 0;
        HTREEITEM category = FindCategory(tree, record.category);
        if (category == nullptr) category = InsertTreeItem(tree, TVI_ROOT, record.category, kCategoryTreeItem, image);
        InsertTreeItem(tree, category, record.deviceName, static_cast<LPARAM>(i), image);
        TreeView_Expand(tree, category, TVE_EXPAND);
    }
    InvalidateRect(tree, nullptr, FALSE);
}

}  // namespace

bool UnpackBackupArchive(const std::wstring& archivePath, const std::wstring& workingFolder,
                         const ArchiveUnpackLimits& limits) {
    ZipPackageReader reader;
    if (!reader.Open(archivePath)) return false;
    const int64_t free = limits.freeSpace ? limits.freeSpace(workingFolder) : -1;
    if (free < 0) return false;
    const uint64_t sizeLimit = std::min<uint64_t>(limits.maxTotalBytes, static_cast<uint64_t>(free));
    uint64_t memberCount = 0;
    uint64_t totalSize = 0;
    if (!reader.CheckMembers(sizeLimit, memberCount, totalSize) || memberCount == 0) return false;
    return reader.ExtractAll(workingFolder);
}

int LoadArchiveDrivers(CDriverScanUpdate& engine, const std::wstring& selectedName, const BackupList& backupList,
                       DriverInfoArray* records, const ArchiveUnpackLimits& limits,
                       const std::function<int(const std::wstring& classGuid)>& classImage) {
    if (selectedName.empty()) return 1;
    const auto entry = backupList.find(selectedName);
    if (entry == backupList.end()) return 0;
    const std::wstring archivePath = SplitBackupListValue(entry->second).path;
    const DWORD attributes = GetFileAttributesW(archivePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;

    const std::wstring& workingFolder = engine.temporaryWorkFolder;
    engine.restoreSelectionMap.clear();
    if (engine.restoreTree != nullptr) TreeView_DeleteAllItems(engine.restoreTree);
    // What an earlier archive left must not be restored with this one.
    if (!DeleteWorkFolder(workingFolder) || !CreateFolderTree(workingFolder)) {
        WriteLogLine(L"Restore: the working folder %s could not be emptied", workingFolder.c_str());
        return 0;
    }
    if (!UnpackBackupArchive(archivePath, workingFolder, limits)) {
        WriteLogLine(L"Restore: %s refused as damaged or unsafe", archivePath.c_str());
        DeleteWorkFolder(workingFolder);
        ShowRunMessage(GetLangString(L"IDS_CURRPT_ZIP_FILE", L"RESOURCESTRING"));
        return 0;
    }

    int count = 0;
    DriverInfoArray read = LoadBackupIndexRecords(workingFolder, count);
    engine.restoreFolder = workingFolder;
    for (size_t i = 0; i < read.size(); ++i) {
        engine.restoreSelectionMap[RestoreSelectionKey(read[i].deviceName, static_cast<long long>(i))] =
            read[i].hardwareId + L"|" + read[i].category;
    }
    if (engine.restoreTree != nullptr) FillRestoreTree(engine.restoreTree, read, classImage);
    if (records != nullptr) *records = std::move(read);
    return 1;
}

int RunArchiveRestore(CDriverScanUpdate& record, CDriverScannerApp& engine, std::atomic<bool>& restorePending) {
    struct ClearPending {
        std::atomic<bool>& flag;
        ~ClearPending() { flag.store(false); }
    } clear{restorePending};
    return DriverBackupRuns(record, engine).RestoreDriversFromArchive();
}
