#include "engine/backup_index_file.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kAbsentNodeStatus = 13;

void PutNumber(std::vector<BYTE>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<BYTE>(value >> shift));
}

void PutText(std::vector<BYTE>& bytes, const std::wstring& text) {
    // Longer texts would not fit the readers' buffers; they are cut here so that
    // every reader sees the same text.
    const size_t units = std::min(text.size(), kIndexTextLimit);
    bytes.push_back(static_cast<BYTE>(units & 0xFF));
    bytes.push_back(static_cast<BYTE>(units >> 8));
    for (size_t i = 0; i < units; ++i) {
        const auto unit = static_cast<uint16_t>(text[i]);
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
}

void PutEntry(std::vector<BYTE>& bytes, const IndexEntry& entry) {
    for (const std::wstring* text :
         {&entry.deviceName, &entry.infPath, &entry.driverVersion, &entry.category, &entry.text5, &entry.provider,
          &entry.hardwareId, &entry.driverKey, &entry.driverDate, &entry.serviceName, &entry.signer}) {
        PutText(bytes, *text);
    }
    PutNumber(bytes, entry.number18);
    PutText(bytes, entry.folder);
}

void WriteAll(HANDLE file, const std::vector<BYTE>& bytes) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        throw IndexFileError("index write failed");
    }
}

uint64_t FileSize(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) throw IndexFileError("index size unknown");
    return static_cast<uint64_t>(size.QuadPart);
}

}  // namespace

IndexEntry MakeIndexEntry(const DriverInfoRecord& record, const std::wstring& folder,
                          const std::wstring& absentText) {
    IndexEntry entry;
    entry.deviceName = record.deviceName;
    if (record.nodeStatusResult == kAbsentNodeStatus) entry.deviceName += L" (" + absentText + L") ";
    entry.infPath = record.infPath;
    entry.driverVersion = record.driverVersion;
    entry.category = record.category;
    entry.text5 = record.text5;
    entry.provider = record.provider;
    entry.hardwareId = record.hardwareId;
    entry.driverKey = record.driverKey;
    entry.driverDate = record.driverDate;
    entry.serviceName = record.serviceName;
    entry.signer = record.signer;
    entry.number18 = record.number18;
    entry.folder = folder;
    return entry;
}

BackupIndexWriter::BackupIndexWriter(std::wstring indexPath) : path_(std::move(indexPath)) {
    existedAtStart_ = GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool BackupIndexWriter::Append(const IndexEntry& entry, const std::function<void()>& opened) {
    uint32_t count = 0;
    {
        UniqueHandle reader(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (reader) {
            const uint64_t size = FileSize(reader.Get());
            if (size < sizeof(count)) throw IndexFileError("index too short for its count");
            LARGE_INTEGER tail{};
            tail.QuadPart = static_cast<LONGLONG>(size - sizeof(count));
            DWORD read = 0;
            if (!SetFilePointerEx(reader.Get(), tail, nullptr, FILE_BEGIN) ||
                !ReadFile(reader.Get(), &count, sizeof(count), &read, nullptr) || read != sizeof(count)) {
                throw IndexFileError("index count unreadable");
            }
        }
    }
    ++count;

    UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file.Get(), zero, nullptr, FILE_END)) throw IndexFileError("index seek failed");
    std::vector<BYTE> bytes;
    if (!existedAtStart_ && !wroteAnything_) PutNumber(bytes, IndexFormatNumber);
    if (opened) opened();
    PutEntry(bytes, entry);
    PutNumber(bytes, count);
    WriteAll(file.Get(), bytes);
    wroteAnything_ = true;
    return true;
}

int BackupIndexReader::Open(const std::wstring& indexPath) {
    const int result = OpenFile(indexPath);
    // A refused file is not read any further.
    if (result != kOpened) file_.Reset();
    return result;
}

int BackupIndexReader::OpenFile(const std::wstring& indexPath) {
    file_.Reset();
    size_ = position_ = 0;
    entryCount_ = 0;
    if (GetFileAttributesW(indexPath.c_str()) == INVALID_FILE_ATTRIBUTES) return kMissing;
    file_.Reset(CreateFileW(indexPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return kBadFormat;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.Get(), &size)) return kBadFormat;
    size_ = static_cast<uint64_t>(size.QuadPart);
    if (size_ < 2 * sizeof(uint32_t)) {
        // Too short for the format number and a count: no entries, but the format
        // number still decides.
        uint32_t format = 0;
        if (!ReadBytes(&format, sizeof(format)) || format != IndexFormatNumber) return kBadFormat;
        return kOpened;
    }
    uint32_t lastCount = 0;
    LARGE_INTEGER tail{};
    tail.QuadPart = static_cast<LONGLONG>(size_ - sizeof(lastCount));
    if (!SetFilePointerEx(file_.Get(), tail, nullptr, FILE_BEGIN)) return kBadFormat;
    position_ = size_ - sizeof(lastCount);
    if (!ReadBytes(&lastCount, sizeof(lastCount))) return kBadFormat;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN)) return kBadFormat;
    position_ = 0;
    uint32_t format = 0;
    if (!ReadBytes(&format, sizeof(format)) || format != IndexFormatNumber) return kBadFormat;
    const uint64_t roomFor = (size_ - sizeof(format)) / kSmallestIndexEntryBytes;
    entryCount_ = static_cast<uint32_t>(std::min<uint64_t>(lastCount, roomFor));
    return kOpened;
}

bool BackupIndexReader::ReadBytes(void* buffer, DWORD size) {
    if (!file_ || size_ - position_ < size) return false;
    DWORD read = 0;
    if (!ReadFile(file_.Get(), buffer, size, &read, nullptr) || read != size) return false;
    position_ += size;
    return true;
}

bool BackupIndexReader::ReadText(std::wstring& text, size_t limit) {
    text.clear();
    uint16_t units = 0;
    if (!ReadBytes(&units, sizeof(units))) return false;
    const uint64_t bytes = uint64_t{units} * 2;
    if (size_ - position_ < bytes) return false;
    std::vector<wchar_t> buffer(units);
    if (units != 0 && !ReadBytes(buffer.data(), static_cast<DWORD>(bytes))) return false;
    size_t length = std::find(buffer.begin(), buffer.end(), L'\0') - buffer.begin();
    text.assign(buffer.data(), std::min(length, limit));
    return true;
}

bool BackupIndexReader::ReadEntry(IndexEntry& entry, size_t textLimit, size_t folderLimit) {
    entry = IndexEntry{};
    for (std::wstring* text :
         {&entry.deviceName, &entry.infPath, &entry.driverVersion, &entry.category, &entry.text5, &entry.provider,
          &entry.hardwareId, &entry.driverKey, &entry.driverDate, &entry.serviceName, &entry.signer}) {
        if (!ReadText(*text, textLimit)) return false;
    }
    if (!ReadBytes(&entry.number18, sizeof(entry.number18))) return false;
    if (!ReadText(entry.folder, folderLimit)) return false;
    uint32_t runningCount = 0;
    return ReadBytes(&runningCount, sizeof(runningCount));
}
