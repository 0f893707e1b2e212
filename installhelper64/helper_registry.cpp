#include "installhelper64/helper_registry.h"

#include <cwchar>

#include "platform/registry.h"

HKEY ResolveResultRoot(const std::wstring& rootName) {
    return _wcsicmp(rootName.c_str(), L"HKEY_LOCAL_MACHINE") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool WriteRegistryDecimal(const std::wstring& rootName, const std::wstring& keyPath,
                          const std::wstring& valueName, int number) {
    CRegistry registry;
    if (!registry.Open(keyPath, ResolveResultRoot(rootName), true)) return false;
    return registry.WriteString(valueName.c_str(), std::to_wstring(number));
}

bool WriteInstallResults(const std::wstring& hkey, const std::wstring& regpath, const std::wstring& regval,
                         const std::wstring& regvalupnp, const std::wstring& regvaldifx, bool success,
                         DWORD pnpError, DWORD difxError) {
    const bool pnpWritten = WriteRegistryDecimal(hkey, regpath, regvalupnp, static_cast<int>(pnpError));
    const bool difxWritten = WriteRegistryDecimal(hkey, regpath, regvaldifx, static_cast<int>(difxError));
    const bool reportSuccess = success && pnpWritten && difxWritten;
    const bool successWritten = WriteRegistryDecimal(hkey, regpath, regval, reportSuccess ? 1 : 0);
    return pnpWritten && difxWritten && successWritten;
}
