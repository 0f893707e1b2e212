#include "engine/system_restore_point.h"

#include <cwchar>
#include <ctime>
#include <exception>
#include <mutex>

#include "platform/scoped_handle.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "foundation/product_key.h"
#include "platform/registry.h"
#include "foundation/system_helpers.h"

namespace {

constexpr wchar_t kRestorePointKey[] = L"SYSRES";
constexpr wchar_t kRestorePointValue[] = L"LastRestorePointTime";
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kHoursBetweenRestorePoints = 24;

class SrClientLibrary final : public SystemRestoreClient {
public:
    bool SetRestorePoint(RESTOREPOINTINFOW& request, STATEMGRSTATUS& status) override {
        using SetRestorePointFn = BOOL(WINAPI*)(PRESTOREPOINTINFOW, PSTATEMGRSTATUS);
        // Loaded once and kept: System Restore may still be working for us after a call.
        static HMODULE library = LoadLibraryW(L"srclient.dll");
        if (library == nullptr) return false;
        const auto entry =
            reinterpret_cast<SetRestorePointFn>(reinterpret_cast<void*>(GetProcAddress(library, "SRSetRestorePointW")));
        if (entry == nullptr) return false;
        return entry(&request, &status) != FALSE;
    }
};

class SystemUtcTime final : public UtcTimeSource {
public:
    SYSTEMTIME Now() const override {
        SYSTEMTIME now{};
        GetSystemTime(&now);
        return now;
    }
};

class SystemRestart final : public SystemRestartActions {
public:
    void EnableShutdownPrivilege() override {
        UniqueHandle owned;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, owned.Receive())) return;
        const HANDLE token = owned.Get();
        TOKEN_PRIVILEGES privileges{};
        if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
    }
    void PostQuit(int exitCode) override { PostQuitMessage(exitCode); }
    void RequestRestart(UINT flags, DWORD reason) override { ExitWindowsEx(flags, reason); }
};

SrClientLibrary g_srClient;
SystemUtcTime g_systemTime;
SystemRestart g_systemRestart;
SystemRestoreClient* g_client = &g_srClient;
const UtcTimeSource* g_timeSource = &g_systemTime;
SystemRestartActions* g_restart = &g_systemRestart;

std::wstring RestorePointKeyPath() { return std::wstring(kProductKeyPath) + L"\\" + kRestorePointKey; }

bool SecondsOf(const SYSTEMTIME& time, int64_t& seconds) {
    FILETIME fileTime{};
    if (!SystemTimeToFileTime(&time, &fileTime)) return false;
    const uint64_t ticks = (uint64_t{fileTime.dwHighDateTime} << 32) | fileTime.dwLowDateTime;
    seconds = static_cast<int64_t>(ticks / 10000000);
    return true;
}

bool IsVersionWithSystemRestore() {
    const unsigned major = GetWindowsMajorVersion();
    const unsigned minor = GetWindowsMinorVersion();
    return (major == 4 && minor >= 90) || (major == 5 && minor >= 1) || major > 5;
}

std::wstring CutToDescription(const std::wstring& text) { return text.substr(0, kRestorePointDescriptionLimit); }

}  // namespace

void SetSystemRestoreClient(SystemRestoreClient* client) { g_client = client != nullptr ? client : &g_srClient; }
void SetUtcTimeSource(const UtcTimeSource* source) { g_timeSource = source != nullptr ? source : &g_systemTime; }
void SetSystemRestartActions(SystemRestartActions* actions) {
    g_restart = actions != nullptr ? actions : &g_systemRestart;
}

bool ReadRestorePointTime(SYSTEMTIME& time) {
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadOnlyMask);
    if (!key.Open(RestorePointKeyPath(), HKEY_CURRENT_USER, false)) return false;
    if (!key.ValueExists(kRestorePointValue)) return false;
    SYSTEMTIME stored{};
    DWORD bytes = sizeof(stored);
    if (!key.ReadBinary(kRestorePointValue, &stored, bytes) || bytes != sizeof(stored)) return false;
    time = stored;
    return true;
}

bool SaveRestorePointTime() {
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadWriteMask);
    if (!key.Open(RestorePointKeyPath(), HKEY_CURRENT_USER, true)) return false;
    const SYSTEMTIME now = g_timeSource->Now();
    RegSetValueExW(key.Key(), kRestorePointValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&now), sizeof(now));
    return true;
}

bool IsRestorePointDue() {
    SYSTEMTIME stored{};
    if (!ReadRestorePointTime(stored)) return true;
    int64_t storedSeconds = 0;
    int64_t presentSeconds = 0;
    // A stored value that is no valid time is as good as none.
    if (!SecondsOf(stored, storedSeconds) || !SecondsOf(g_timeSource->Now(), presentSeconds)) return true;
    if (presentSeconds <= storedSeconds) return true;
    return (presentSeconds - storedSeconds) / kSecondsPerHour > kHoursBetweenRestorePoints;
}

bool CreateRestorePoint(const std::wstring& description) {
    if (!IsRestorePointDue()) return true;
    try {
        if (!IsVersionWithSystemRestore()) return false;
        RESTOREPOINTINFOW request{};
        request.dwEventType = BEGIN_SYSTEM_CHANGE;
        request.dwRestorePtType = APPLICATION_INSTALL;
        request.llSequenceNumber = 0;
        const std::wstring text =
            description.empty() ? CutToDescription(LoadAppTitleString() + L" " + FormatCurrentTime())
                                : CutToDescription(description);
        wcsncpy(request.szDescription, text.c_str(), kRestorePointDescriptionLimit);
        STATEMGRSTATUS status{};
        if (!g_client->SetRestorePoint(request, status)) return false;
        request.dwEventType = END_SYSTEM_CHANGE;
        request.llSequenceNumber = status.llSequenceNumber;
        if (!g_client->SetRestorePoint(request, status)) return false;
        SaveRestorePointTime();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::wstring& FormatTime(const wchar_t* format, std::wstring& out, __time64_t time) {
    out.clear();
    if (format == nullptr) return out;
    tm local{};
    if (_localtime64_s(&local, &time) != 0) return out;
    wchar_t buffer[128] = {};
    if (wcsftime(buffer, 128, format, &local) == 0) return out;
    out = buffer;
    return out;
}

std::wstring FormatCurrentTime() {
    static std::mutex guard;
    static std::wstring current;
    std::lock_guard<std::mutex> lock(guard);
    FormatTime(L"%a, %b %d, %y  %H:%M", current, _time64(nullptr));
    return current;
}

void RestartWindows() {
    g_restart->EnableShutdownPrivilege();
    wchar_t windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryW(windowsFolder, MAX_PATH);
    std::wstring pending = windowsFolder;
    PathAppendString(pending, L"winsxs\\pending.xml");
    if (GetFileAttributesW(pending.c_str()) != INVALID_FILE_ATTRIBUTES && GetWindowsMajorVersion() > 5) {
        g_restart->PostQuit(kPendingComponentWorkExitCode);
        return;
    }
    g_restart->RequestRestart(kRestartFlags, kRestartReason);
}
