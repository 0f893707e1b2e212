#pragma once

#include <string>

// Names and paths inside a backup folder. Device names come from the devices and
// index files from archives of any origin, so neither may lead out of the folder.

// The device's sub-folder name: every character a file name cannot hold removed,
// white space and trailing dots trimmed, at most kDeviceFolderNameLimit characters.
// Never empty, "." or "..": such a name becomes "Device".
inline constexpr size_t kDeviceFolderNameLimit = 128;
std::wstring MakeDeviceFolderName(const std::wstring& deviceName);

// The backed-up INF of an index entry: the backup folder, the entry's folder up to
// and including its last "\", and the file name after the last "\" of the entry's
// INF path (both texts trimmed). False when the result would not lie inside the
// backup folder: an absolute or drive-relative folder, a ".." step, a name that is
// no plain file name.
bool ResolveBackupInfPath(const std::wstring& backupFolder, const std::wstring& entryFolder,
                          const std::wstring& entryInfPath, std::wstring& infPath);

// True when `path`, made absolute, lies strictly inside `folder`.
bool IsPathInsideFolder(const std::wstring& folder, const std::wstring& path);
// True when both name the same folder (a trailing "\" and case aside).
bool IsSameFolder(const std::wstring& left, const std::wstring& right);
