#pragma once

#include <string>

// Writes the bytes to a new file beside `path` and moves it over `path` only once
// it is complete, so a failed or interrupted save leaves the old file as it was.
bool ReplaceFileContents(const std::wstring& path, const std::string& bytes);

// Reads a whole file into `bytes`; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
