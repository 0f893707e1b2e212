#include "platform/ui/folder_browse.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <mutex>

#include "platform/text_case.h"

namespace {

std::mutex& InitialFolderLock() {
    static std::mutex lock;
    return lock;
}

std::wstring& InitialFolder() {
    static std::wstring folder;
    return folder;
}

}  // namespace

bool IsFolderSelectable(const std::wstring& path) {
    if (path.empty() || PathIsNetworkPathW(path.c_str())) return false;
    const std::wstring lower = LowerInvariant(path);
    for (const wchar_t* excluded : {L"$recycle", L"recycle", L"system volume information"}) {
        if (lower.find(excluded) != std::wstring::npos) return false;
    }
    if (path.size() < 3) return false;
    const std::wstring root = path.substr(0, 3);
    wchar_t fileSystem[MAX_PATH + 1] = {};
    return GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                 MAX_PATH + 1) &&
           fileSystem[0] != L'\0';
}

void SetBrowseInitialFolder(const std::wstring& path) {
    std::lock_guard guard(InitialFolderLock());
    InitialFolder() = path;
}

std::wstring GetBrowseInitialFolder() {
    std::lock_guard guard(InitialFolderLock());
    return InitialFolder();
}

int CALLBACK BrowseFolderCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM) {
    if (message == BFFM_INITIALIZED) {
        const std::wstring initial = GetBrowseInitialFolder();
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(initial.c_str()));
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        const bool hasPath = SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter), path) != FALSE;
        SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
        SendMessageW(dialog, BFFM_ENABLEOK, 0, hasPath && IsFolderSelectable(path) ? TRUE : FALSE);
    }
    return 0;
}
