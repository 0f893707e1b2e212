// A stand-in for the 7-Zip program: logs its command line, may take its time, and
// ends with the exit code the test asks for.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t text[1024] = {};
    return GetEnvironmentVariableW(name, text, 1024) ? std::wstring(text) : std::wstring();
}

}  // namespace

int main() {
    const std::wstring log = Variable(L"HALVENOR_FAKE_7Z_LOG");
    if (!log.empty()) {
        HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
            CloseHandle(file);
        }
    }
    const std::wstring sleep = Variable(L"HALVENOR_FAKE_7Z_SLEEP_MS");
    if (!sleep.empty()) Sleep(static_cast<DWORD>(std::wcstoul(sleep.c_str(), nullptr, 10)));
    // Shows that the run was not ended early.
    const std::wstring done = Variable(L"HALVENOR_FAKE_7Z_DONE");
    if (!done.empty()) CloseHandle(CreateFileW(done.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return static_cast<int>(std::wcstoul(Variable(L"HALVENOR_FAKE_7Z_EXIT").c_str(), nullptr, 10));
}
