#pragma once

#include <string>

#include "engine/process_runner.h"

// Extracts `archivePath` with "<holderFolder>\extract\7z.exe" into the archive's
// folder + `subFolderName` + "\". 32 when 7-Zip ended in time and reported the
// members extracted, 33 otherwise; a 7-Zip still running after the waits is ended.
// When 7z.exe is missing, `message` says so.
int ExtractWith7z(const std::wstring& archivePath, const std::wstring& subFolderName,
                  const std::wstring& holderFolder, std::wstring& message,
                  const ProcessWaitLimits& limits = {300000, 120000});
