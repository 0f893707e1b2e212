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
//
// The same type describes the driver the update service offers for a device (the
// offered drivers below). The numbered names are the stored layout's; the comment at
// each says what it holds in a device record ("device:") or an offered one
// ("offered:"), and code reads them through the accessors after the class.
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
    std::wstring text5;             // 5, reserved: always empty, but a backup's index keeps it
    std::wstring provider;          // 6
    std::wstring manufacturer;      // 7
    std::wstring hardwareId;        // 8
    std::wstring driverKey;         // 9
    std::wstring driverDate;        // 10, "MM-dd-yyyy"
    std::wstring serviceName;       // 11
    std::wstring signer;            // 12
    std::wstring text13;            // 13, offered: INF path of the offered driver ("infp")
    std::wstring text14;            // 14, offered: expected MD5 of the package ("md5")
    std::wstring text15;            // 15, offered: second hardware id ("hid")
    std::wstring matchingIds;       // 16, joined by '|'
    std::wstring text17;            // 17, offered: download address of the package ("lu")
    uint32_t number18 = 0;          // 18, reserved: always 0, but a backup's index keeps it
    uint32_t number19 = 0;          // 19, offered: 1 for a specific case ("isc")
    uint32_t number20 = 0;          // 20, offered: install flag ("ii"), 1 unless the service says otherwise
    uint64_t value64 = 0;           // 21, offered: driver id ("did") that the download request names
    uint16_t short22 = 0;           // 22, offered: severity 1..4 ("sev"), the row's age class
    uint16_t short23 = 0;           // 23, offered: risk level ("rl")
    uint16_t short24 = 0;           // 24, offered: category id ("cid"), all bits set for none
    uint32_t number25 = 0;          // 25, offered: days since the installed driver's date ("age")
    uint32_t number26 = 0;          // 26, device: spare number that result rows carry along; never set
    uint32_t number27 = 0;          // 27, reserved
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
    std::wstring text38;            // 38, offered: the service's "slp", carried only
    uint32_t number39 = 0;          // 39, offered: feature score ("fs")
    uint32_t driverDateLow = 0;     // 40
    uint32_t driverDateHigh = 0;    // 41
    uint16_t short42 = 0;           // 42, reserved
    uint16_t short43 = 0;           // 43, reserved
    uint16_t short44 = 0;           // 44, reserved
    uint16_t short45 = 0;           // 45, reserved
    uint16_t short46 = 0;           // 46, device: saved state of its result row; 2 keeps it from matching
    uint16_t short47 = 0;           // not stored, reserved
    uint16_t short48 = 0;           // not stored, offered: the service's "ifg", carried only
    std::wstring text49;            // not stored, reserved
    std::wstring text50;            // not stored, offered: the service's "slpm", carried only
    int32_t number51 = 0;           // not stored, reserved
    uint32_t number52 = 0;          // not stored, offered: low half of the service's "sih"
    uint32_t number53 = 0;          // not stored, offered: high half of the service's "sih"

    // Meaningful in element 0 of a scan array only.
    std::unique_ptr<DriverInfoArray> offeredDrivers;
};

// What the update service says of an offered driver. A device record keeps its own
// INF path in `infPath`; there these fields stay empty. Each accessor comes as a
// reader and as a writable reference for the code that fills the record.
inline const std::wstring& InfPathOf(const DriverInfoRecord& offered) { return offered.text13; }
inline std::wstring& InfPathOf(DriverInfoRecord& offered) { return offered.text13; }
inline const std::wstring& Md5Of(const DriverInfoRecord& offered) { return offered.text14; }
inline std::wstring& Md5Of(DriverInfoRecord& offered) { return offered.text14; }
inline const std::wstring& SecondHardwareIdOf(const DriverInfoRecord& offered) { return offered.text15; }
inline std::wstring& SecondHardwareIdOf(DriverInfoRecord& offered) { return offered.text15; }
inline const std::wstring& DownloadAddressOf(const DriverInfoRecord& offered) { return offered.text17; }
inline std::wstring& DownloadAddressOf(DriverInfoRecord& offered) { return offered.text17; }
inline uint32_t SpecificCaseOf(const DriverInfoRecord& offered) { return offered.number19; }
inline uint32_t& SpecificCaseOf(DriverInfoRecord& offered) { return offered.number19; }
inline uint32_t InstallFlagOf(const DriverInfoRecord& offered) { return offered.number20; }
inline uint32_t& InstallFlagOf(DriverInfoRecord& offered) { return offered.number20; }
inline uint64_t DriverIdOf(const DriverInfoRecord& offered) { return offered.value64; }
inline uint64_t& DriverIdOf(DriverInfoRecord& offered) { return offered.value64; }
inline uint16_t SeverityOf(const DriverInfoRecord& offered) { return offered.short22; }
inline uint16_t& SeverityOf(DriverInfoRecord& offered) { return offered.short22; }
inline uint16_t RiskLevelOf(const DriverInfoRecord& offered) { return offered.short23; }
inline uint16_t& RiskLevelOf(DriverInfoRecord& offered) { return offered.short23; }
inline uint16_t CategoryIdOf(const DriverInfoRecord& offered) { return offered.short24; }
inline uint16_t& CategoryIdOf(DriverInfoRecord& offered) { return offered.short24; }
inline uint32_t AgeInDaysOf(const DriverInfoRecord& offered) { return offered.number25; }
inline uint32_t& AgeInDaysOf(DriverInfoRecord& offered) { return offered.number25; }
inline uint32_t FeatureScoreOf(const DriverInfoRecord& offered) { return offered.number39; }
inline uint32_t& FeatureScoreOf(DriverInfoRecord& offered) { return offered.number39; }

// Values the service sends under its own names, which the record only carries.
inline const std::wstring& SlpOf(const DriverInfoRecord& offered) { return offered.text38; }
inline std::wstring& SlpOf(DriverInfoRecord& offered) { return offered.text38; }
inline uint16_t IfgOf(const DriverInfoRecord& offered) { return offered.short48; }
inline uint16_t& IfgOf(DriverInfoRecord& offered) { return offered.short48; }
inline const std::wstring& SlpmOf(const DriverInfoRecord& offered) { return offered.text50; }
inline std::wstring& SlpmOf(DriverInfoRecord& offered) { return offered.text50; }
inline uint64_t SihOf(const DriverInfoRecord& offered) {
    return (uint64_t{offered.number53} << 32) | offered.number52;
}
inline void SetSih(DriverInfoRecord& offered, uint64_t sih) {
    offered.number52 = static_cast<uint32_t>(sih & 0xFFFFFFFFu);
    offered.number53 = static_cast<uint32_t>(sih >> 32);
}

// A scanned device's row on the results page: the state it was last saved with, and
// a spare number that rows carry along unchanged.
inline uint16_t SavedResultStateOf(const DriverInfoRecord& device) { return device.short46; }
inline uint16_t& SavedResultStateOf(DriverInfoRecord& device) { return device.short46; }
inline uint32_t SpareRowNumberOf(const DriverInfoRecord& device) { return device.number26; }
