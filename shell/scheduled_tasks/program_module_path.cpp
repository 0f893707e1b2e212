#include "shell/scheduled_tasks/program_module_path.h"

#include <windows.h>

bool GetProgramModulePath(std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    // A length of MAX_PATH means the name was cut to fit the buffer.
    if (length == 0 || length >= MAX_PATH) return false;
    path.assign(buffer, length);
    return true;
}
