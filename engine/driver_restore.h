#pragma once

#include <string>

#include "scan/driver_info_record.h"
#include "engine/driver_scanner_app.h"

// What a restore did besides its result.
struct RestoreOutcome {
    int failureCount = 0;    // devices whose reinstall failed (or whose entry was unusable)
    bool restartNeeded = false;  // some driver was reinstalled
};

// The records of a backup folder's "index.dat", for the restore screens to show;
// empty when the index is missing or of another format. Entries whose driver would
// lie outside the folder are left out. `entryCount` is the number of records.
DriverInfoArray LoadBackupIndexRecords(const std::wstring& backupFolder, int& entryCount);

// Puts the drivers of the selected devices back from a backup folder: each index
// entry whose device name is a selected record's is copied into the driver store,
// pre-installed where that fails, and reinstalled for the record's hardware id.
// Returns the last reinstall's result (1 success, 0 failure; 0 also when nothing was
// reinstalled), 34 without "index.dat", 33 for another format, 20 when cancelled.
// Entries that would lead outside the backup folder are not used.
int InstallDriverFromBackup(CDriverScannerApp& engine, const std::wstring& helperFolder,
                            const std::wstring& backupFolder, const DriverInfoRecord* selected, int selectedCount,
                            RestoreOutcome& outcome, const ScanProgressCallback& progress = {});

// Hardware ids of the machine's HAL: their driver is put into the store but never
// reinstalled.
bool IsHalHardwareId(const std::wstring& hardwareId);
