#pragma once

#include <windows.h>

#include <string>

// What the install engine expects of the 7-Zip command-line program kept in the
// program's "extract" folder: "x" extracts with the archive's folders, "-y" answers
// every question with yes, "-o" names the output folder, "-r" recurses.
// The program path is quoted; the output folder loses a trailing backslash, which
// the usual argument rules would read as an escaped closing quote.
std::wstring BuildSevenZipExtractCommandLine(const std::wstring& programPath, const std::wstring& archivePath,
                                             const std::wstring& outputFolder);

// 0 is a clean run and 1 a run with warnings only (for instance data after the end
// of an archive inside a setup program); the members were extracted in both cases.
// 2 and above are fatal errors, bad command lines or a stop by the user.
bool SevenZipExitCodeMeansExtracted(DWORD exitCode);
