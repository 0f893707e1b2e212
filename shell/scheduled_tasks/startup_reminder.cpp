#include "shell/scheduled_tasks/startup_reminder.h"

#include <windows.h>

#include "platform/registry.h"
#include "foundation/system_helpers.h"
#include "shell/scheduled_tasks/logon_task_service.h"
#include "shell/scheduled_tasks/program_module_path.h"

namespace {

constexpr wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kReminderArgument[] = L"-rem";

void SetRunValue(bool on) {
    CRegistry key;
    if (!key.Open(kRunKeyPath, HKEY_CURRENT_USER, true)) return;
    if (!on) {
        RegDeleteValueW(key.Key(), kStartupReminderRunValue);
        return;
    }
    std::wstring program;
    if (!GetProgramModulePath(program)) return;
    // Quoted: the Run key splits an unquoted path with a space at its first space.
    key.WriteString(kStartupReminderRunValue, L"\"" + program + L"\" " + kReminderArgument);
}

}  // namespace

int SetStartupReminder(bool on) {
    if (GetWindowsMajorVersion() < 6) {
        SetRunValue(on);
    } else if (on) {
        CreateStartupReminderTask();
    } else {
        DeleteStartupReminderTask();
    }
    return 1;
}

bool CreateStartupReminderTask() {
    LogonTaskDefinition task;
    if (!GetProgramModulePath(task.programPath)) return false;
    task.name = kStartupReminderTaskName;
    task.author = L"Brennavik";
    task.arguments = kReminderArgument;
    task.startDelay = L"PT5S";
    task.executionTimeLimit = L"PT0S";
    task.groupSid = L"S-1-5-32-545";  // the built-in Users group: every user's logon
    task.highestRunLevel = true;
    return CurrentLogonTaskService().Register(task);
}

void DeleteStartupReminderTask() { CurrentLogonTaskService().Delete(kStartupReminderTaskName); }
