#pragma once

#include <windows.h>
#include <mstask.h>
#include <wrl/client.h>

#include <string>

// One Task Scheduler 1.0 work item being built; SaveTask writes it.
class CScheduledTask {
public:
    enum TriggerKind { kOnce = 1, kDaily = 2, kWeekly = 3 };

    CScheduledTask();
    virtual ~CScheduledTask() = default;

    SYSTEMTIME start{};    // begin date and start time of the trigger
    SYSTEMTIME end{};      // end date; all zero = none
    SYSTEMTIME nextRun{};  // filled from the scheduler after the task is saved
    int triggerKind = 0;
    std::wstring application;
    std::wstring parameters;
    std::wstring workingDirectory;
    std::wstring account;
    std::wstring password;
    std::wstring comment;
    std::wstring taskName;
    WORD interval = 0;
    WORD weekdayBits = 0;  // Sunday 1, Monday 2, ... Saturday 64
    bool isNt = false;

    // Creates the work item with its one trigger and saves it; 0x80070050 when a
    // task of that name exists already.
    HRESULT SaveTask();
    HRESULT SetTaskTrigger(ITask* task, bool create, WORD index);
};

// The Task Scheduler 1.0 service object; COM must be initialised by the caller.
HRESULT CreateTaskScheduler(Microsoft::WRL::ComPtr<ITaskScheduler>& scheduler);

// Removes the task of that name from the scheduler.
HRESULT DeleteScheduledTask(const std::wstring& name);

// The Task Scheduler's bit of the date's weekday; 0 when the date is not valid.
WORD GetWeekdayFlag(const SYSTEMTIME& date);
// Adds the bit of every day among the seven (Monday first) that equals 1.
void SetWeekdayFlags(const BYTE* dayFlags, CScheduledTask& task);
