#include "scan/scan_results.h"

#include <windows.h>

#include <algorithm>

#include "foundation/daily_log.h"
#include "foundation/text_codec.h"
#include "platform/archive_reader.h"
#include "platform/archive_writer.h"

namespace {

// A lost results file only shows as an empty results page, so the log keeps why.
// Messages are cut to 255 characters like every error message in the log.
void LogFileFailure(const wchar_t* what, const std::wstring& path) {
    std::wstring message = what + path;
    if (message.size() > 255) message.resize(255);
    WriteLogLine(L"%ls", message.c_str());
}

// The encoded form of a text; the text itself when the codec fails.
std::wstring Encoded(const std::wstring& text) {
    std::wstring copy = text;
    std::wstring encoded;
    return EncodeScrambledString(copy, encoded) ? encoded : copy;
}

bool ReadDecoded(ArchiveReader& archive, std::wstring& text) {
    if (!archive.ReadString(text)) return false;
    std::wstring decoded = text;
    if (DecodeScrambledString(decoded)) text = std::move(decoded);
    return true;
}

void WriteList(ArchiveWriter& archive, const std::vector<std::wstring>& list) {
    archive.WriteUInt32(static_cast<uint32_t>(list.size()));
    for (const std::wstring& text : list) archive.WriteString(text);
}

bool ReadList(ArchiveReader& archive, std::vector<std::wstring>& list) {
    uint32_t count = 0;
    if (!archive.ReadUInt32(count)) return false;
    // Every text takes at least one byte, so a count beyond the bytes left is a lie.
    if (count > archive.Remaining()) return false;
    list.assign(count, std::wstring());
    for (std::wstring& text : list) {
        if (!archive.ReadString(text)) return false;
    }
    return true;
}

void WriteRecord(ArchiveWriter& archive, const DriverInfoRecord& r) {
    for (const std::wstring* text : {&r.deviceName, &r.infPath, &r.driverVersion, &r.category, &r.text5, &r.provider,
                                     &r.manufacturer, &r.hardwareId, &r.driverKey, &r.driverDate, &r.serviceName,
                                     &r.signer, &r.text13}) {
        archive.WriteString(*text);
    }
    archive.WriteString(Encoded(r.text14));
    archive.WriteString(r.text15);
    archive.WriteString(r.matchingIds);
    archive.WriteString(Encoded(r.text17));
    archive.WriteString(r.matchingDeviceId);
    for (const auto* list : {&r.hardwareIds, &r.compatibleIds, &r.allHardwareIds, &r.allCompatibleIds}) {
        WriteList(archive, *list);
    }
    archive.WriteString(r.text38);
    for (uint32_t number : {r.number18, r.number19, r.number20}) archive.WriteUInt32(number);
    archive.WriteUInt64(r.value64);
    for (uint16_t number : {r.short22, r.short23, r.short24}) archive.WriteUInt16(number);
    for (uint32_t number : {r.number25, r.number26, r.number27, r.isUnknownDevice, r.nodeStatusResult, r.driverRank,
                            r.problemCode, r.isSigned, r.number39, r.driverDateLow, r.driverDateHigh}) {
        archive.WriteUInt32(number);
    }
    for (uint16_t number : {r.short42, r.short43, r.short44, r.short45, r.short46}) archive.WriteUInt16(number);
}

bool ReadRecord(ArchiveReader& archive, DriverInfoRecord& r) {
    for (std::wstring* text : {&r.deviceName, &r.infPath, &r.driverVersion, &r.category, &r.text5, &r.provider,
                               &r.manufacturer, &r.hardwareId, &r.driverKey, &r.driverDate, &r.serviceName,
                               &r.signer, &r.text13}) {
        if (!archive.ReadString(*text)) return false;
    }
    if (!ReadDecoded(archive, r.text14) || !archive.ReadString(r.text15) || !archive.ReadString(r.matchingIds) ||
        !ReadDecoded(archive, r.text17) || !archive.ReadString(r.matchingDeviceId)) {
        return false;
    }
    for (auto* list : {&r.hardwareIds, &r.compatibleIds, &r.allHardwareIds, &r.allCompatibleIds}) {
        if (!ReadList(archive, *list)) return false;
    }
    if (!archive.ReadString(r.text38)) return false;
    for (uint32_t* number : {&r.number18, &r.number19, &r.number20}) {
        if (!archive.ReadUInt32(*number)) return false;
    }
    if (!archive.ReadUInt64(r.value64)) return false;
    for (uint16_t* number : {&r.short22, &r.short23, &r.short24}) {
        if (!archive.ReadUInt16(*number)) return false;
    }
    for (uint32_t* number : {&r.number25, &r.number26, &r.number27, &r.isUnknownDevice, &r.nodeStatusResult,
                             &r.driverRank, &r.problemCode, &r.isSigned, &r.number39, &r.driverDateLow,
                             &r.driverDateHigh}) {
        if (!archive.ReadUInt32(*number)) return false;
    }
    for (uint16_t* number : {&r.short42, &r.short43, &r.short44, &r.short45, &r.short46}) {
        if (!archive.ReadUInt16(*number)) return false;
    }
    return true;
}

// The offered-driver record of device i; a scan that never reached the service has
// none, and then blank records stand in.
const DriverInfoRecord& OfferedRecordOf(const DriverInfoArray& records, uint32_t i) {
    static const DriverInfoRecord kBlank;
    const DriverInfoArray* offered = records.empty() ? nullptr : records[0].offeredDrivers.get();
    return offered && i < offered->size() ? (*offered)[i] : kBlank;
}

void WriteRecordPairs(ArchiveWriter& archive, const DriverInfoArray& records, uint32_t count) {
    archive.WriteUInt32(count);
    for (uint32_t i = 0; i < count; ++i) {
        WriteRecord(archive, records[i]);
        WriteRecord(archive, OfferedRecordOf(records, i));
    }
}

// The fewest bytes a stored record can take: 19 texts of at least one byte, four
// list counts and the numbers.
constexpr size_t kSmallestRecordBytes = 19 * 1 + 4 * 4 + (3 * 4 + 8 + 3 * 2 + 11 * 4 + 5 * 2);

// Reads `count` record pairs into fresh arrays of full capacity.
bool ReadRecordPairs(ArchiveReader& archive, uint32_t count, DriverInfoArray& records) {
    if (count > CScanResults::kMaxDevices || count * 2 * kSmallestRecordBytes > archive.Remaining()) return false;
    DriverInfoArray fresh = DriverInfoRecord::NewArray(CScanResults::kMaxDevices);
    DriverInfoRecord::AttachOfferedDrivers(fresh);
    DriverInfoArray& offered = *fresh[0].offeredDrivers;
    for (uint32_t i = 0; i < count; ++i) {
        if (!ReadRecord(archive, fresh[i]) || !ReadRecord(archive, offered[i])) return false;
    }
    records = std::move(fresh);
    return true;
}

}  // namespace

