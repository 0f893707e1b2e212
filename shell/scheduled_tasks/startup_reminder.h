#pragma once

#include <string>

// The start-up reminder starts the program with "-rem" when the user logs on: through
// a logon task from Windows Vista on, through a Run value before. Always returns 1;
// a reminder that cannot be registered fails silently.
int SetStartupReminder(bool on);

// The same, done on a worker so the window's thread does not wait for the task
// scheduler (tens of milliseconds a task). Requests are applied in the order made;
// a later one replaces one not yet begun. SetStartupReminder waits for them first.
void SetStartupReminderInBackground(bool on);
// Returns once every request made in the background has been applied.
void WaitForStartupReminderRequests();

// The logon task "halvenorRunAtStartup"; true only when it was registered.
bool CreateStartupReminderTask();
void DeleteStartupReminderTask();

// The value under the per-user Run key that starts the reminder before Windows Vista.
inline constexpr wchar_t kStartupReminderRunValue[] = L"halvenorDReminder";
inline constexpr wchar_t kStartupReminderTaskName[] = L"halvenorRunAtStartup";
