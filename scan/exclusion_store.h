#pragma once

#include <cstdint>
#include <map>
#include <string>

// One driver that the engine installed itself.
struct EngineExclusionEntry {
    std::wstring hardwareIdentifier;      // "HardwareIdentifier"
    std::wstring updateDeviceMatchingId;  // "UpdateDeviceMatchingID", written, not read back
    std::wstring guidPath;                // "guidPath": the device's driver key
    std::wstring md5;                     // "MD5" of the package
    std::wstring infPath;                 // "InfPath"
    std::wstring text6;                   // not stored in the file
    std::wstring text7;                   // not stored in the file
    std::wstring text8;                   // not stored in the file
    int32_t number9 = -1;
    int32_t number10 = 0;
    uint32_t deviceErrorCode = 0;   // "DeviceErrorCode", written, not read back
    uint32_t installErrorCode = 0;  // "InstallErrorCode", written, not read back

    void Reset() { *this = EngineExclusionEntry(); }
};

// The record of the drivers that the engine installed, kept in "exc.xml" in the
// user data folder, so that the matcher does not offer them again. Keyed by the
// device's driver key: one installed driver per device.
class ExclusionStore {
public:
    static constexpr wchar_t kFileName[] = L"exc.xml";

    ExclusionStore() = default;

    // Sets the folder "exc.xml" lives in and loads it.
    void Open(const std::wstring& dataFolder);
    const std::wstring& Path() const { return path_; }

    // Rebuilds the record from the file; a missing or unreadable file gives an empty
    // record.
    void Load();
    // Rebuilds the record from XML text; text that is not XML gives an empty record.
    void Parse(const std::wstring& text);

    // True when the entry was added or replaced the entry of the same device; false
    // when an equal entry (MD5, INF path, hardware identifier) is there already.
    bool Add(const EngineExclusionEntry& entry);

    // Writes the whole record; returns 1 whether or not the file could be written, as
    // callers go on either way.
    int Save() const;
    // The file's text: root "newdataset", one "device" element per entry.
    std::wstring BuildText() const;

    // 1 when the record holds an entry for the entry's device with the same MD5, INF
    // path and hardware identifier (case ignored); else 0.
    int IsDriverExcluded(const EngineExclusionEntry& entry) const;

    const std::map<std::wstring, EngineExclusionEntry>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }

private:
    void ReadField(const std::wstring& name, const std::wstring& text);
    void CommitWorkingEntry();

    std::wstring path_;
    std::map<std::wstring, EngineExclusionEntry> entries_;
    EngineExclusionEntry working_;
};

// The INF path as the record keeps it: lower-cased and, below the program's
// "extract" folder, only the part under it ("c:\x\extract\pkg1\a.inf" -> "pkg1\a.inf").
std::wstring NormaliseInfPath(const std::wstring& path);
