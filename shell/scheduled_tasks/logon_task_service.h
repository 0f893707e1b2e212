#pragma once

#include <string>

// A task that starts a program when any user logs on, as Task Scheduler 2.0 keeps it.
struct LogonTaskDefinition {
    std::wstring name;
    std::wstring author;
    std::wstring programPath;
    std::wstring arguments;
    std::wstring startDelay;          // after the logon, e.g. "PT5S"
    std::wstring executionTimeLimit;  // "PT0S": no limit
    std::wstring groupSid;            // the group whose members' logons start it
    bool highestRunLevel = false;
};

// Task Scheduler 2.0 as the start-up reminder uses it. Tests put a recording one in
// place: the real one under Wine neither builds a logon trigger nor keeps triggers.
class LogonTaskService {
public:
    virtual ~LogonTaskService() = default;
    // Replaces any task of that name; true only when the new one was registered.
    virtual bool Register(const LogonTaskDefinition& task) = 0;
    virtual void Delete(const std::wstring& name) = 0;
};

// The system's Task Scheduler 2.0, unless a test has put another one in place.
LogonTaskService& CurrentLogonTaskService();
// nullptr brings the system's back. The service must outlive its installation.
void SetLogonTaskService(LogonTaskService* service);
