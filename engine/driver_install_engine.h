#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "engine/driver_package_info.h"
#include "engine/install_helper_launch.h"
#include "engine/process_runner.h"
#include "scan/scan_operation.h"

class CDriverScanUpdate;
class CDriverScannerApp;

// Where one install runs: the engine objects, the folders of the programs it starts,
// and the few things tests replace (pauses, language texts, the helper's result key,
// the wait for setup programs).
struct DriverInstallSession {
    DriverInstallSession(CDriverScanUpdate& scanUpdate, CDriverScannerApp& scanner);

    CDriverScanUpdate& scanUpdate;  // devices, offered drivers, install progress window
    CDriverScannerApp& scanner;     // stop protocol, WOW64, archive readers, installed drivers
    std::map<std::wstring, std::wstring>* downloadsList = nullptr;
    std::wstring helperFolder;   // holds the 64-bit install helper
    std::wstring programFolder;  // holds "extract\7z.exe"
    std::wstring workFolder;     // where the package is copied; the system's work folder when empty
    InstallHelperArguments helperResults;  // only the result key and value names are used
    ProcessWaitLimits setupWait;
    std::function<void(DWORD milliseconds)> pause;  // empty: a pause on the program's clock
    std::function<std::wstring(const wchar_t* key)> languageText;
    int result = 0;  // the last install's result code
};

// What InstallDownloadedPackage needs of the device and the driver offered for it.
struct PackageInstallRequest {
    int deviceIndex = -1;
    std::wstring packagePath;
    std::wstring hardwareId;
    std::wstring secondId;      // the id the offered driver matched
    std::wstring infPath;       // the offered INF; a relative one lies in the extraction folder
    std::wstring category;      // the device class's display name
    std::wstring driverKey;
    std::wstring deviceName;
    std::wstring md5;
    std::wstring offeredDate;   // "yyyy-mm-dd", maybe with "T" and a time
    std::wstring offeredVersion;
    uint64_t offeredDateValue = 0;  // FILETIME, high half in the upper 32 bits
    std::wstring driverDateBefore;
    std::wstring driverVersionBefore;
    std::wstring osFamily;
    int requestKind = -1;  // 13: only mark the device for reinstall
    bool useSevenZip = false;
    bool intelParameters = false;
    int runMode = 0;       // 1: run the setup program, 2: with the setup parameters
    std::wstring setupProgram;
    std::wstring setupParameters;
};

// Result codes of an install: the engine's own codes, and two that only an install
// of a downloaded package has.
namespace InstallResult {
constexpr int kInstalled = EngineCode::kFinished;
constexpr int kFailed = EngineCode::kFailed;
constexpr int kMissingInput = EngineCode::kMissingInput;
constexpr int kCancelled = EngineCode::kInstallStopRequest;
constexpr int kNotDownloaded = 0;
constexpr int kDownloadMissing = -3;
}  // namespace InstallResult

// Installs the downloaded package of one device of the last scan: 32 installed, 33
// failed, 34 missing input, 39 cancelled, 0 when the package is not in the downloads
// list or could not be copied, -3 when the downloaded file is gone.
int InstallExtractedPackage(DriverInstallSession& session, int deviceIndex);

// What a downloaded package is, by the last extension of its file name: a setup
// program (".exe", ".msi"), an archive (".zip", ".rar", ".cab") or anything else.
enum class PackageKind { Program, Zip, Rar, Cabinet, Other };
PackageKind PackageKindOf(const std::wstring& packagePath);

// Unpacks, starts or installs one package. `launched` tells whether a program of the
// package may still be running, so the caller leaves the package in place.
int InstallDownloadedPackage(DriverInstallSession& session, const PackageInstallRequest& request, bool& launched);

// Adds the driver to the record of installed drivers; the record is saved only when
// the entry is new.
void RecordInstalledDriver(CDriverScannerApp& scanner, const DriverPackageInfo& info);

// The package's own folder for its unpacked files: its folder + its file name without
// the extension + "\"; empty when the file name leaves no such name.
std::wstring ExtractionFolderOf(const std::wstring& packagePath);

// The text that selects the package sub-folder for an operating system.
std::wstring OsFamilyText(int osId, int majorVersion, int productType, int processorArchitecture);

// 0 when the offered and the installed driver dates are the same day (or cannot be
// compared), otherwise their difference in days.
int DriverDateDifferenceDays(const std::wstring& offeredDate, const std::wstring& installedDate);
