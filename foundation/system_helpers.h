#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// Read once per process and kept.
unsigned GetWindowsMajorVersion();
unsigned GetWindowsMinorVersion();
// False only on the Windows 95 family.
bool IsWindowsNT();

bool IsWow64();

// True when the process's token is granted access by a descriptor that admits only
// the local Administrators group.
bool IsCurrentUserAdmin();

// Enables the shutdown privilege and forces a restart; the result of ExitWindowsEx.
BOOL RebootComputer();

// The program file's path, or the first command-line argument when that file is gone.
std::wstring GetModulePath();
// The process's command-line arguments, the program's own path left out.
std::vector<std::wstring> ProcessArguments();

// "a.b.c.d" from the program file's fixed version; "0" without one.
std::wstring GetAppFileVersionString();

// The names of the key's sub-keys; true when there is at least one.
bool EnumRegistrySubkeys(HKEY key, std::vector<std::wstring>& names);

using StringMap = std::map<std::wstring, std::wstring>;

bool MapContainsKey(const StringMap& map, const std::wstring& key);

// The device classes whose drivers are treated as storage, bus or port drivers.
void FillDeviceClassNames(StringMap& map);
