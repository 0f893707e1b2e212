#pragma once

#include <functional>
#include <optional>
#include <string>

// The rules of the folder settings page for the download and backup folders, apart
// from its window.

// An absolute folder on a drive ("C:\...") or a share ("\\server\share\..."), with
// "/" read as "\" and one trailing "\"; nothing for any other text (relative paths,
// "C:folder", characters that no path may hold).
std::optional<std::wstring> NormaliseFolderPath(const std::wstring& text);

// True when a file can be written in the folder: a uniquely named file is created
// inside it and deleted again.
bool CanWriteInFolder(const std::wstring& folder);

// The folders that Apply stored, normalised; empty where none was stored.
struct StoredFolders {
    std::wstring download;
    std::wstring backup;
};

// Apply: stores each text that is not empty as "Download Path" or "Backup Path".
// False (the page then says "IDS_UNABLE_SAVE_SETTING") when both are empty, or when
// either is not an absolute folder or could not be written; the other one is still
// stored. `stored` says which to make the current folders.
bool StoreFolderSettings(const std::wstring& downloadText, const std::wstring& backupText, StoredFolders& stored);

// How a folder choice ended.
enum class FolderChoice { kChosen, kCancelled, kRefused };

// The one folder choice of the folder page's browse and of the backup's retry in
// another folder when the drive lacks space: the picker starts in `stored`, created
// when missing, or in `fallback` when `stored` cannot be made. A pick that is not an
// absolute folder or that cannot be written into is refused, and the caller says
// "IDS_UNABLE_SAVE_SETTING"; nothing is stored here. `chosen` gets the normalised
// folder, with its trailing backslash.
FolderChoice ChooseCheckedFolder(const std::wstring& stored, const std::wstring& fallback,
                                 const std::function<bool(std::wstring& folder)>& pick, std::wstring& chosen);
