#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Packing the backup working folder into a dated zip archive in the backup folder,
// and the backup list ("Backup.dat") entry that records it.

// What a backup run shows while it works. Texts are language keys; the page looks
// them up. Every call has a quiet default so a caller implements only what it shows.
class BackupRunReport {
public:
    virtual ~BackupRunReport() = default;
    // The upper status line, which is also the page's own status text.
    virtual void ShowStatus(const wchar_t* /*key*/) {}
    // The lower status line.
    virtual void ShowDetail(const wchar_t* /*key*/) {}
    virtual void EnableStop(bool /*enabled*/) {}
    virtual void StopAnimation() {}
    // A message with the error icon and OK.
    virtual void ShowError(const wchar_t* /*key*/) {}
    // A question with Yes and No; true for Yes.
    virtual bool AskYesNo(const wchar_t* /*key*/) { return false; }
    // Lets the user pick another backup folder; false when none was picked.
    virtual bool ChooseNewBackupFolder(std::wstring& /*folder*/) { return false; }
};

// The archive's file name and the time text of its backup list entry.
struct BackupArchiveName {
    std::wstring fileName;  // "<name text without spaces><weekday>,09-Dec-2026_H09-M34-S31.zip"
    std::wstring timeText;  // "2026-12-09_09-34-31"
};

// `nameText` is the language text of the name with its one "%s" for the product
// title. Weekday and month names follow the C runtime locale. Characters that a
// file name cannot hold are removed from the result.
BackupArchiveName MakeBackupArchiveName(const std::wstring& nameText, const std::wstring& productTitle,
                                        const SYSTEMTIME& time);
// The same with the language text of "IDS_HYP_BACKUP", the product title and the
// application clock's local time.
BackupArchiveName MakeBackupArchiveName();

// Total bytes of the files under `folder` at any depth that match `pattern` (folders
// are always entered), leaving out "desktop.ini" and "index.dat"; a file that cannot
// be opened for reading counts 0.
double ComputeFolderSize(const std::wstring& folder, const std::wstring& pattern = L"*.*");

// Appends the full path of every file under `folder`, in the order the folder walk
// meets them (a sub-folder's files where the walk meets the sub-folder).
void CollectFilesRecursive(const std::wstring& folder, std::vector<std::wstring>& files);

// Bytes available to the caller on the volume that holds `folder` (the folder
// itself is asked, or its nearest existing parent, so shares and mounted folders
// answer for themselves); -1 when the query fails.
int64_t FreeBytesOfFolder(const std::wstring& folder);

// Deletes a working folder of the program with everything in it. Refuses an empty
// path, a root and anything that is not strictly inside the user's temporary folder
// or the program's data folder. True when the folder is gone afterwards.
bool DeleteWorkFolder(const std::wstring& folder);

// The backup list: archive file name -> full path "|" time text.
using BackupList = std::map<std::wstring, std::wstring>;

struct BackupArchiveJob {
    std::wstring backupFolder;   // where the archive goes
    std::wstring workingFolder;  // what is packed; deleted once packed
    BackupList* backupList = nullptr;
    std::function<bool()> saveBackupList;  // writes "Backup.dat"
    const std::atomic<bool>* stopRequested = nullptr;
    BackupRunReport* report = nullptr;
    std::function<int64_t(const std::wstring&)> freeSpace = FreeBytesOfFolder;
    std::function<BackupArchiveName()> makeName = [] { return MakeBackupArchiveName(); };
};

namespace BackupArchiveResult {
inline constexpr int kNoSpace = -1;  // too little free space, or the archive could not be created
inline constexpr int kFailed = 0;    // nothing to pack, or packing failed
inline constexpr int kDone = 1;      // packed, or skipped because a stop was requested
}  // namespace BackupArchiveResult

// Packs the working folder into a new archive in the backup folder and records it
// in the backup list. An archive is never overwritten: when the name is taken, the
// next free "<name>_N.zip" is used and recorded. A failed or empty archive is
// deleted and not recorded. `archivePath` receives the archive made.
int BuildBackupArchive(const BackupArchiveJob& job, std::wstring* archivePath = nullptr);
