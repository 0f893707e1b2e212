#include "shell/scheduled_tasks/scheduled_task.h"

#include <objidl.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t* NullWhenEmpty(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

HRESULT CreateTaskScheduler(ComPtr<ITaskScheduler>& scheduler) {
    return CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                            reinterpret_cast<void**>(scheduler.ReleaseAndGetAddressOf()));
}

CScheduledTask::CScheduledTask() { isNt = (GetVersion() & 0x80000000u) == 0; }

HRESULT CScheduledTask::SaveTask() {
    if (taskName.empty() || application.empty() || start.wYear == 0 || start.wMonth == 0 || start.wDay == 0) {
        return E_FAIL;
    }
    ComPtr<ITaskScheduler> scheduler;
    HRESULT hr = CreateTaskScheduler(scheduler);
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> workItem;
    hr = scheduler->NewWorkItem(taskName.c_str(), CLSID_CTask, IID_ITask,
                                reinterpret_cast<IUnknown**>(workItem.GetAddressOf()));
    if (FAILED(hr)) return hr;
    ComPtr<ITask> task;
    hr = workItem->QueryInterface(IID_ITask, reinterpret_cast<void**>(task.GetAddressOf()));
    workItem.Reset();
    if (FAILED(hr)) return hr;

    if (FAILED(hr = task->SetApplicationName(application.c_str()))) return hr;
    if (!parameters.empty() && FAILED(hr = task->SetParameters(parameters.c_str()))) return hr;
    if (!workingDirectory.empty() && FAILED(hr = task->SetWorkingDirectory(workingDirectory.c_str()))) return hr;
    if (isNt) {
        // No password: the task runs only while its user is logged on.
        const wchar_t* user = account.empty() ? L"" : account.c_str();
        hr = task->SetAccountInformation(user, NullWhenEmpty(password));
        if (FAILED(hr)) return hr;
    }
    if (!comment.empty() && FAILED(hr = task->SetComment(comment.c_str()))) return hr;
    DWORD flags = TASK_FLAG_RUN_ONLY_IF_LOGGED_ON;
    if (isNt) flags |= TASK_FLAG_INTERACTIVE;
    if (FAILED(hr = task->SetFlags(flags))) return hr;
    if (FAILED(hr = SetTaskTrigger(task.Get(), true, 0))) return hr;

    ComPtr<IPersistFile> file;
    if (FAILED(hr = task->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.GetAddressOf())))) return hr;
    if (FAILED(hr = file->Save(nullptr, FALSE))) return hr;
    return task->GetNextRunTime(&nextRun);
}

HRESULT CScheduledTask::SetTaskTrigger(ITask* task, bool create, WORD index) {
    if (task == nullptr) return E_POINTER;
    TASK_TRIGGER trigger{};
    trigger.cbTriggerSize = sizeof(TASK_TRIGGER);
    trigger.wBeginYear = start.wYear;
    trigger.wBeginMonth = start.wMonth;
    trigger.wBeginDay = start.wDay;
    if (end.wYear != 0) {
        trigger.wEndYear = end.wYear;
        trigger.wEndMonth = end.wMonth;
        trigger.wEndDay = end.wDay;
        trigger.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
    }
    trigger.wStartHour = start.wHour;
    trigger.wStartMinute = start.wMinute;
    switch (triggerKind) {
    case kDaily:
        trigger.TriggerType = TASK_TIME_TRIGGER_DAILY;
        trigger.Type.Daily.DaysInterval = interval != 0 ? interval : 1;
        break;
    case kWeekly:
        trigger.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
        trigger.Type.Weekly.WeeksInterval = interval != 0 ? interval : 1;
        trigger.Type.Weekly.rgfDaysOfTheWeek = weekdayBits != 0 ? weekdayBits : GetWeekdayFlag(start);
        break;
    default:
        trigger.TriggerType = TASK_TIME_TRIGGER_ONCE;
        break;
    }

    ComPtr<ITaskTrigger> taskTrigger;
    WORD newIndex = 0;
    const HRESULT hr = create ? task->CreateTrigger(&newIndex, taskTrigger.GetAddressOf())
                              : task->GetTrigger(index, taskTrigger.GetAddressOf());
    if (FAILED(hr)) return hr;
    return taskTrigger->SetTrigger(&trigger);
}

HRESULT DeleteScheduledTask(const std::wstring& name) {
    if (name.empty()) return E_FAIL;
    ComPtr<ITaskScheduler> scheduler;
    const HRESULT hr = CreateTaskScheduler(scheduler);
    if (FAILED(hr)) return hr;
    return scheduler->Delete(name.c_str());
}

WORD GetWeekdayFlag(const SYSTEMTIME& date) {
    // A round trip through a file time checks the date and yields its weekday.
    SYSTEMTIME day{};
    day.wYear = date.wYear;
    day.wMonth = date.wMonth;
    day.wDay = date.wDay;
    FILETIME fileTime{};
    SYSTEMTIME checked{};
    if (!SystemTimeToFileTime(&day, &fileTime) || !FileTimeToSystemTime(&fileTime, &checked)) return 0;
    return static_cast<WORD>(1u << checked.wDayOfWeek);
}

void SetWeekdayFlags(const BYTE* dayFlags, CScheduledTask& task) {
    if (dayFlags == nullptr) return;
    // Monday first in the flags; Sunday is the scheduler's lowest bit.
    static constexpr WORD kBits[7] = {TASK_MONDAY, TASK_TUESDAY,  TASK_WEDNESDAY, TASK_THURSDAY,
                                      TASK_FRIDAY, TASK_SATURDAY, TASK_SUNDAY};
    for (int day = 0; day < 7; ++day) {
        if (dayFlags[day] == 1) task.weekdayBits |= kBits[day];
    }
}
