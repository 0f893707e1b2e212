#include "engine/backup_archive.h"

#include <vector>

#include "engine/backup_folder_paths.h"
#include "engine/parallel_zip_packer.h"
#include "engine/zip_archive_handle.h"
#include "foundation/clock.h"
#include "foundation/daily_log.h"
#include "foundation/date_text.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "foundation/product_shortcuts.h"
#include "platform/checked_format.h"
#include "platform/scoped_handle.h"

namespace {

bool IsInvalidFileNameChar(wchar_t c) {
    return c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (path.size() > 1 && path.back() == L'\\') path.pop_back();
    return path;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDotName(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

bool EqualsIgnoringCase(const wchar_t* left, const wchar_t* right) {
    return CompareStringOrdinal(left, -1, right, -1, TRUE) == CSTR_EQUAL;
}

// A clock that was set by hand may carry any weekday; the calendar decides it.
SYSTEMTIME WithWeekday(SYSTEMTIME time) {
    FILETIME fileTime{};
    SYSTEMTIME normalised{};
    if (SystemTimeToFileTime(&time, &fileTime) && FileTimeToSystemTime(&fileTime, &normalised)) {
        time.wDayOfWeek = normalised.wDayOfWeek;
    }
    return time;
}

bool Stopped(const BackupArchiveJob& job) { return job.stopRequested != nullptr && job.stopRequested->load(); }

void Detail(const BackupArchiveJob& job, const wchar_t* statusKey, const wchar_t* detailKey) {
    if (job.report == nullptr) return;
    job.report->ShowStatus(statusKey);
    job.report->ShowDetail(detailKey);
}

// The name inside the archive: the path below the working folder, with "/" as the
// zip format wants it; empty when the file does not lie below the working folder.
std::wstring EntryNameOf(const std::wstring& workingFolder, const std::wstring& file) {
    const std::wstring base = WithoutTrailingBackslash(workingFolder) + L"\\";
    if (file.size() <= base.size() ||
        CompareStringOrdinal(file.c_str(), static_cast<int>(base.size()), base.c_str(),
                             static_cast<int>(base.size()), TRUE) != CSTR_EQUAL) {
        return {};
    }
    std::wstring name = file.substr(base.size());
    for (wchar_t& c : name) {
        if (c == L'\\') c = L'/';
    }
    return name;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
}

// An archive is written under its name with this suffix and takes its own name
// only once it is complete: a run that is killed leaves no archive that looks whole,
// and the next run sweeps what it left.
constexpr wchar_t kPartialSuffix[] = L".partial";

// "<name>.zip" for the first attempt, then "<name>_2.zip" and on.
std::wstring NumberedArchiveName(const std::wstring& fileName, int attempt) {
    if (attempt == 1) return fileName;
    const std::wstring stem = fileName.size() > 4 ? fileName.substr(0, fileName.size() - 4) : fileName;
    const std::wstring extension = fileName.size() > 4 ? fileName.substr(fileName.size() - 4) : std::wstring();
    return stem + L"_" + std::to_wstring(attempt) + extension;
}

bool IsNameTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// Claims a name so that no earlier archive, nor one another run makes in the same
// second, is ever overwritten: the first numbered name with neither an archive nor
// a partial one of that name. `claimedPath` is the archive's path when complete.
bool ClaimArchiveFile(const std::wstring& folder, const std::wstring& fileName, std::wstring& claimedName,
                      std::wstring& claimedPath) {
    for (int attempt = 1; attempt < 1000; ++attempt) {
        claimedName = NumberedArchiveName(fileName, attempt);
        claimedPath = folder;
        PathAppendString(claimedPath, claimedName);
        if (GetFileAttributesW(claimedPath.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        UniqueHandle file(CreateFileW((claimedPath + kPartialSuffix).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return true;
        if (!IsNameTaken(GetLastError())) return false;
    }
    return false;
}

// Gives the complete archive its claimed name, or the next free one should another
// run have taken that name meanwhile.
bool PublishArchive(const std::wstring& folder, const std::wstring& fileName, std::wstring& claimedName,
                    std::wstring& claimedPath) {
    const std::wstring partial = claimedPath + kPartialSuffix;
    if (MoveFileExW(partial.c_str(), claimedPath.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    for (int attempt = 1; attempt < 1000 && IsNameTaken(GetLastError()); ++attempt) {
        claimedName = NumberedArchiveName(fileName, attempt);
        claimedPath = folder;
        PathAppendString(claimedPath, claimedName);
        if (MoveFileExW(partial.c_str(), claimedPath.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    }
    return false;
}

// Partial archives left by a run that was killed. One that a run still writes is
// open without delete sharing and stays.
void SweepPartialArchives(const std::wstring& folder) {
    const std::wstring base = WithoutTrailingBackslash(folder) + L"\\";
    WIN32_FIND_DATAW found{};
    const ScopedFind search(FindFirstFileExW((base + L"*.zip" + kPartialSuffix).c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0));
    if (!search) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::wstring path = base + found.cFileName;
        if (DeleteFileW(path.c_str())) WriteLogLine(L"Backup: removed the partial archive %s", path.c_str());
    } while (FindNextFileW(search.Get(), &found));
}

int PackWorkingFolder(const BackupArchiveJob& job, std::wstring* archivePath) {
    if (!CreateFolderTree(job.backupFolder)) return BackupArchiveResult::kNoSpace;
    const BackupArchiveName name = job.makeName();
    std::wstring fileName;
    std::wstring path;
    SweepPartialArchives(job.backupFolder);
    if (!ClaimArchiveFile(job.backupFolder, name.fileName, fileName, path)) return BackupArchiveResult::kNoSpace;
    const std::wstring partial = path + kPartialSuffix;
    ZipWriteHandle archive;
    if (!archive.Create(partial)) {
        DeleteFileW(partial.c_str());
        return BackupArchiveResult::kNoSpace;
    }

    std::vector<std::wstring> files;
    CollectFilesRecursive(job.workingFolder, files);
    size_t added = 0;
    bool ok = true;
    {
        ParallelZipPacker packer(archive.Get());
        for (const std::wstring& file : files) {
            const std::wstring entryName = EntryNameOf(job.workingFolder, file);
            if (entryName.empty()) {
                WriteLogLine(L"Backup: %s is not inside the working folder, left out", file.c_str());
                continue;
            }
            if (!packer.AddFile(file, Utf8(entryName))) {
                WriteLogLine(L"Backup: %s could not be packed", file.c_str());
                ok = false;
                break;
            }
            ++added;
        }
        ok = packer.Finish() && ok;
    }
    ok = archive.Close() && ok;
    if (ok && added > 0 && !PublishArchive(job.backupFolder, name.fileName, fileName, path)) {
        WriteLogLine(L"Backup: the archive %s could not take its name", partial.c_str());
        ok = false;
    }
    if (!ok || added == 0) {
        DeleteFileW(partial.c_str());
        if (ok) {
            Sleep(10);
            if (!Stopped(job) && job.report != nullptr) job.report->ShowError(L"IDS_NOFOUND_BAKFILE");
        }
        return BackupArchiveResult::kFailed;
    }

    if (job.backupList != nullptr && job.backupList->count(fileName) == 0) {
        (*job.backupList)[fileName] = path + L"|" + name.timeText;
    }
    if (job.saveBackupList && !job.saveBackupList()) WriteLogLine(L"Backup: the backup list could not be saved");
    if (archivePath != nullptr) *archivePath = path;
    return BackupArchiveResult::kDone;
}

void WalkFolder(const std::wstring& folder, const std::wstring& pattern,
                const std::function<void(const std::wstring& path, const WIN32_FIND_DATAW& found)>& onFile) {
    const std::wstring base = WithoutTrailingBackslash(folder) + L"\\";
    WIN32_FIND_DATAW found{};
    const ScopedFind search(
        FindFirstFileExW((base + pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!search) return;
    do {
        if (IsDotName(found.cFileName)) continue;
        const std::wstring path = base + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            WalkFolder(path + L"\\", pattern, onFile);
        } else {
            onFile(path, found);
        }
    } while (FindNextFileW(search.Get(), &found));
}

}  // namespace

BackupArchiveName MakeBackupArchiveName(const std::wstring& nameText, const std::wstring& productTitle,
                                        const SYSTEMTIME& time) {
    const SYSTEMTIME when = WithWeekday(time);
    std::wstring name;
    for (wchar_t c : FormatChecked(nameText, {productTitle})) {
        if (c != L' ') name.push_back(c);
    }
    name += FormatSystemTime(L"%A,%d-%b-%Y_H%H-M%M-S%S", when);
    name += L".zip";
    std::wstring cleaned;
    for (wchar_t c : name) {
        if (!IsInvalidFileNameChar(c)) cleaned.push_back(c);
    }
    return {cleaned, FormatSystemTime(L"%Y-%m-%d_%H-%M-%S", when)};
}

BackupArchiveName MakeBackupArchiveName() {
    return MakeBackupArchiveName(GetLangString(L"IDS_HYP_BACKUP", L"RESOURCESTRING", L"%s Backup"),
                                 GetProductTitle(), AppClock().LocalTime());
}

double ComputeFolderSize(const std::wstring& folder, const std::wstring& pattern) {
    double total = 0;
    WalkFolder(folder, pattern, [&](const std::wstring& path, const WIN32_FIND_DATAW& found) {
        if (EqualsIgnoringCase(found.cFileName, L"desktop.ini") || EqualsIgnoringCase(found.cFileName, L"index.dat")) {
            return;
        }
        UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER size{};
        if (file && GetFileSizeEx(file.Get(), &size)) total += static_cast<double>(size.QuadPart);
    });
    return total;
}

void CollectFilesRecursive(const std::wstring& folder, std::vector<std::wstring>& files) {
    WalkFolder(folder, L"*", [&](const std::wstring& path, const WIN32_FIND_DATAW&) { files.push_back(path); });
}

int64_t FreeBytesOfFolder(const std::wstring& folder) {
    std::wstring probe = WithoutTrailingBackslash(folder);
    while (!probe.empty() && !Exists(probe)) {
        const size_t slash = probe.find_last_of(L'\\');
        if (slash == std::wstring::npos) return -1;
        probe.resize(slash);
    }
    if (probe.empty()) return -1;
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW((probe + L"\\").c_str(), &available, nullptr, nullptr)) return -1;
    return static_cast<int64_t>(available.QuadPart);
}

bool DeleteWorkFolder(const std::wstring& folder) {
    const std::wstring path = WithoutTrailingBackslash(folder);
    if (path.empty()) return false;
    if (!Exists(path)) return true;
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    const bool insideTemp = length > 0 && length <= MAX_PATH && IsPathInsideFolder(temp, path);
    const std::wstring dataFolder = GetUserDataFolderPath();
    const bool insideData = !dataFolder.empty() && IsPathInsideFolder(dataFolder, path);
    if (!insideTemp && !insideData) {
        WriteLogLine(L"Backup: refused to delete %s, it is not a working folder", path.c_str());
        return false;
    }
    DeletePathSilently(path);
    return !Exists(path);
}

int BuildBackupArchive(const BackupArchiveJob& job, std::wstring* archivePath) {
    try {
        const double size = ComputeFolderSize(job.workingFolder);
        const int64_t free = job.freeSpace ? job.freeSpace(job.backupFolder) : -1;
        if (free < 0 || static_cast<double>(free) < size) return BackupArchiveResult::kNoSpace;
    } catch (...) {
        return BackupArchiveResult::kNoSpace;
    }
    try {
        if (!Stopped(job)) {
            const int packed = PackWorkingFolder(job, archivePath);
            if (packed != BackupArchiveResult::kDone) return packed;
        }
        Detail(job, L"IDS_WAIT_DELTEMP_FILE", L"IDS_DELTE_TEMP_FILE");
        DeleteWorkFolder(job.workingFolder);
        return BackupArchiveResult::kDone;
    } catch (...) {
        return BackupArchiveResult::kFailed;
    }
}
