#pragma once

#include <windows.h>

#include <string>

// HKEY_LOCAL_MACHINE only for that exact name (any case); everything else is the
// current user.
HKEY ResolveResultRoot(const std::wstring& rootName);

// Writes `number` as signed decimal REG_SZ text. True only when the value was written.
bool WriteRegistryDecimal(const std::wstring& rootName, const std::wstring& keyPath,
                          const std::wstring& valueName, int number);

// Writes the two error codes and then the success value, in that order. The success
// value reads 1 only when the install succeeded and both codes were written; the
// result is true only when all three writes succeeded.
bool WriteInstallResults(const std::wstring& hkey, const std::wstring& regpath, const std::wstring& regval,
                         const std::wstring& regvalupnp, const std::wstring& regvaldifx, bool success,
                         DWORD pnpError, DWORD difxError);
