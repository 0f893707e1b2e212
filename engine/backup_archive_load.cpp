#include "engine/backup_archive_load.h"

#include <algorithm>

#include "engine/backup_archive_list.h"
#include "engine/backup_restore_runs.h"
#include "engine/driver_restore.h"
#include "engine/zip_package_reader.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "scan/driver_scan_update.h"

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
                       DriverInfoArray* records, const ArchiveUnpackLimits& limits) {
    if (selectedName.empty()) return 1;
    const auto entry = backupList.find(selectedName);
    if (entry == backupList.end()) return 0;
    const std::wstring archivePath = SplitBackupListValue(entry->second).path;
    const DWORD attributes = GetFileAttributesW(archivePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;

    const std::wstring& workingFolder = engine.temporaryWorkFolder;
    engine.backupRestore.restoreSelectionMap.clear();
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
    engine.backupRestore.restoreFolder = workingFolder;
    for (size_t i = 0; i < read.size(); ++i) {
        engine.backupRestore.restoreSelectionMap[RestoreSelectionKey(read[i].deviceName, static_cast<long long>(i))] =
            read[i].hardwareId + L"|" + read[i].category;
    }
    if (records != nullptr) *records = std::move(read);
    return 1;
}

int RunArchiveRestore(CDriverScanUpdate& record, CDriverScannerApp& engine, const std::vector<RestoreChoice>& choice,
                      std::atomic<bool>& restorePending) {
    struct ClearPending {
        std::atomic<bool>& flag;
        ~ClearPending() { flag.store(false); }
    } clear{restorePending};
    return DriverBackupRuns(record, engine).RestoreDriversFromArchive(choice);
}
