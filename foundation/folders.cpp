#include "foundation/folders.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <userenv.h>

#include <mutex>
#include <vector>

namespace {

constexpr wchar_t kDataSubfolder[] = L"Brennavik\\Halvenor";

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Length of the part of a path that names a root and is never created: "C:\",
// "\\server\share\" or a leading "\". 0 for a relative path.
size_t RootLength(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return (path.size() >= 3 && IsSeparator(path[2])) ? 3 : 2;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t position = 2;
        for (int part = 0; part < 2 && position < path.size(); ++part) {
            while (position < path.size() && !IsSeparator(path[position])) ++position;
            if (position < path.size()) ++position;
        }
        return position;
    }
    if (!path.empty() && IsSeparator(path[0])) return 1;
    return 0;
}


std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > RootLength(path) && IsSeparator(path.back())) path.pop_back();
    return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && !b.empty() &&
           CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Folders whose loss would take the user's whole profile or system with them.
std::vector<std::wstring> ProtectedFolders() {
    std::vector<std::wstring> folders;
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    if (GetProfilesDirectoryW(buffer, &size)) folders.push_back(buffer);
    size = GetEnvironmentVariableW(L"USERPROFILE", buffer, MAX_PATH);
    if (size > 0 && size < MAX_PATH) folders.push_back(buffer);
    std::wstring profile;
    if (GetSpecialFolderPath(profile, CSIDL_PROFILE)) folders.push_back(profile);
    size = GetWindowsDirectoryW(buffer, MAX_PATH);
    if (size > 0 && size < MAX_PATH) folders.push_back(buffer);
    for (auto& folder : folders) folder = WithoutTrailingSeparators(FullPathOf(folder));
    return folders;
}

}  // namespace

std::wstring FullPathOf(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::vector<wchar_t> buffer(needed + 1);
    const DWORD length = GetFullPathNameW(path.c_str(), needed + 1, buffer.data(), nullptr);
    if (length == 0 || length > needed) return {};
    return std::wstring(buffer.data(), length);
}

void PathAppendString(std::wstring& path, const std::wstring& name) {
    if (name.empty()) return;
    if (path.empty()) {
        path = name;
        return;
    }
    const size_t skip = name[0] == L'\\' ? 1 : 0;
    if (path.back() != L'\\') path += L'\\';
    path.append(name, skip, std::wstring::npos);
}

std::wstring WithTrailingBackslash(const std::wstring& path) { return path + L"\\"; }

void AddBackslashInPlace(std::wstring& path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
}

std::wstring JoinAndCreateFolder(const std::wstring& name, const std::wstring& base) {
    std::wstring folder = base;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    folder += name;
    folder += L'\\';
    if (!IsFolder(folder)) CreateFolderTree(folder);
    return folder;
}

bool GetSpecialFolderPath(std::wstring& out, int csidl) {
    PIDLIST_ABSOLUTE items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || items == nullptr) return false;
    wchar_t buffer[MAX_PATH + 1] = {};
    const bool found = SHGetPathFromIDListW(items, buffer) && buffer[0] != L'\0';
    CoTaskMemFree(items);
    if (found) out = buffer;
    return found;
}

bool GetUserDataFolder(std::wstring& out) {
    static std::mutex lock;
    static std::wstring cached;
    std::lock_guard<std::mutex> guard(lock);
    if (cached.empty() || !IsFolder(cached)) {
        cached.clear();
        std::wstring folder;
        if (GetSpecialFolderPath(folder, CSIDL_APPDATA)) {
            PathAppendString(folder, kDataSubfolder);
            if (CreateFolderTree(folder)) cached = folder;
        }
    }
    out = cached;
    return !cached.empty();
}

std::wstring GetUserDataFolderPath() {
    std::wstring folder;
    GetUserDataFolder(folder);
    return folder;
}

bool CreateFolderTree(const std::wstring& path) {
    if (path.empty()) return false;
    std::wstring target = path;
    if (IsSeparator(target.back())) target.pop_back();
    if (target.empty()) return false;
    for (size_t position = RootLength(target); position <= target.size(); ++position) {
        if (position != target.size() && !IsSeparator(target[position])) continue;
        const std::wstring prefix = target.substr(0, position);
        if (prefix.empty() || IsFolder(prefix)) continue;
        // Only what we create gets normal attributes; a folder the user already had
        // keeps its own.
        if (CreateDirectoryW(prefix.c_str(), nullptr)) SetFileAttributesW(prefix.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    return IsFolder(target);
}

bool DeletePathSilently(const std::wstring& path) {
    if (path.empty() || path.find_first_of(L"*?") != std::wstring::npos) return false;
    const size_t rootLength = RootLength(path);
    const bool absolute = (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2])) ||
                          (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]));
    if (!absolute || rootLength == 0) return false;

    const std::wstring full = WithoutTrailingSeparators(FullPathOf(path));
    if (full.empty() || full.size() <= RootLength(full)) return false;
    for (const auto& folder : ProtectedFolders()) {
        if (SamePath(full, folder)) return false;
    }

    std::vector<wchar_t> list(full.begin(), full.end());
    list.push_back(L'\0');
    list.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.data();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    const int result = SHFileOperationW(&operation);
    return result == 0 && !operation.fAnyOperationsAborted;
}

std::wstring GetTempWorkFolder() {
    wchar_t windows[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring folder;
    if (length >= 2 && length < MAX_PATH && windows[1] == L':') {
        folder.assign(windows, 2);
    }
    // Always rooted: "C:" + "temp" would name the current folder of drive C.
    folder += L"\\temp";
    CreateFolderTree(folder);
    return folder;
}
