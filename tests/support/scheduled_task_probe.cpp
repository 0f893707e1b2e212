#include "tests/support/scheduled_task_probe.h"

#include <wrl/client.h>

#include <cstring>

#include "tests/support/child_process.h"

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

void AppendText(std::string& bytes, const std::wstring& text) {
    const DWORD length = static_cast<DWORD>(text.size());
    bytes.append(reinterpret_cast<const char*>(&length), sizeof(length));
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

bool TakeBytes(const std::string& bytes, size_t& offset, void* out, size_t count) {
    if (bytes.size() - offset < count) return false;
    memcpy(out, bytes.data() + offset, count);
    offset += count;
    return true;
}

bool TakeText(const std::string& bytes, size_t& offset, std::wstring& text) {
    DWORD length = 0;
    if (!TakeBytes(bytes, offset, &length, sizeof(length)) || (bytes.size() - offset) / sizeof(wchar_t) < length) {
        return false;
    }
    text.resize(length);
    return TakeBytes(bytes, offset, text.data(), length * sizeof(wchar_t));
}

}  // namespace

bool WriteTaskDump(const StoredTask& task, const std::wstring& path) {
    std::string bytes;
    bytes.append(reinterpret_cast<const char*>(&task.flags), sizeof(task.flags));
    bytes.append(reinterpret_cast<const char*>(&task.triggerCount), sizeof(task.triggerCount));
    bytes.append(reinterpret_cast<const char*>(&task.trigger), sizeof(task.trigger));
    AppendText(bytes, task.application);
    AppendText(bytes, task.parameters);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::optional<StoredTask> ReadTaskDump(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    const bool ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size();
    CloseHandle(file);
    if (!ok) return std::nullopt;
    StoredTask task;
    size_t offset = 0;
    if (!TakeBytes(bytes, offset, &task.flags, sizeof(task.flags)) ||
        !TakeBytes(bytes, offset, &task.triggerCount, sizeof(task.triggerCount)) ||
        !TakeBytes(bytes, offset, &task.trigger, sizeof(task.trigger)) || !TakeText(bytes, offset, task.application) ||
        !TakeText(bytes, offset, task.parameters)) {
        return std::nullopt;
    }
    return task;
}

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
    std::wstring turnName = L"HalvenorTestTaskTurn_" + name_;
    for (wchar_t& ch : turnName) {
        if (ch == L'\\') ch = L'_';
    }
    CharLowerW(turnName.data());
    turn_ = CreateMutexW(nullptr, FALSE, turnName.c_str());
    // An abandoned turn (a test process that died) is a turn all the same.
    if (turn_ != nullptr) WaitForSingleObject(turn_, INFINITE);
    comReady_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    RemoveScheduledTask(name_);
}

ScopedScheduledTask::~ScopedScheduledTask() {
    RemoveScheduledTask(name_);
    if (comReady_) CoUninitialize();
    if (turn_ != nullptr) {
        ReleaseMutex(turn_);
        CloseHandle(turn_);
    }
}

std::optional<StoredTask> ReadScheduledTaskInAnotherProcess(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    wchar_t output[MAX_PATH] = {};
    if (GetTempFileNameW(folder, L"tsk", 0, output) == 0) return std::nullopt;
    const std::wstring dumper = WindowsPathFromHost(HALVENOR_TASK_DUMP_HOST_PATH);
    const auto exitCode = RunProgramAndWait(L"\"" + dumper + L"\" \"" + name + L"\" \"" + output + L"\"");
    std::optional<StoredTask> stored;
    if (exitCode == 0u) stored = ReadTaskDump(output);
    DeleteFileW(output);
    return stored;
}
