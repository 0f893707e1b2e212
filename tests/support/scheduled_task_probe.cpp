#include "tests/support/scheduled_task_probe.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

HRESULT CreateScheduler(ComPtr<ITaskScheduler>& scheduler) {
    return CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                            reinterpret_cast<void**>(scheduler.ReleaseAndGetAddressOf()));
}

std::wstring TakeTaskText(LPWSTR text) {
    std::wstring copy = text != nullptr ? text : L"";
    CoTaskMemFree(text);
    return copy;
}

}  // namespace

std::optional<StoredTask> ReadScheduledTask(const std::wstring& name) {
    ComPtr<ITaskScheduler> scheduler;
    if (FAILED(CreateScheduler(scheduler))) return std::nullopt;
    ComPtr<IUnknown> item;
    if (FAILED(scheduler->Activate(name.c_str(), IID_ITask, item.GetAddressOf()))) return std::nullopt;
    ComPtr<ITask> task;
    if (FAILED(item->QueryInterface(IID_ITask, reinterpret_cast<void**>(task.GetAddressOf())))) return std::nullopt;

    StoredTask stored;
    LPWSTR text = nullptr;
    if (SUCCEEDED(task->GetApplicationName(&text))) stored.application = TakeTaskText(text);
    text = nullptr;
    if (SUCCEEDED(task->GetParameters(&text))) stored.parameters = TakeTaskText(text);
    task->GetFlags(&stored.flags);
    task->GetTriggerCount(&stored.triggerCount);
    ComPtr<ITaskTrigger> trigger;
    if (stored.triggerCount > 0 && SUCCEEDED(task->GetTrigger(0, trigger.GetAddressOf()))) {
        stored.trigger.cbTriggerSize = sizeof(TASK_TRIGGER);
        trigger->GetTrigger(&stored.trigger);
    }
    return stored;
}

bool RemoveScheduledTask(const std::wstring& name) {
    ComPtr<ITaskScheduler> scheduler;
    return SUCCEEDED(CreateScheduler(scheduler)) && SUCCEEDED(scheduler->Delete(name.c_str()));
}

std::wstring UniqueTaskName(const std::wstring& suffix) {
    return L"HalvenorTest_" + std::to_wstring(GetCurrentProcessId()) + L"_" + suffix;
}

ScopedScheduledTask::ScopedScheduledTask(std::wstring name) : name_(std::move(name)) {
    comReady_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    RemoveScheduledTask(name_);
}

ScopedScheduledTask::~ScopedScheduledTask() {
    RemoveScheduledTask(name_);
    if (comReady_) CoUninitialize();
}
