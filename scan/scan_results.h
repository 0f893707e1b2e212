#pragma once

#include <cstdint>
#include <string>

#include "scan/driver_info_record.h"

class ArchiveWriter;

// The last scan as "results.du" in the user data folder: the device records, the
// offered-driver record of each, and a summary text (the service's answer, from
// which the loading side rebuilds the offered drivers). The summary and the
// offered MD5 and download address of each record are stored through the text
// codec; everything else is plain.
class CScanResults {
public:
    static constexpr wchar_t kFileName[] = L"results.du";
    // More devices than a scan can hold marks a file that is not ours.
    static constexpr uint32_t kMaxDevices = 1024;

    explicit CScanResults(const std::wstring& dataFolder);
    ~CScanResults();
    CScanResults(const CScanResults&) = delete;
    CScanResults& operator=(const CScanResults&) = delete;

    const std::wstring& Path() const { return path_; }

    // Writes `count` records of `records` (and of the offered drivers its first
    // element owns) and the summary; 1 on success, 0 on failure, when the old file
    // stays as it was. Without records the file is written empty.
    int Save(const DriverInfoArray* records, uint32_t count, const std::wstring& summary) const;

    // 1 when the file was read (the caller's arrays, count and summary are replaced)
    // or names no devices (only the count becomes 0); 0 when it is missing or cannot
    // be read, when the caller's arrays are left alone and a damaged file is deleted.
    int Load(DriverInfoArray& records, uint32_t& count, std::wstring& summary) const;

    // The class's own form: the count and the record pairs, then the summary
    // unencoded; only the summary when it holds no records.
    void Serialize(ArchiveWriter& archive) const;

    DriverInfoArray records;
    uint32_t recordCount = 0;
    std::wstring summary;

private:
    std::wstring path_;
};
