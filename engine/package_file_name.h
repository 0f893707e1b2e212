#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

// Where a downloaded driver package goes and how the downloads list records it.

// The file name a package url gives: its last path part without query or fragment,
// percent-decoded (UTF-8). A name that could leave the folder or name a device
// ("\", "/", "..", ":", other characters Windows refuses, CON, NUL, COM1, ...)
// is replaced by "package-<first 12 digest digits>" with the url's extension when
// that is plain letters and digits.
std::wstring PackageFileNameFromUrl(const std::wstring& url, const std::wstring& digest);

// The path in `folder` for a package named `fileName` with MD5 `digest`: the name
// itself when nothing lies there or what lies there is this package (recorded with
// this digest in `downloadedFiles`, or hashing to it); otherwise "name (2).ext",
// "name (3).ext", ... so one package never replaces another.
std::wstring UniquePackagePath(const std::wstring& folder, const std::wstring& fileName, const std::wstring& digest,
                               const std::map<std::wstring, std::wstring>& downloadedFiles);

// The downloads list: key = the package address without its first invalid
// file-name character, lower case; value = "path|md5".
std::wstring DownloadedFilesKey(const std::wstring& url);
std::wstring DownloadedFilesEntry(const std::wstring& path, const std::wstring& md5);
struct DownloadedFile {
    std::wstring path;
    std::wstring md5;
};
// Nothing when the value has no "|" after its first character.
std::optional<DownloadedFile> ParseDownloadedFilesEntry(const std::wstring& value);

// True only when the file is there and its MD5 equals `md5` (case ignored); the
// window asks again right before it installs, since the file may have changed on
// disk since it was downloaded.
bool PackageReadyToInstall(const std::wstring& path, const std::wstring& md5);

// The one lock of the program's downloaded-files map: the download window, the
// downloads list and its remove-all worker take it around every read and change.
std::recursive_mutex& DownloadedFilesLock();
