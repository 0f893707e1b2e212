#include "shell/scheduled_tasks/startup_reminder.h"

#include <windows.h>

#include <mutex>
#include <optional>

#include "platform/registry.h"
#include "platform/worker_thread.h"
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

void ApplyStartupReminder(bool on) {
    if (GetWindowsMajorVersion() < 6) {
        SetRunValue(on);
    } else if (on) {
        CreateStartupReminderTask();
    } else {
        DeleteStartupReminderTask();
    }
}

struct BackgroundRequests {
    std::mutex lock;
    std::optional<bool> next;  // the request not yet begun
    bool draining = false;     // the worker runs and will take `next`
    WorkerThread worker;
};

BackgroundRequests& Background() {
    static BackgroundRequests requests;
    return requests;
}

}  // namespace

int SetStartupReminder(bool on) {
    WaitForStartupReminderRequests();
    ApplyStartupReminder(on);
    return 1;
}

void SetStartupReminderInBackground(bool on) {
    BackgroundRequests& requests = Background();
    {
        std::lock_guard guard(requests.lock);
        requests.next = on;
        if (requests.draining) return;
        requests.draining = true;
    }
    // A worker that let go of `draining` is about to end.
    requests.worker.Wait(INFINITE);
    const bool started = requests.worker.Start([&requests] {
        for (;;) {
            bool wanted = false;
            {
                std::lock_guard guard(requests.lock);
                if (!requests.next) {
                    requests.draining = false;
                    return;
                }
                wanted = *requests.next;
                requests.next.reset();
            }
            ApplyStartupReminder(wanted);
        }
    });
    if (started) return;
    {
        std::lock_guard guard(requests.lock);
        requests.next.reset();
        requests.draining = false;
    }
    ApplyStartupReminder(on);
}

void WaitForStartupReminderRequests() { Background().worker.Wait(INFINITE); }

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
