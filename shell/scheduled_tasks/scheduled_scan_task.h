#pragma once

struct ScheduledTaskWriter;

// Writes the task the writer describes, replacing one of the same name. `automatic`
// is true for the start-up callers: they get no message when the "Schedule" service
// cannot be run, and their task starts the update check.
bool CreateScheduledScanTask(bool automatic, const ScheduledTaskWriter& writer);

// Creates the daily scan task "halvenor" (starting an hour from now, every day, with
// "-scan") and, when it was written, stores "m_rBtnEvery" = 1 and its schedule text
// as "ScheduledTime" under the product key. The settings in memory stay as they are.
bool CreateDefaultScanTask();

// Creates the weekly update-check task "halvenor_UPDATES" (from now, every Wednesday,
// with "-updatecheck"). Nothing is stored in the registry.
bool CreateDefaultUpdateTask();

// Removes the task names of older releases; a name that is not there is no error.
void DeleteLegacyScheduledTasks();
