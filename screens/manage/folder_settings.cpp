#include "screens/manage/folder_settings.h"

#include <windows.h>

#include <atomic>

#include "platform/scoped_handle.h"
#include "foundation/folders.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"

namespace {

bool IsDriveLetter(wchar_t ch) { return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z'); }

bool HoldsForbiddenCharacter(const std::wstring& path, size_t from) {
    for (size_t i = from; i < path.size(); ++i) {
        const wchar_t ch = path[i];
        if (ch < 32 || wcschr(L"<>:\"|?*", ch) != nullptr) return true;
    }
    return false;
}

// "\\server\share" with both names present.
bool IsSharePath(const std::wstring& path) {
    if (path.size() < 5 || path[0] != L'\\' || path[1] != L'\\') return false;
    const size_t serverEnd = path.find(L'\\', 2);
    if (serverEnd == std::wstring::npos || serverEnd == 2) return false;
    const size_t shareEnd = path.find(L'\\', serverEnd + 1);
    return (shareEnd == std::wstring::npos ? path.size() : shareEnd) > serverEnd + 1;
}

bool StoreFolder(const std::wstring& text, const wchar_t* valueName, std::wstring& stored) {
    const std::optional<std::wstring> folder = NormaliseFolderPath(text);
    if (!folder) return false;
    if (SetUserRegistryValue(true, kProductKeyPath, valueName, *folder, 0, REG_SZ) == 0) return false;
    stored = *folder;
    return true;
}

}  // namespace

std::optional<std::wstring> NormaliseFolderPath(const std::wstring& text) {
    std::wstring path = text;
    for (wchar_t& ch : path) {
        if (ch == L'/') ch = L'\\';
    }
    const bool onDrive = path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
    if (!onDrive && !IsSharePath(path)) return std::nullopt;
    if (HoldsForbiddenCharacter(path, onDrive ? 2 : 0)) return std::nullopt;
    if (path.find(L"\\\\", 2) != std::wstring::npos) return std::nullopt;
    if (path.back() != L'\\') path += L'\\';
    return path;
}

bool CanWriteInFolder(const std::wstring& folder) {
    static std::atomic<unsigned> sequence{0};
    std::wstring probe = folder;
    if (!probe.empty() && probe.back() != L'\\') probe += L'\\';
    probe += L"halvenor-write-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++sequence) + L".tmp";
    const UniqueHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.Valid();
}

bool StoreFolderSettings(const std::wstring& downloadText, const std::wstring& backupText, StoredFolders& stored) {
    stored = StoredFolders{};
    if (downloadText.empty() && backupText.empty()) return false;
    bool allStored = true;
    if (!downloadText.empty()) allStored = StoreFolder(downloadText, L"Download Path", stored.download) && allStored;
    if (!backupText.empty()) allStored = StoreFolder(backupText, L"Backup Path", stored.backup) && allStored;
    return allStored;
}

FolderChoice ChooseCheckedFolder(const std::wstring& stored, const std::wstring& fallback,
                                 const std::function<bool(std::wstring& folder)>& pick, std::wstring& chosen) {
    chosen.clear();
    if (!stored.empty()) CreateFolderTree(stored);
    const bool storedThere = !stored.empty() && GetFileAttributesW(stored.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::wstring start = storedThere ? stored : fallback;
    if (!storedThere && !fallback.empty()) CreateFolderTree(fallback);
    std::wstring picked = start;
    if (!pick(picked) || picked.empty()) return FolderChoice::kCancelled;
    // A folder the program could not write its packages or archives into is refused
    // now, rather than failing later in a download or a backup.
    const std::optional<std::wstring> folder = NormaliseFolderPath(picked);
    if (!folder || !CanWriteInFolder(*folder)) return FolderChoice::kRefused;
    chosen = *folder;
    return FolderChoice::kChosen;
}
