#include "screens/manage/scheduled_tasks/scheduled_scan_task.h"

bool CreateDefaultScanTask() { return false; }
