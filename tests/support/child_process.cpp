#include "tests/support/child_process.h"

#include <vector>

#include "platform/started_program.h"

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
    const StartedProgram started = StartedProgram::Start(std::wstring(), commandLine, SW_HIDE);
    if (started.Wait(timeoutMs) != WAIT_OBJECT_0) {
        started.Terminate(1);
        return std::nullopt;
    }
    return started.ExitCode();
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
