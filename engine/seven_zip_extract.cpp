#include "engine/seven_zip_extract.h"

#include <windows.h>

#include <vector>

#include "engine/missing_program_message.h"
#include "platform/seven_zip_program.h"

namespace {

constexpr int kDone = 32;
constexpr int kFailed = 33;

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
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return kFailed;
    }
    DWORD waited = WaitForSingleObject(process.hProcess, limits.firstWaitMs);
    if (waited == WAIT_TIMEOUT) waited = WaitForSingleObject(process.hProcess, limits.secondWaitMs);
    DWORD exitCode = 0;
    if (waited == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        // A half-written extraction must not go on behind the install's back.
        TerminateProcess(process.hProcess, ERROR_TIMEOUT);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0 && SevenZipExitCodeMeansExtracted(exitCode) ? kDone : kFailed;
}
