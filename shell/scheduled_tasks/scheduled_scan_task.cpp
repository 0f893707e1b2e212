#include "shell/scheduled_tasks/scheduled_scan_task.h"

#define SECURITY_WIN32
#include <windows.h>
#include <security.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "foundation/clock.h"
#include "foundation/product_key.h"
#include "platform/registry.h"
#include "foundation/system_helpers.h"
#include "platform/entry_point.h"
#include "platform/scoped_handle.h"
#include "shell/scheduled_tasks/program_module_path.h"
#include "shell/scheduled_tasks/schedule_messages.h"
#include "shell/scheduled_tasks/schedule_service.h"
#include "shell/scheduled_tasks/scheduled_task.h"
#include "shell/scheduled_tasks/scheduled_task_writer.h"

namespace {

constexpr wchar_t kScanTaskName[] = L"halvenor";
constexpr HRESULT kTaskExists = static_cast<HRESULT>(0x80070050);
constexpr HRESULT kInvalidTaskName = static_cast<HRESULT>(0x8007007B);

constexpr wchar_t kUpdateTaskName[] = L"halvenor_UPDATES";
constexpr const wchar_t* kLegacyTaskNames[] = {L"Halvenor_DEFAULT", L"Halvenor_Updates", L"Halvenor_NOTIFYSCAN",
                                               L"Halvenor_Daily"};

bool IsNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

std::wstring CurrentAccountName() {
    if (GetWindowsMajorVersion() >= 5) {
        // Bound when asked for: the library's load sets up every security package of
        // the system, which no start of the program should wait for.
        using GetUserNameExFn = BOOLEAN(WINAPI*)(EXTENDED_NAME_FORMAT, LPWSTR, PULONG);
        const ScopedModule security(LoadLibraryW(L"secur32.dll"));
        const auto getUserNameEx = GetEntryPoint<GetUserNameExFn>(security.Get(), "GetUserNameExW");
        wchar_t name[256] = {};
        ULONG length = 256;
        if (getUserNameEx == nullptr || !getUserNameEx(NameSamCompatible, name, &length)) return std::wstring();
        return name;
    }
    wchar_t account[MAX_PATH] = {};
    DWORD computerLength = MAX_COMPUTERNAME_LENGTH + 1;
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    wchar_t user[257] = {};
    DWORD userLength = 257;
    if (GetComputerNameW(computer, &computerLength)) lstrcpynW(account, computer, MAX_PATH);
    if (GetUserNameW(user, &userLength)) PathAppendW(account, user);
    return account;
}

// False when the program may not write tasks; on Windows that can elevate, the
// program restarts elevated and this instance ends.
bool EnsureAdministrator() {
    if (IsCurrentUserAdmin()) return true;
    std::wstring program;
    if (GetWindowsMajorVersion() >= 6 && GetProgramModulePath(program)) {
        const HINSTANCE result =
            ShellExecuteW(nullptr, L"runas", program.c_str(), L"tolvaneschedule", L"", SW_SHOWNORMAL);
        if (reinterpret_cast<INT_PTR>(result) > 32) ExitProcess(0);
    }
    ShowScheduleMessage(L"IDS_NORIGHTS", MB_ICONERROR);
    return false;
}

bool WriteScheduledTask(bool automatic, const ScheduledTaskWriter& writer, const wchar_t* parameters) {
    if (IsNtFamily()) {
        if (!EnsureAdministrator()) return false;
        if (!IsScheduleServiceRunning() && !StartScheduleService()) {
            if (!automatic) ShowScheduleMessage(L"IDS_SERVICENORUN", MB_ICONINFORMATION);
            return false;
        }
    }

    CScheduledTask task;
    // A task with a cut program path would start nothing; it is not written at all.
    if (!GetProgramModulePath(task.application)) {
        ShowScheduleMessage(L"IDS_NEWTASKERROR", MB_ICONERROR);
        return false;
    }
    task.parameters = parameters;
    SYSTEMTIME start{};
    if (writer.StartAsSystemTime(start)) {
        start.wSecond = 0;
        start.wMilliseconds = 0;
        task.start = start;
    }
    task.account = CurrentAccountName();
    task.taskName = writer.taskName;
    switch (writer.kind) {
    case ScheduledTaskWriter::kOnce:
        task.triggerKind = CScheduledTask::kOnce;
        break;
    case ScheduledTaskWriter::kDaily:
        task.triggerKind = CScheduledTask::kDaily;
        task.interval = writer.interval;
        break;
    case ScheduledTaskWriter::kWeekly:
        task.triggerKind = CScheduledTask::kWeekly;
        task.interval = writer.interval;
        SetWeekdayFlags(writer.dayFlags, task);
        break;
    default:
        ShowScheduleMessage(L"IDS_NEWTASKERROR", MB_ICONERROR);
        return false;
    }

    HRESULT hr = task.SaveTask();
    if (hr == kTaskExists) {
        // The scheduler keeps no history the user would miss: replace the old task. A
        // task that could not be replaced is a failure, or the caller would record a
        // schedule that the scheduler does not hold.
        hr = DeleteScheduledTask(task.taskName);
        if (SUCCEEDED(hr)) hr = task.SaveTask();
    }
    if (hr == E_ACCESSDENIED) {
        ShowScheduleMessage(L"IDS_NORIGHTS", MB_ICONINFORMATION);
        return false;
    }
    if (hr == kInvalidTaskName) {
        ShowScheduleMessage(L"IDS_VALIDFILE", MB_ICONINFORMATION);
        return false;
    }
    if (FAILED(hr)) {
        ShowScheduleMessage(L"IDS_NEWTASKERROR", MB_ICONERROR);
        return false;
    }
    return true;
}

}  // namespace

bool CreateScheduledScanTask(bool automatic, const ScheduledTaskWriter& writer) {
    // The start-up caller's own task is the weekly update check; the schedule page's
    // is the scan.
    return WriteScheduledTask(automatic, writer, automatic ? L"-updatecheck" : L"scan");
}

bool CreateDefaultScanTask() {
    ScheduledTaskWriter writer;
    writer.taskName = kScanTaskName;
    writer.SetStart(AppClock().LocalTime());
    writer.start += 1.0 / 24.0;
    writer.kind = ScheduledTaskWriter::kDaily;
    writer.interval = 1;

    const std::wstring text = FormatScheduleText(writer);
    if (text.empty()) return false;
    if (!WriteScheduledTask(true, writer, L"-scan")) return false;

    CRegistry key;
    if (!key.Open(kProductKeyPath, HKEY_CURRENT_USER, true)) return false;
    key.WriteDword(L"m_rBtnEvery", 1);
    key.WriteString(L"ScheduledTime", text);
    return true;
}

bool CreateDefaultUpdateTask() {
    ScheduledTaskWriter writer;
    writer.taskName = kUpdateTaskName;
    writer.SetStart(AppClock().LocalTime());
    writer.kind = ScheduledTaskWriter::kWeekly;
    writer.interval = 1;
    writer.dayFlags[ScheduledTaskWriter::kWednesday] = 1;
    if (FormatScheduleText(writer).empty()) return false;
    return WriteScheduledTask(true, writer, L"-updatecheck");
}

void DeleteLegacyScheduledTasks() {
    Microsoft::WRL::ComPtr<ITaskScheduler> scheduler;
    if (FAILED(CreateTaskScheduler(scheduler))) return;
    // Most machines never had these names: a missing task is the usual answer.
    for (const wchar_t* name : kLegacyTaskNames) scheduler->Delete(name);
}
