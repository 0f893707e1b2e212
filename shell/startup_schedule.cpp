#include "shell/startup_schedule.h"

#include "foundation/app_settings.h"
#include "shell/scheduled_tasks/scheduled_scan_task.h"

bool CreateDefaultScanTaskIfNoneChosen() {
    if (GetAppSettings().scheduleKind != -1) return false;
    const bool written = CreateDefaultScanTask();
    ReloadScheduledTime();
    return written;
}
