#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>

class CMarkup;

// One driver that the update service offers for one scanned device. The service
// sends every value as text; the matcher reads the numbers out of them.
struct UpdateEntry {
    int32_t deviceIndex = 0;               // "id" / "driverid"
    std::wstring hardwareIdentifier;        // "mid" / "hardwareidentifier"
    std::wstring secondHardwareIdentifier;  // "hid" / "hardwareid"
    std::wstring infDate;                   // "infd" / "infdate"
    std::wstring infPath;                   // "infp" / "infpath"
    std::wstring version;                   // "ver" / "version"
    std::wstring specificCase;              // "isc" / "isSpecificCase"
    std::wstring signer;                    // "sig" / "signer"
    std::wstring md5;                       // "md5"
    std::wstring installFlag;               // "ii" / "isInstall"
    std::wstring downloadId;                // "did" / "downloadid"
    std::wstring severity;                  // "sev" / "severity"
    std::wstring riskLevel;                 // "rl" / "riskLevel"
    std::wstring downloadAddress;           // "lu" / "liburl"
    std::wstring compatibleIdIndex;         // "cidx" / "CompatibleIdIdx"
    std::wstring featureScore;              // "fs" / "featurescore"
    std::wstring signatureScore;            // "ss" / "signaturescore"
    std::wstring categoryId;                // "cid" / "categoryid"
    std::wstring age;                       // "age"
    std::wstring manufacturer;              // "mfg" / "manufacturer"
    std::wstring provider;                  // "prv" / "provider"
    std::wstring isf;
    std::wstring ifg;
    std::wstring slp;
    std::wstring slpm;
    std::wstring sih;

    // Device index 0 and every text empty.
    void Reset() { *this = UpdateEntry(); }
};

// Offered drivers by device index; equal keys keep the order of the answer.
using OfferedDriverMap = std::multimap<int32_t, UpdateEntry>;

// The element names of answer fields: the service's short ones ("mid") or the long
// ones ("hardwareidentifier").
enum class AnswerVocabulary { kShort, kLong };

// Where the fields of one answer go while it is read.
struct AnswerTargets {
    UpdateEntry& working;
    OfferedDriverMap& offeredDrivers;
    std::set<int32_t>& deviceIndexes;
    std::wstring& databaseVersion;
    // Device indexes at or above this are not ours and are dropped.
    size_t deviceCount;
};

// Stores the text of one answer leaf by its name (compared without regard to case).
// "id" opens an entry (every field of the working entry is emptied first) and "sig"
// closes it: the working entry is stored under its device index when that index is
// one of the scan's devices, then emptied. "dbv" is the service's database version.
// Other names are ignored.
void ReadAnswerField(const std::wstring& name, const std::wstring& text, AnswerVocabulary vocabulary,
                     AnswerTargets& targets);

// Loads the answer into the markup object and reads every leaf in document order
// into the targets (short names). A leaf named like the leaf read just before it is
// skipped. Text that is not XML reads no entries. The containers are not emptied.
void ReadScanAnswer(CMarkup& markup, const std::wstring& answerText, AnswerTargets& targets);
