#include "tests/support/child_process.h"

#include <vector>

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::wstring name, const std::wstring& value)
    : name_(std::move(name)) {
    const DWORD needed = GetEnvironmentVariableW(name_.c_str(), nullptr, 0);
    if (needed > 0) {
        std::wstring text(needed, L'\0');
        const DWORD length = GetEnvironmentVariableW(name_.c_str(), text.data(), needed);
        text.resize(length);
        previous_ = text;
    }
    SetEnvironmentVariableW(name_.c_str(), value.c_str());
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

std::optional<DWORD> RunProgramAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return std::nullopt;
    }
    std::optional<DWORD> exitCode;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) exitCode = code;
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

std::wstring WindowsPathFromHost(const std::string& hostPath) {
    using DosNameFn = LPWSTR(CDECL*)(LPCSTR);
    const auto dosName = reinterpret_cast<DosNameFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (dosName != nullptr) {
        if (LPWSTR converted = dosName(hostPath.c_str())) {
            std::wstring result(converted);
            HeapFree(GetProcessHeap(), 0, converted);
            return result;
        }
    }
    std::wstring result = L"Z:";
    for (char c : hostPath) result += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return result;
}
