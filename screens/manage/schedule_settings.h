#pragma once

#include <windows.h>

#include <optional>
#include <string>

// What the scan schedule page's controls hold.
struct ScheduleChoice {
    enum Kind { kOnce = 0, kDaily = 1, kWeekly = 2, kNone = 3, kNoneSelected = -1 };

    int kind = kNone;
    BYTE weekdays[7] = {};  // Monday first; 1 = checked
    SYSTEMTIME date{};      // the date picker: the day of a one-time run
    SYSTEMTIME time{};      // the time picker: the time of day of every run
    std::wstring intervalText = L"1";
};

// Writes "m_rBtnEvery", the seven weekday values, "Date" and "Time" under the
// product key; false when any of them could not be written.
bool WriteScheduleValues(const ScheduleChoice& choice);

// Reads the stored values into the choice. The kind changes only when one is stored;
// an absent weekday counts as unchecked. A "Date" or "Time" that is absent or no
// longer reads as a date (the user's formats changed) gives the current time.
void ReadScheduleValues(ScheduleChoice& choice);

// The user's own date and time formats, as "Date" and "Time" are stored: the time
// is left out at midnight.
std::wstring FormatScheduleDateValue(const SYSTEMTIME& value);
bool ParseScheduleDateValue(const std::wstring& text, SYSTEMTIME& value);

enum class RunOnceCheck { kAhead, kDateElapsed, kTimeElapsed };
// Whether a one-time run on the date picker's day at the time picker's time of day
// still lies ahead of `now`. Only the time of day of `time` counts.
RunOnceCheck CheckRunOnceStart(const SYSTEMTIME& date, const SYSTEMTIME& time, const SYSTEMTIME& now);

// The schedule page's Apply: stores the choice, then writes the scan task "halvenor"
// from it (or removes the task for kNone) and tells the user through the schedule
// messages. The new schedule text when the schedule changed, also kept as the
// settings' "ScheduledTime" (empty: no schedule any more); nothing when Apply stopped
// or there was nothing to remove. The stored values stay written either way, so an
// elevated restart can apply them again.
std::optional<std::wstring> ApplyScheduleChoice(const ScheduleChoice& choice);

// The stored schedule text ("ScheduledTime") in the language now chosen: written
// again from the stored schedule values when they still describe it, else as
// stored. Empty when no schedule is stored.
std::wstring ScheduleTextInCurrentLanguage();
