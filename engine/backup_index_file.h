#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/scoped_handle.h"
#include "scan/driver_info_record.h"

// "index.dat" of a backup folder: the format number, then each entry followed by the
// running number of entries, so the last four bytes always hold the entry count.
// Numbers are little-endian; a text is a 16-bit count of UTF-16 units and the units.
inline constexpr uint32_t IndexFormatNumber = 11;
inline constexpr wchar_t kBackupIndexFileName[] = L"index.dat";

// Readers keep every text in a buffer of 260 units with its terminator.
inline constexpr size_t kIndexTextLimit = 259;

// The device's record as a backup stores it, with the device's sub-folder (relative
// to the backup folder, ending in "\").
struct IndexEntry {
    std::wstring deviceName;
    std::wstring infPath;
    std::wstring driverVersion;
    std::wstring category;
    std::wstring text5;
    std::wstring provider;
    std::wstring hardwareId;
    std::wstring driverKey;
    std::wstring driverDate;
    std::wstring serviceName;
    std::wstring signer;
    uint32_t number18 = 0;
    std::wstring folder;
};

// An absent device (node status 13) is stored as "name (absentText) ".
IndexEntry MakeIndexEntry(const DriverInfoRecord& record, const std::wstring& folder,
                          const std::wstring& absentText);

// A read or write inside an opened index file went wrong; the backup run ends with
// its failure code.
class IndexFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends the entries of one backup run. The file is opened and closed per entry, so
// what was written survives a run that ends early.
class BackupIndexWriter {
public:
    // Whether the file exists is remembered now: only a file this run creates gets the
    // format number in front of its first entry.
    explicit BackupIndexWriter(std::wstring indexPath);

    // False when the file could not be opened for writing (the entry is skipped).
    // `opened` runs between the open and the write. Throws IndexFileError when an
    // existing file is too short to hold a count or a read or write fails.
    bool Append(const IndexEntry& entry, const std::function<void()>& opened = {});

    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    bool existedAtStart_ = false;
    bool wroteAnything_ = false;
};

// Reads an index file that may come from anywhere: counts are held to what the file
// can hold and texts to their buffers.
class BackupIndexReader {
public:
    static constexpr int kOpened = 0;
    static constexpr int kMissing = 34;
    static constexpr int kBadFormat = 33;

    // kMissing when there is no file, kBadFormat when it cannot be opened or read or
    // does not begin with the format number.
    int Open(const std::wstring& indexPath);

    // The count the file ends with, never more than the entries its size leaves room for.
    uint32_t EntryCount() const { return entryCount_; }

    // The next entry; false at the end of the file or at an entry cut short. Texts
    // longer than `textLimit` (the folder: `folderLimit`) units are cut to it, and a
    // text ends at its first NUL.
    bool ReadEntry(IndexEntry& entry, size_t textLimit = kIndexTextLimit, size_t folderLimit = 255);

private:
    int OpenFile(const std::wstring& indexPath);
    bool ReadBytes(void* buffer, DWORD size);
    bool ReadText(std::wstring& text, size_t limit);

    UniqueHandle file_;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    uint32_t entryCount_ = 0;
};

// The smallest entry: eleven empty texts, the number, an empty folder and the count.
inline constexpr uint64_t kSmallestIndexEntryBytes = 11 * 2 + 4 + 2 + 4;
