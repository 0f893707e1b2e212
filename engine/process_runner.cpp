#include "engine/process_runner.h"

#include <vector>

bool RunProcessAndWait(const std::wstring& program, const std::wstring& parameters, bool show, DWORD& exitCode,
                       DWORD& waitResult, const ProcessWaitLimits& limits) {
    const std::wstring commandLine = L"\"" + program + L"\" " + parameters;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show ? SW_SHOWNORMAL : SW_HIDE;
    PROCESS_INFORMATION process = {};
    waitResult = WAIT_FAILED;
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    waitResult = WaitForSingleObject(process.hProcess, limits.firstWaitMs);
    if (waitResult == WAIT_TIMEOUT) waitResult = WaitForSingleObject(process.hProcess, limits.secondWaitMs);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waitResult == WAIT_OBJECT_0;
}
