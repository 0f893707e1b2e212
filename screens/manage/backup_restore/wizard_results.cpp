#include "screens/manage/backup_restore/wizard_results.h"

#include <algorithm>

#include "foundation/language_strings.h"
#include "platform/checked_format.h"

std::wstring DriverCountText(int count) {
    count = std::max(count, 0);
    const wchar_t* key = count == 1 ? L"IDS_DRIVER_COUNT" : L"IDS_DRIVERS_COUNT";
    return FormatChecked(GetLangString(key, L"RESOURCESTRING"), {count});
}

WizardCounts BackupFinishCounts(const BackupRunCounts& run) {
    WizardCounts counts;
    if (run.inventoryCount > 0) counts.total = DriverCountText(run.engineSelected);
    counts.select = DriverCountText(run.pageSelected);
    if (run.failed) {
        counts.done = GetLangString(L"BACKUPDLG4_1", L"RESOURCESTRING");
        counts.notDone = counts.done;
    } else if (run.done != 0) {
        counts.done = DriverCountText(run.done);
        counts.notDone = L"--";
    }
    return counts;
}

WizardCounts RestoreFinishCounts(const RestoreRunCounts& run) {
    WizardCounts counts;
    counts.total = DriverCountText(run.totalInTree);
    counts.select = DriverCountText(run.selected);
    counts.done = DriverCountText(run.selected - run.notRestored);
    counts.notDone = run.allRestored ? L"--" : DriverCountText(run.notRestored);
    return counts;
}
