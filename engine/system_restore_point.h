#pragma once

#include <windows.h>
#include <srrestoreptapi.h>

#include <string>

// System Restore's client entry point. The program's own loads "srclient.dll" once
// per process and looks the entry up on every call; tests put one in its place.
class SystemRestoreClient {
public:
    virtual ~SystemRestoreClient() = default;
    // False when the library or its entry point is missing, or the call fails.
    virtual bool SetRestorePoint(RESTOREPOINTINFOW& request, STATEMGRSTATUS& status) = 0;
};

// Where the restore point's once-a-day rule takes the present UTC time from.
class UtcTimeSource {
public:
    virtual ~UtcTimeSource() = default;
    virtual SYSTEMTIME Now() const = 0;
};

// What a restart does to the system; tests watch instead of restarting.
class SystemRestartActions {
public:
    virtual ~SystemRestartActions() = default;
    virtual void EnableShutdownPrivilege() = 0;
    virtual void PostQuit(int exitCode) = 0;
    virtual void RequestRestart(UINT flags, DWORD reason) = 0;
};

// nullptr puts the system's own back. An installed object must outlive its use.
void SetSystemRestoreClient(SystemRestoreClient* client);
void SetUtcTimeSource(const UtcTimeSource* source);
void SetSystemRestartActions(SystemRestartActions* actions);

// The description that fits the request: at most 63 characters.
inline constexpr size_t kRestorePointDescriptionLimit = 63;

// True when a restore point was made or none was due (one was made less than 25
// hours ago); false when the system, the library or the call failed. The time of a
// restore point is saved only after both calls succeeded.
bool CreateRestorePoint(const std::wstring& description);

bool IsRestorePointDue();
// "LastRestorePointTime" in "SYSRES" under the user's product key: 16 bytes of UTC.
bool ReadRestorePointTime(SYSTEMTIME& time);
bool SaveRestorePointTime();

// The present local time as "%a, %b %d, %y  %H:%M".
std::wstring FormatCurrentTime();
// The time value as local time in the format; empty when either fails or no format
// is given.
std::wstring& FormatTime(const wchar_t* format, std::wstring& out, __time64_t time);

// Restarts Windows, asking running programs to close; while Windows has component
// work pending (Vista and later) the program only quits with exit code 18.
void RestartWindows();

inline constexpr int kPendingComponentWorkExitCode = 18;
inline constexpr UINT kRestartFlags = EWX_REBOOT | EWX_FORCEIFHUNG;
inline constexpr DWORD kRestartReason = SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MINOR_MAINTENANCE;
