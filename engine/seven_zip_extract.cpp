#include "engine/seven_zip_extract.h"

#include <windows.h>

#include "engine/missing_program_message.h"
#include "platform/seven_zip_program.h"
#include "platform/started_program.h"
#include "scan/scan_operation.h"

namespace {

constexpr int kDone = EngineCode::kFinished;
constexpr int kFailed = EngineCode::kFailed;

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

}  // namespace

int ExtractWith7z(const std::wstring& archivePath, const std::wstring& subFolderName,
                  const std::wstring& holderFolder, std::wstring& message, const ProcessWaitLimits& limits) {
    const size_t slash = archivePath.find_last_of(L'\\');
    const std::wstring archiveFolder = slash == std::wstring::npos ? std::wstring() : archivePath.substr(0, slash + 1);
    const std::wstring extractionFolder = archiveFolder + subFolderName + L"\\";
    const std::wstring program = WithBackslash(holderFolder) + L"extract\\7z.exe";
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        message = MissingProgramMessage();
        return kFailed;
    }

    const std::wstring commandLine = BuildSevenZipExtractCommandLine(program, archivePath, extractionFolder);
    const StartedProgram started = StartedProgram::Start(program, commandLine, SW_HIDE);
    if (!started.Started()) return kFailed;
    const DWORD waited = started.WaitTwice(limits.firstWaitMs, limits.secondWaitMs);
    DWORD exitCode = 0;
    if (waited == WAIT_OBJECT_0) {
        exitCode = started.ExitCode().value_or(0);
    } else {
        // A half-written extraction must not go on behind the install's back.
        started.Terminate(ERROR_TIMEOUT);
        started.Wait(5000);
    }
    return waited == WAIT_OBJECT_0 && SevenZipExitCodeMeansExtracted(exitCode) ? kDone : kFailed;
}
