#include "engine/process_runner.h"

#include "platform/started_program.h"

bool RunProcessAndWait(const std::wstring& program, const std::wstring& parameters, bool show, DWORD& exitCode,
                       DWORD& waitResult, const ProcessWaitLimits& limits) {
    const StartedProgram started =
        StartedProgram::Start(program, L"\"" + program + L"\" " + parameters, show ? SW_SHOWNORMAL : SW_HIDE);
    waitResult = WAIT_FAILED;
    if (!started.Started()) return false;
    waitResult = started.WaitTwice(limits.firstWaitMs, limits.secondWaitMs);
    if (const auto code = started.ExitCode()) exitCode = *code;
    return waitResult == WAIT_OBJECT_0;
}
