#pragma once

#include <windows.h>

#include <string>

// The description of one scan or update task, filled by the caller and read by the
// task writer and by FormatScheduleText.
struct ScheduledTaskWriter {
    enum Kind { kOnce = 0, kDaily = 1, kWeekly = 2 };
    enum Day { kMonday = 0, kTuesday, kWednesday, kThursday, kFriday, kSaturday, kSunday };

    virtual ~ScheduledTaskWriter() = default;

    std::wstring taskName;
    // Date and time of the first run, in days since 30 December 1899 (local time).
    DATE start = 0;
    bool startValid = false;
    int kind = kOnce;
    WORD interval = 0;  // days (daily) or weeks (weekly) between runs; 0 counts as 1
    // Monday first; 1 = selected; weekly only. The bytes after Sunday stay zero.
    BYTE dayFlags[31] = {};

    void SetStart(const SYSTEMTIME& localTime);
    // The start as a SYSTEMTIME; false when it is not valid.
    bool StartAsSystemTime(SYSTEMTIME& out) const;
};

// The schedule text that is stored as "ScheduledTime" and shown on the schedule page;
// empty when the writer holds no valid schedule.
std::wstring FormatScheduleText(const ScheduledTaskWriter& writer);
