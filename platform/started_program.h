#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/scoped_handle.h"

// A program started with CreateProcessW. The owner closes the process handle, never
// the process: a program still running when the owner ends runs on. Header-only, so
// the 64-bit helper's side can use it without the rest of the platform library.
class StartedProgram {
public:
    // `application` may be empty: the command line's first token names the program then.
    static StartedProgram Start(const std::wstring& application, const std::wstring& commandLine, WORD show) {
        std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
        line.push_back(L'\0');
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
        PROCESS_INFORMATION process = {};
        StartedProgram started;
        if (CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr, FALSE,
                           0, nullptr, nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            started.process_.Reset(process.hProcess);
        }
        return started;
    }

    bool Started() const { return process_.Valid(); }

    // WaitForSingleObject's answer; WAIT_FAILED when nothing was started.
    DWORD Wait(DWORD milliseconds) const {
        return Started() ? WaitForSingleObject(process_.Get(), milliseconds) : WAIT_FAILED;
    }

    // Waits `first`, then once more `second` when the first wait ran out.
    DWORD WaitTwice(DWORD first, DWORD second) const {
        const DWORD waited = Wait(first);
        return waited == WAIT_TIMEOUT ? Wait(second) : waited;
    }

    std::optional<DWORD> ExitCode() const {
        DWORD code = 0;
        if (!Started() || !GetExitCodeProcess(process_.Get(), &code)) return std::nullopt;
        return code;
    }

    void Terminate(UINT exitCode) const {
        if (Started()) TerminateProcess(process_.Get(), exitCode);
    }

private:
    UniqueHandle process_;
};
