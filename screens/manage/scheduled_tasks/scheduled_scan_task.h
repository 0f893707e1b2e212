#pragma once

// Creates the daily scan task "halvenor" (starting an hour from now, every day, with
// "-scan") and, when it was written, stores "m_rBtnEvery" = 1 and its schedule text
// as "ScheduledTime" under the product key. The settings in memory stay as they are.
bool CreateDefaultScanTask();
