#include "tests/support/wine_dll_overrides.h"

#include <windows.h>

bool PreferLibrariesBesideProgram(const std::wstring& programFileName,
                                  std::initializer_list<const wchar_t*> libraries) {
    const std::wstring path = L"Software\\Wine\\AppDefaults\\" + programFileName + L"\\DllOverrides";
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    static const wchar_t kOrder[] = L"native,builtin";
    bool written = true;
    for (const wchar_t* library : libraries) {
        written = RegSetValueExW(key, library, 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder), sizeof(kOrder)) ==
                      ERROR_SUCCESS &&
                  written;
    }
    RegCloseKey(key);
    return written;
}
