#pragma once

#include <windows.h>
#include <mstask.h>

#include <optional>
#include <string>

// What Task Scheduler 1.0 holds for one task, read back through the scheduler.
struct StoredTask {
    std::wstring application;
    std::wstring parameters;
    DWORD flags = 0;
    WORD triggerCount = 0;
    TASK_TRIGGER trigger{};  // the first trigger
};

// Empty when the scheduler has no task of that name. COM must be initialised.
std::optional<StoredTask> ReadScheduledTask(const std::wstring& name);
bool RemoveScheduledTask(const std::wstring& name);

// A task name no other test process uses, e.g. "HalvenorTest_1234_daily".
std::wstring UniqueTaskName(const std::wstring& suffix);

// Initialises COM for the test's thread and removes the named task at the start and
// at the end, so a run never sees a task an earlier run left behind. Test processes
// that use the same name (the program's own task names) take turns: each holds the
// name for the life of the object.
class ScopedScheduledTask {
public:
    explicit ScopedScheduledTask(std::wstring name);
    ~ScopedScheduledTask();
    ScopedScheduledTask(const ScopedScheduledTask&) = delete;
    ScopedScheduledTask& operator=(const ScopedScheduledTask&) = delete;

    const std::wstring& Name() const { return name_; }
    bool ComReady() const { return comReady_; }

private:
    std::wstring name_;
    HANDLE turn_ = nullptr;
    bool comReady_ = false;
};

// The task as a second process reads it from the scheduler; empty when that process
// finds no such task or cannot run.
// The task in a file, for the second process to hand it back.
bool WriteTaskDump(const StoredTask& task, const std::wstring& path);
std::optional<StoredTask> ReadTaskDump(const std::wstring& path);

std::optional<StoredTask> ReadScheduledTaskInAnotherProcess(const std::wstring& name);
