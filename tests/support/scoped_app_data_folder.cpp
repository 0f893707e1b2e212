#include "tests/support/scoped_app_data_folder.h"

#include <windows.h>

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
