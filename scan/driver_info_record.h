#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DriverInfoRecord;

// A scan's records. Element 0 of a scan array also owns the parallel array of
// offered drivers (one per device, same count).
using DriverInfoArray = std::vector<DriverInfoRecord>;

// One scanned device with its installed driver. The field order is the order the
// last-scan results file stores them in; the fields nobody fills yet stay reserved
// so that the stored layout keeps its shape. An empty text stands for "none".
class DriverInfoRecord {
public:
    static constexpr uint32_t kAllBits32 = 0xFFFFFFFFu;
    static constexpr uint16_t kAllBits16 = 0xFFFFu;
    static constexpr uint64_t kAllBits64 = ~uint64_t{0};

    DriverInfoRecord() = default;
    ~DriverInfoRecord() = default;

    // A copy duplicates every text, list entry and number, but never the offered
    // drivers: those belong to the array the record sits in.
    DriverInfoRecord(const DriverInfoRecord& other);
    DriverInfoRecord& operator=(const DriverInfoRecord& other);
    DriverInfoRecord(DriverInfoRecord&&) noexcept = default;
    DriverInfoRecord& operator=(DriverInfoRecord&&) noexcept = default;

    // Copies everything but `offeredDrivers`, which keeps what this record holds.
    void CopyFrom(const DriverInfoRecord& other);

    // Empties every text, frees the offered drivers, empties every list entry while
    // keeping the lists' lengths, and sets the numbers to their cleared values
    // (several of them all bits set, unlike a fresh record).
    void Clear();

    // `count` constructed records.
    static DriverInfoArray NewArray(size_t count) { return DriverInfoArray(count); }

    // Makes element 0 own a fresh parallel array of offered drivers of the same count.
    static void AttachOfferedDrivers(DriverInfoArray& records);

    std::wstring deviceName;        // 1
    std::wstring infPath;           // 2
    std::wstring driverVersion;     // 3
    std::wstring category;          // 4
    std::wstring text5;             // 5
    std::wstring provider;          // 6
    std::wstring manufacturer;      // 7
    std::wstring hardwareId;        // 8
    std::wstring driverKey;         // 9
    std::wstring driverDate;        // 10, "MM-dd-yyyy"
    std::wstring serviceName;       // 11
    std::wstring signer;            // 12
    std::wstring text13;            // 13
    std::wstring text14;            // 14
    std::wstring text15;            // 15
    std::wstring matchingIds;       // 16, joined by '|'
    std::wstring text17;            // 17
    uint32_t number18 = 0;          // 18
    uint32_t number19 = 0;          // 19
    uint32_t number20 = 0;          // 20
    uint64_t value64 = 0;           // 21
    uint16_t short22 = 0;           // 22
    uint16_t short23 = 0;           // 23
    uint16_t short24 = 0;           // 24
    uint32_t number25 = 0;          // 25
    uint32_t number26 = 0;          // 26
    uint32_t number27 = 0;          // 27
    uint32_t isUnknownDevice = 0;   // 28
    uint32_t nodeStatusResult = 0;  // 29
    std::wstring matchingDeviceId;  // 30
    std::vector<std::wstring> hardwareIds;       // 31
    std::vector<std::wstring> compatibleIds;     // 32
    std::vector<std::wstring> allHardwareIds;    // 33
    std::vector<std::wstring> allCompatibleIds;  // 34
    uint32_t driverRank = 0;        // 35
    uint32_t problemCode = 0;       // 36
    uint32_t isSigned = 0;          // 37
    std::wstring text38;            // 38
    uint32_t number39 = 0;          // 39
    uint32_t driverDateLow = 0;     // 40
    uint32_t driverDateHigh = 0;    // 41
    uint16_t short42 = 0;           // 42
    uint16_t short43 = 0;           // 43
    uint16_t short44 = 0;           // 44
    uint16_t short45 = 0;           // 45
    uint16_t short46 = 0;           // 46
    uint16_t short47 = 0;           // not stored
    uint16_t short48 = 0;           // not stored
    std::wstring text49;            // not stored
    std::wstring text50;            // not stored
    int32_t number51 = 0;           // not stored
    uint32_t number52 = 0;          // not stored
    uint32_t number53 = 0;          // not stored

    // Meaningful in element 0 of a scan array only.
    std::unique_ptr<DriverInfoArray> offeredDrivers;
};
