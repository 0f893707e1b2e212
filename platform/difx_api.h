#pragma once

// The three entry points of the Driver Install Frameworks library ("difxapi.dll")
// that both programs load by name. The toolchain ships no header or import library
// for it, so the signatures are declared here from the library's documented ABI.

#include <windows.h>

struct DifxInstallerInfo {
    PWSTR applicationId;
    PWSTR displayName;
    PWSTR productName;
    PWSTR manufacturerName;
};

enum DifxLogEvent : int {
    kDifxLogSuccess = 0,
    kDifxLogInfo,
    kDifxLogWarning,
    kDifxLogError,
};

using DifxLogCallback = VOID(WINAPI*)(DifxLogEvent eventType, DWORD error, PCWSTR description,
                                      PVOID context);

using DriverPackageInstallFn = DWORD(WINAPI*)(PCWSTR infPath, DWORD flags,
                                              const DifxInstallerInfo* installerInfo, BOOL* needReboot);
using DriverPackagePreinstallFn = DWORD(WINAPI*)(PCWSTR infPath, DWORD flags);
using DifxSetLogCallbackFn = VOID(WINAPI*)(DifxLogCallback callback, PVOID context);

inline constexpr DWORD kDifxLegacyMode = 0x10;

// The DIFx calls copy the INF path into a buffer of this many characters; a longer
// path is refused rather than cut, since a cut path names some other file.
inline constexpr size_t kDifxMaxInfPathChars = 260;
