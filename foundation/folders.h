#pragma once

#include <windows.h>

#include <string>

// Joins with exactly one backslash: one leading backslash of the name is dropped and
// one is added when the path lacks it. An empty path becomes the name; an empty name
// leaves the path as it is.
// The absolute form of `path` (GetFullPathNameW); empty when the system cannot make one.
std::wstring FullPathOf(const std::wstring& path);

void PathAppendString(std::wstring& path, const std::wstring& name);

std::wstring WithTrailingBackslash(const std::wstring& path);
void AddBackslashInPlace(std::wstring& path);

// base + "\" (only when missing) + name + "\", the folder created when it is missing.
std::wstring JoinAndCreateFolder(const std::wstring& name, const std::wstring& base);

bool GetSpecialFolderPath(std::wstring& out, int csidl);

// The per-user data folder, "<application data>\Brennavik\Halvenor" (no trailing
// backslash), created when missing. Cached for the process and worked out again
// only when the cached folder is gone. Empty (false) when it cannot be created.
bool GetUserDataFolder(std::wstring& out);
std::wstring GetUserDataFolderPath();

// Creates every missing folder of the path, from the root down; one trailing
// backslash is ignored. True when the folder exists afterwards.
bool CreateFolderTree(const std::wstring& path);

// Deletes a file or a folder tree without asking, showing or using the recycle bin.
// Refuses what must never be wiped by accident: empty and relative paths, drive
// and share roots, wildcards and the profile folders. An operation the shell
// aborted counts as a failure.
bool DeletePathSilently(const std::wstring& path);

// "<drive of the Windows folder>\temp", created when missing.
std::wstring GetTempWorkFolder();