CScanResults::CScanResults(const std::wstring& dataFolder) {
    std::wstring folder = dataFolder;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    path_ = folder + L"\\" + kFileName;
}

CScanResults::~CScanResults() = default;

int CScanResults::Save(const DriverInfoArray* records, uint32_t count, const std::wstring& summaryText) const {
    ArchiveWriter archive;
    if (records && !records->empty()) {
        if (count > records->size() || count > kMaxDevices) return 0;
        WriteRecordPairs(archive, *records, count);
        archive.WriteString(Encoded(summaryText));
    }
    if (!archive.SaveToFile(path_)) {
        LogFileFailure(L"Could not write the scan results to ", path_);
        return 0;
    }
    return 1;
}

int CScanResults::Load(DriverInfoArray& callerRecords, uint32_t& callerCount, std::wstring& callerSummary) const {
    if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
    std::string bytes;
    if (!ArchiveReader::LoadFile(path_, bytes)) {
        LogFileFailure(L"Could not read the scan results from ", path_);
        return 0;
    }

    ArchiveReader archive(std::move(bytes));
    uint32_t count = 0;
    bool read = archive.ReadUInt32(count);
    if (read && (count == 0 || count > kMaxDevices)) {
        callerCount = 0;
        return 1;
    }
    DriverInfoArray records;
    std::wstring summaryText;
    read = read && ReadRecordPairs(archive, count, records) && ReadDecoded(archive, summaryText);
    if (!read) {
        DeleteFileW(path_.c_str());
        LogFileFailure(L"Damaged scan results deleted: ", path_);
        return 0;
    }
    callerRecords = std::move(records);
    callerCount = count;
    callerSummary = std::move(summaryText);
    return 1;
}

void CScanResults::Serialize(ArchiveWriter& archive) const {
    if (!records.empty()) WriteRecordPairs(archive, records, std::min<uint32_t>(recordCount, records.size()));
    archive.WriteString(summary);
}
