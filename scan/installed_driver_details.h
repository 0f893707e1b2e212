#pragma once

#include <windows.h>
#include <cfgmgr32.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// One row of the signed-driver table: the WMI properties of that name, empty when
// null or unreadable.
struct SignedDriverEntry {
    std::wstring deviceName;
    std::wstring signer;
    std::wstring friendlyName;
};

struct SignedDriverTable {
    static constexpr size_t kCapacity = 1024;
    std::vector<SignedDriverEntry> rows;
    // Set when the query had more rows than the table holds; the rest are dropped.
    bool truncated = false;
};

// Fills the table from WMI's signed-driver class; true when at least one row was
// read. The previous rows are dropped first.
bool QuerySignedDrivers(SignedDriverTable& table);

// True when the "winmgmt" service runs, or was started or continued.
bool EnsureWmiServiceRunning();

class ScanOperation;

// The company name in the version information of a driver service's image file,
// looked for under the Windows folder; empty when the service, its image path or
// the version information is missing.
std::wstring GetServiceImageCompany(const ScanOperation& app, const std::wstring& windowsFolder,
                                    const std::wstring& serviceName);
// Where that image file is looked for: the image path under the Windows folder
// (cut to begin at "system32" when it names it), else the file name under
// "system32\drivers".
std::wstring ResolveServiceImagePath(const std::wstring& windowsFolder, const std::wstring& imagePath);

struct DeviceNodeStatus {
    DWORD result = 0;  // CONFIGRET of the status query
    ULONG status = 0;
    ULONG problem = 0;
};
DeviceNodeStatus ReadDeviceNodeStatus(DEVINST node);

// The date, version and problem number of the installed driver of the first present
// device of a class whose first hardware id matches. Outputs it cannot fill keep
// what the caller put in them.
struct InstalledDriverDateVersion {
    std::wstring dateText;
    DWORD fileTimeHigh = 0;
    DWORD fileTimeLow = 0;
    std::wstring version;
    ULONG problem = 0;
};
bool GetInstalledDriverDateVersion(const std::wstring& classGuidOrDriverKey, const std::wstring& hardwareId,
                                   InstalledDriverDateVersion& inOut);

// "yyyy-MM-dd", optionally followed by "T" and a time that is ignored, as local
// midnight of that day. Nothing for a text whose fields are missing or out of range
// or a day that cannot be represented.
std::optional<FILETIME> DateStringToFileTime(const std::wstring& text);

// A FILETIME as "MM-dd-yyyy" in the user's locale, slashes turned into dashes.
std::wstring FormatDriverDate(const FILETIME& date);

enum class EnumKeySearch { kByDriverKey, kByHardwareId };

// The path, below HKEY_LOCAL_MACHINE, of the first device instance key (in registry
// order) whose "Driver" value or first "HardwareID" equals `text` without regard to
// case; empty when none does.
std::wstring FindDeviceEnumKey(const std::wstring& text, EnumKeySearch search);

// The same answers as FindDeviceEnumKey for a whole scan, from one walk of the
// Enum key instead of one walk per device.
class DeviceEnumIndex {
public:
    void Build();
    std::wstring Find(const std::wstring& text, EnumKeySearch search) const;

private:
    std::map<std::wstring, std::wstring> byDriverKey_;    // lower-cased value -> path
    std::map<std::wstring, std::wstring> byHardwareId_;
};

// True when running under Wine, where some SetupAPI calls are stubs.
bool IsRunningUnderWine();

extern const wchar_t kEnumKeyPath[];   // "SYSTEM\CurrentControlSet\Enum"
extern const wchar_t kClassKeyPath[];  // "SYSTEM\CurrentControlSet\Control\Class"
