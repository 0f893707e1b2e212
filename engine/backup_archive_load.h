#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/backup_archive.h"
#include "engine/backup_restore_runs.h"
#include "scan/driver_info_record.h"

class CDriverScanUpdate;
class CDriverScannerApp;

// A backup archive is read back from wherever the backup folder is, so it is
// treated as untrusted: every entry name must stay inside the working folder and the
// entries together may not need more than the free space or the cap.
struct ArchiveUnpackLimits {
    static constexpr uint64_t kDefaultCap = uint64_t{16} << 30;
    uint64_t maxTotalBytes = kDefaultCap;
    std::function<int64_t(const std::wstring&)> freeSpace = FreeBytesOfFolder;
};

// Unpacks every entry into `workingFolder`, all or nothing: false when the archive
// cannot be opened, is empty, holds a refused name, is too large, or an entry fails
// to extract (a bad checksum included).
bool UnpackBackupArchive(const std::wstring& archivePath, const std::wstring& workingFolder,
                         const ArchiveUnpackLimits& limits = {});

// The restore selection page's archive load. `selectedName` is the archive list's
// selected row (empty: nothing selected, which is no failure). Empties the engine's
// work folder, unpacks the archive into it, reads its index and fills the engine's
// restore map. 1 when read, 0 on failure; a damaged archive is told to the user.
// The records read go to `records` when given, for the page to list.
int LoadArchiveDrivers(CDriverScanUpdate& engine, const std::wstring& selectedName, const BackupList& backupList,
                       DriverInfoArray* records = nullptr, const ArchiveUnpackLimits& limits = {});

// The restore worker's run: restores the chosen members of the loaded archive and
// clears `restorePending` however the run ends. The engine's result.
int RunArchiveRestore(CDriverScanUpdate& record, CDriverScannerApp& engine, const std::vector<RestoreChoice>& choice,
                      std::atomic<bool>& restorePending);
