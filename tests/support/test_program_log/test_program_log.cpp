// Linked into every test program: its own lines go to a log of its own under the
// temporary folder, never into the data folder's log that the programs under test
// write and that end-to-end tests read.

#include <windows.h>

#include <string>

#include "foundation/daily_log.h"

namespace {

std::wstring TestProgramLogFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return {};
    std::wstring folder = std::wstring(temp) + L"halvenor-test-log-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

const bool logApart = [] {
    SetProcessLogFolder(TestProgramLogFolder);
    return true;
}();

}  // namespace
