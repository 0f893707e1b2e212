#include "tests/support/scoped_app_data_folder.h"

#include <windows.h>

#include "foundation/daily_log.h"

ScopedAppDataFolder::ScopedAppDataFolder() {
    if (!roots_.Active()) return;
    HKEY key = nullptr;
    // The shell reads the folder from here on every request; the private user root
    // makes the value this process's alone.
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                        0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const std::wstring& path = folder_.Path();
    active_ = RegSetValueExW(key, L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                             static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
}

ScopedAppDataFolder::~ScopedAppDataFolder() {
    // The process's log stays open for the whole run in the data folder it was named
    // in; when that is this folder, it closes with it (anything logged later is
    // dropped), since removing a folder that holds an open file does not end.
    const std::wstring log = ProcessLog().Path();
    const std::wstring inside = folder_.Path() + L"\\";
    if (log.size() > inside.size() && _wcsnicmp(log.c_str(), inside.c_str(), inside.size()) == 0) CloseLogFile();
}
