#include "engine/backup_folder_paths.h"

#include <windows.h>

#include <vector>

#include "foundation/folders.h"
#include "foundation/text_helpers.h"

namespace {

bool IsNameCharAllowed(wchar_t c) { return c >= 0x20 && std::wstring(L"\\/:*?\"<>|").find(c) == std::wstring::npos; }

void TrimTrailingDotsAndBlanks(std::wstring& text) {
    while (!text.empty() && (text.back() == L'.' || iswspace(text.back()))) text.pop_back();
}

// A single component that names something inside its folder.
bool IsPlainName(const std::wstring& name) {
    if (name.empty() || name.find_first_not_of(L'.') == std::wstring::npos) return false;
    for (const wchar_t c : name) {
        if (!IsNameCharAllowed(c)) return false;
    }
    return true;
}

}  // namespace

std::wstring MakeDeviceFolderName(const std::wstring& deviceName) {
    std::wstring name;
    for (const wchar_t c : deviceName) {
        if (IsNameCharAllowed(c)) name.push_back(c);
    }
    TrimString(name);
    // Windows drops trailing dots and blanks from a folder name, which would make
    // "..." the backup folder itself.
    TrimTrailingDotsAndBlanks(name);
    if (name.size() > kDeviceFolderNameLimit) {
        name.resize(kDeviceFolderNameLimit);
        TrimTrailingDotsAndBlanks(name);
    }
    if (name.empty()) name = L"Device";
    return name;
}

bool IsPathInsideFolder(const std::wstring& folder, const std::wstring& path) {
    std::wstring base = FullPathOf(folder);
    const std::wstring full = FullPathOf(path);
    if (base.empty() || full.empty()) return false;
    if (base.back() != L'\\') base.push_back(L'\\');
    if (full.size() <= base.size()) return false;
    return CompareStringOrdinal(full.c_str(), static_cast<int>(base.size()), base.c_str(),
                                static_cast<int>(base.size()), TRUE) == CSTR_EQUAL;
}

bool IsSameFolder(const std::wstring& left, const std::wstring& right) {
    std::wstring a = FullPathOf(left);
    std::wstring b = FullPathOf(right);
    if (a.empty() || b.empty()) return false;
    if (a.back() != L'\\') a.push_back(L'\\');
    if (b.back() != L'\\') b.push_back(L'\\');
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool ResolveBackupInfPath(const std::wstring& backupFolder, const std::wstring& entryFolder,
                          const std::wstring& entryInfPath, std::wstring& infPath) {
    infPath.clear();
    std::wstring folder = entryFolder;
    TrimString(folder);
    const size_t folderEnd = folder.rfind(L'\\');
    folder = folderEnd == std::wstring::npos ? std::wstring() : folder.substr(0, folderEnd + 1);
    std::wstring name = entryInfPath;
    TrimString(name);
    if (const size_t slash = name.rfind(L'\\'); slash != std::wstring::npos) name = name.substr(slash + 1);
    if (!IsPlainName(name)) return false;

    // Every step of the folder must be a plain name: no root, no drive, no "..".
    size_t start = 0;
    while (start < folder.size()) {
        const size_t end = folder.find(L'\\', start);
        if (!IsPlainName(folder.substr(start, end - start))) return false;
        start = end + 1;
    }

    std::wstring base = backupFolder;
    if (base.empty()) return false;
    if (base.back() != L'\\') base.push_back(L'\\');
    const std::wstring candidate = base + folder + name;
    if (!IsPathInsideFolder(base, candidate)) return false;
    infPath = candidate;
    return true;
}
