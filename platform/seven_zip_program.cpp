#include "platform/seven_zip_program.h"

std::wstring BuildSevenZipExtractCommandLine(const std::wstring& programPath, const std::wstring& archivePath,
                                             const std::wstring& outputFolder) {
    std::wstring folder = outputFolder;
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return L"\"" + programPath + L"\" x -y \"" + archivePath + L"\" -o\"" + folder + L"\" -r ";
}

bool SevenZipExitCodeMeansExtracted(DWORD exitCode) { return exitCode <= 1; }
