#pragma once

#include <windows.h>

#include <string>

// The names every caller passes for the helper's three results.
inline constexpr wchar_t kHelperResultRoot[] = L"HKEY_CURRENT_USER";
inline constexpr wchar_t kHelperResultKeyPath[] = L"Software\\Brennavik\\Halvenor";
inline constexpr wchar_t kHelperSuccessValue[] = L"IsUpdateSuccessFull";
inline constexpr wchar_t kHelperPnpErrorValue[] = L"UpdatePnPErrorCode";
inline constexpr wchar_t kHelperDifxErrorValue[] = L"DifxErrorCode";

inline constexpr wchar_t kInstallHelperFileName[] = L"Kavelin64.exe";

struct InstallHelperArguments {
    std::wstring hwdid;
    std::wstring inf;
    std::wstring hkey = kHelperResultRoot;
    std::wstring regpath = kHelperResultKeyPath;
    std::wstring regval = kHelperSuccessValue;
    std::wstring regvalupnp = kHelperPnpErrorValue;
    std::wstring regvaldifx = kHelperDifxErrorValue;
};

// The helper's parameters after the program path: the mode switch, then the seven
// name="value" pairs in the order the helper expects.
std::wstring BuildInstallHelperParameters(int mode, const InstallHelperArguments& arguments);

// Starts the 64-bit helper (mode 1 update, 2 forced reinstall, 3 pre-install) from
// `helperFolder`, waits for it and reads its results back. Returns 1 when the helper
// reported success, 0 otherwise: also when an argument is unusable (a value with a
// double quote would break the helper's command line), the helper is missing or did
// not start.
int RunInstallHelper64(int mode, const std::wstring& helperFolder, const InstallHelperArguments& arguments,
                       DWORD& pnpError, DWORD& difxError);

// Root names "HKEY_CURRENT_USER" and "HKEY_LOCAL_MACHINE"; any other name does nothing.
int DeleteRegistryValueByRootName(const std::wstring& rootName, const std::wstring& keyPath,
                                  const std::wstring& valueName);
// A REG_SZ decimal text as an unsigned number (negative texts wrap); 0 when missing.
DWORD ReadRegistryDecimalByRootName(const std::wstring& rootName, const std::wstring& keyPath,
                                    const std::wstring& valueName);
