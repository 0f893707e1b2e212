#pragma once

// The start-up decision about the scheduled scan, made after the settings are
// loaded: when the user has never chosen a schedule ("m_rBtnEvery" absent), the
// daily default scan task is written. The task writer stores "m_rBtnEvery" and
// "ScheduledTime" itself; the record takes the schedule text at once while its
// kind stays "nothing stored" until the next load. True when a task was written.
bool CreateDefaultScanTaskIfNoneChosen();
