#pragma once

#include <string>

// The counts that the backup and restore finish pages show and log.

// "IDS_DRIVER_COUNT" for exactly one driver, "IDS_DRIVERS_COUNT" otherwise, filled
// with the number; a negative number shows as 0.
std::wstring DriverCountText(int count);

struct WizardCounts {
    std::wstring total;
    std::wstring select;
    std::wstring done;
    std::wstring notDone;
};

struct BackupRunCounts {
    int inventoryCount = 0;   // devices of the last scan; none: no total
    int engineSelected = 0;   // devices the engine took for the run
    int pageSelected = 0;     // what the wizard chose (all, or the checked devices)
    int done = 0;             // devices backed up
    bool failed = false;      // the run failed or was stopped (or the backup before an update failed)
};
WizardCounts BackupFinishCounts(const BackupRunCounts& run);

struct RestoreRunCounts {
    int totalInTree = 0;   // driver items of the archive, checked or not
    int selected = 0;      // drivers the engine was asked to restore
    int notRestored = 0;
    bool allRestored = false;
};
WizardCounts RestoreFinishCounts(const RestoreRunCounts& run);
