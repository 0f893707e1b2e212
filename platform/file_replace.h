#pragma once

#include <string>

// Writes the bytes to a new file beside `path` and moves it over `path` only once
// it is complete, so a failed or interrupted save leaves the old file as it was.
bool ReplaceFileContents(const std::wstring& path, const std::string& bytes);

// A name beside `path` for a file that is being written, unique per process and
// call, so two writers of the same file never share a temporary file.
std::wstring TemporaryNameBeside(const std::wstring& path);

// Moves a finished temporary file over `path`; on failure the temporary file is
// deleted and `path` left as it was.
bool MoveIntoPlace(const std::wstring& temporary, const std::wstring& path);

// Reads a whole file into `bytes`; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
