#include "engine/driver_install_engine.h"

#include "platform/text_case.h"

#include <windows.h>
#include <newdev.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <optional>

#include "engine/cabinet_extractor.h"
#include "engine/install_backends.h"
#include "engine/invalid_name_char.h"
#include "engine/seven_zip_extract.h"
#include "engine/zip_package_reader.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "foundation/os_identity.h"
#include "foundation/registry.h"
#include "foundation/system_helpers.h"
#include "scan/driver_scan_update.h"
#include "engine/driver_scanner_app.h"
#include "scan/installed_driver_details.h"

namespace {

constexpr DWORD kErrorInWow64 = 0xE0000235;
constexpr wchar_t kDisplayAdapters[] = L"Display adapters";
constexpr wchar_t kSoundControllers[] = L"Sound, video and game controllers";


bool EndsWithNoCase(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() && EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

bool FileExists(const std::wstring& path) { return !path.empty() && PathFileExistsW(path.c_str()) != FALSE; }

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ToThreadCodePage(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int bytes = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, out.data(), bytes, nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes - 1));
    return out;
}

bool IsSpecialDeviceClass(const std::wstring& category) {
    StringMap classes;
    FillDeviceClassNames(classes);
    return MapContainsKey(classes, category);
}

std::optional<long long> DaysFromCivil(int year, int month, int day) {
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    year -= month <= 2 ? 1 : 0;
    const long long era = year / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153LL * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Three numbers separated by "-"; nothing when a part is missing or not a number.
std::optional<std::array<int, 3>> ReadDateParts(const std::wstring& text) {
    std::array<int, 3> parts{};
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t dash = i < 2 ? text.find(L'-', start) : std::wstring::npos;
        if (i < 2 && dash == std::wstring::npos) return std::nullopt;
        const std::wstring part = text.substr(start, dash == std::wstring::npos ? std::wstring::npos : dash - start);
        if (part.empty() || part.size() > 6 ||
            !std::all_of(part.begin(), part.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
            return std::nullopt;
        }
        parts[static_cast<size_t>(i)] = std::stoi(part);
        start = dash + 1;
    }
    return parts;
}

// Progress and stop checks of one install.
class InstallRun {
public:
    explicit InstallRun(DriverInstallSession& session) : session_(session) {}

    void Report(int percent, const wchar_t* key = nullptr, int code = 0) {
        if (key == nullptr) {
            session_.scanUpdate.ReportInstallProgress(percent, nullptr, code);
            return;
        }
        lastAnswer_ = session_.scanUpdate.ReportInstallProgress(percent, Text(key).c_str(), code);
    }

    std::wstring Text(const wchar_t* key) const {
        return session_.languageText ? session_.languageText(key) : GetLangString(key, L"RESOURCESTRING");
    }

    void Pause(DWORD milliseconds) const {
        if (session_.pause) {
            session_.pause(milliseconds);
        } else {
            Sleep(milliseconds);
        }
    }

    // True when the screen asked to stop; the stop is then acknowledged.
    bool Cancelled() {
        if (!session_.scanner.StopRequested(EngineCode::kInstallStopRequest)) return false;
        session_.scanner.AcknowledgeStop();
        return true;
    }

    int LastAnswer() const { return lastAnswer_; }

private:
    DriverInstallSession& session_;
    int lastAnswer_ = 0;
};

// The archive steps hold at 15 and 30 percent long enough for the user to read
// that the package is being unpacked before the window moves on.
constexpr DWORD kUnpackingFirstStepMs = 2000;
constexpr DWORD kUnpackingSecondStepMs = 3000;

void ShowUnpackingStarts(InstallRun& run) {
    run.Report(15);
    run.Pause(kUnpackingFirstStepMs);
    run.Report(30);
    run.Pause(kUnpackingSecondStepMs);
}

std::wstring ResolveInfPath(const std::wstring& infPath, const std::wstring& extractionFolder) {
    if (infPath.empty() || extractionFolder.empty() || PathIsRelativeW(infPath.c_str()) == FALSE) return infPath;
    std::wstring path = extractionFolder;
    PathAppendString(path, infPath);
    return path;
}

}  // namespace

DriverInstallSession::DriverInstallSession(CDriverScanUpdate& scanUpdateIn, CDriverScannerApp& scannerIn)
    : scanUpdate(scanUpdateIn), scanner(scannerIn) {}

PackageKind PackageKindOf(const std::wstring& packagePath) {
    const size_t separator = packagePath.find_last_of(L"\\/");
    const size_t dot = packagePath.rfind(L'.');
    if (dot == std::wstring::npos || (separator != std::wstring::npos && dot < separator)) return PackageKind::Other;
    const std::wstring extension = LowerInvariant(packagePath.substr(dot));
    if (extension == L".exe" || extension == L".msi") return PackageKind::Program;
    if (extension == L".zip") return PackageKind::Zip;
    if (extension == L".rar") return PackageKind::Rar;
    if (extension == L".cab") return PackageKind::Cabinet;
    return PackageKind::Other;
}

std::wstring ExtractionFolderOf(const std::wstring& packagePath) {
    const size_t slash = packagePath.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : packagePath.substr(0, slash + 1);
    std::wstring name = slash == std::wstring::npos ? packagePath : packagePath.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    // A name of dots or blanks would make the "sub-folder" the package folder itself.
    if (folder.empty() || name.find_first_not_of(L". ") == std::wstring::npos) return std::wstring();
    return folder + name + L"\\";
}

std::wstring OsFamilyText(int osId, int majorVersion, int productType, int processorArchitecture) {
    if (osId >= 17 && osId <= 20) return L"ia64";
    if (osId == 7 || osId == 8) return L"amd64";
    if (majorVersion == 6 && productType == 1 && processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) {
        return L"win7amd64";
    }
    if (majorVersion == 6 && productType == 1 && processorArchitecture == PROCESSOR_ARCHITECTURE_INTEL) {
        return L"win7i386";
    }
    if (osId == 9 || osId == 16) return L"amd64";
    if (osId == 6 || osId == 11 || majorVersion >= 6) return L"Vista";
    return L"xp";
}

int DriverDateDifferenceDays(const std::wstring& offeredDate, const std::wstring& installedDate) {
    if (offeredDate.empty()) return 0;
    const auto offered = ReadDateParts(offeredDate.substr(0, offeredDate.find(L'T')));
    const auto installed = ReadDateParts(installedDate);
    if (!offered || !installed) return 0;
    const auto offeredDay = DaysFromCivil((*offered)[0], (*offered)[1], (*offered)[2]);
    const auto installedDay = DaysFromCivil((*installed)[2], (*installed)[0], (*installed)[1]);
    if (!offeredDay || !installedDay) return 0;
    const long long difference = *installedDay - *offeredDay;
    if (difference == 0) return 0;
    WriteLogLine(L"Installed: %d-%d-%d, UpdateDate:%d-%d-%d, strUpdateRecordDeviceDrvDate=%ls, "
                 L"strUpdatedDeviceDrvDate=%ls",
                 (*installed)[2], (*installed)[0], (*installed)[1], (*offered)[0], (*offered)[1], (*offered)[2],
                 offeredDate.c_str(), installedDate.c_str());
    return static_cast<int>(difference);
}

void RecordInstalledDriver(CDriverScannerApp& scanner, const DriverPackageInfo& info) {
    EngineExclusionEntry entry;
    entry.hardwareIdentifier = info.hardwareId;
    entry.updateDeviceMatchingId = info.secondId;
    entry.guidPath = info.classGuidPath;
    entry.md5 = info.md5;
    // The record compares the INF path in the form it stores, so a reloaded record
    // and a fresh entry agree.
    entry.infPath = NormaliseInfPath(info.infPath);
    entry.installErrorCode = info.errorValue;
    entry.deviceErrorCode = info.problemNumber;
    if (scanner.InstalledDrivers().Add(entry)) scanner.InstalledDrivers().Save();
}

int InstallDownloadedPackage(DriverInstallSession& session, const PackageInstallRequest& request, bool& launched) {
    launched = false;
    InstallRun run(session);
    CDriverScannerApp& scanner = session.scanner;

    if (request.packagePath.empty() || request.hardwareId.empty()) return InstallResult::kMissingInput;
    if (run.Cancelled()) return InstallResult::kCancelled;
    if (!FileExists(request.packagePath)) {
        run.Report(0, L"IDS_STRING_UNKWN_FILE_PATH");
        return InstallResult::kMissingInput;
    }

    const std::wstring extractionFolder = ExtractionFolderOf(request.packagePath);
    // Only a folder this run makes is removed at the end: one that was there before may
    // hold what the user keeps.
    const bool extractionFolderIsOurs = !extractionFolder.empty() && !FolderExists(extractionFolder);
    run.Report(0);
    const PackageKind kind = PackageKindOf(request.packagePath);
    if (run.Cancelled()) return InstallResult::kCancelled;

    const bool specialClass = IsSpecialDeviceClass(request.category);
    INT_PTR startResult = 0;
    bool stillRunning = false;

    auto extractZip = [&](ZipPackageReader& reader) {
        // A package whose members cannot all be unpacked safely is not installed from.
        const bool extracted = !extractionFolder.empty() && reader.ExtractAll(extractionFolder);
        reader.Close();
        return extracted;
    };

    if (kind == PackageKind::Program) {
        run.Pause(100);
        if (run.Cancelled()) return InstallResult::kCancelled;
        ZipPackageReader reader;
        if (reader.Open(request.packagePath)) {
            if (specialClass) {
                run.Report(0, L"IDS_STRING_INSTALL_FILE_CATEGORY");
                return InstallResult::kFailed;
            }
            run.Report(25);
            if (!extractZip(reader)) {
                run.Report(25, L"IDS_STRING_INSTALL_FILE_CORRUPT");
                return InstallResult::kFailed;
            }
            run.Report(65);
        } else {
            run.Report(25);
            run.Pause(100);
            if (run.Cancelled()) return InstallResult::kCancelled;
            if (request.useSevenZip) {
                std::wstring message;
                std::wstring subFolderName = extractionFolder;
                if (!subFolderName.empty()) {
                    subFolderName.pop_back();
                    subFolderName.erase(0, subFolderName.find_last_of(L"\\/") + 1);
                }
                // 7-Zip's failure has no text of its own to show.
                if (subFolderName.empty() ||
                    ExtractWith7z(request.packagePath, subFolderName, session.programFolder, message) !=
                        EngineCode::kFinished) {
                    return InstallResult::kFailed;
                }
                run.Report(65);
            } else {
                // A setup program is not started for a device class the engine does
                // not install for.
                if (specialClass) {
                    run.Report(0, L"IDS_STRING_INSTALL_FILE_CATEGORY");
                    return InstallResult::kFailed;
                }
                const wchar_t* parameters = request.intelParameters ? L"cmd -overall -overide -overwrite" : nullptr;
                startResult = reinterpret_cast<INT_PTR>(
                    ShellExecuteW(nullptr, L"open", request.packagePath.c_str(), parameters, nullptr, SW_SHOWNORMAL));
                if (startResult <= 32) {
                    run.Report(65, L"IDS_STRING_LAUNCH_SETUP");
                    return InstallResult::kFailed;
                }
                // From here the program runs on its own: nothing of the package may be
                // deleted under it, whatever this install decides.
                launched = true;
                run.Report(65);
            }
        }
        if (run.Cancelled()) return InstallResult::kCancelled;
    }

    if (specialClass) {
        run.Report(0, L"IDS_STRING_INSTALL_FILE_CATEGORY");
        return InstallResult::kFailed;
    }

    if (kind == PackageKind::Zip) {
        ShowUnpackingStarts(run);
        if (run.Cancelled()) return InstallResult::kCancelled;
        ZipPackageReader reader;
        if (!reader.Open(request.packagePath) || !extractZip(reader)) {
            run.Report(25, L"IDS_STRING_INSTALL_FILE_CORRUPT");
            return InstallResult::kFailed;
        }
        run.Report(65);
        if (run.Cancelled()) return InstallResult::kCancelled;
    }

    if (kind == PackageKind::Rar) {
        ShowUnpackingStarts(run);
        if (run.Cancelled()) return InstallResult::kCancelled;
        RarExtractJob& rar = scanner.RarExtractor();
        if (extractionFolder.empty() || !rar.LoadUnrarLibrary() || !rar.Extract(request.packagePath)) {
            rar.FreeUnrarLibrary();
            run.Report(25, L"IDS_STRING_INSTALL_RAR_FILE_CORRUPT");
            return InstallResult::kFailed;
        }
        rar.SetTargetFolder(extractionFolder);
        const bool extracted = rar.ExtractAll();
        rar.FreeUnrarLibrary();
        if (!extracted) {
            run.Report(25, L"IDS_STRING_INSTALL_RAR_FILE_CORRUPT");
            return InstallResult::kFailed;
        }
        run.Report(65);
        if (run.Cancelled()) return InstallResult::kCancelled;
    }

    if (kind == PackageKind::Cabinet) {
        run.Report(25);
        CabinetExtractor& cabinet = scanner.CabExtractor();
        if (extractionFolder.empty() || !cabinet.LoadCabinetFdi() ||
            !cabinet.Extract(ToThreadCodePage(extractionFolder), ToThreadCodePage(request.packagePath))) {
            run.Report(25, L"IDS_STRING_INSTALL_CAB_FILE_CORRUPT");
            return InstallResult::kFailed;
        }
        run.Report(65);
    }

    // Install preparation.
    std::optional<CDriverScannerApp::FsRedirectionOff> redirection;
    redirection.emplace(scanner);
    if (run.Cancelled()) return InstallResult::kCancelled;
    run.Pause(1000);
    run.Pause(1000);

    bool done = true;
    bool record = false;
    bool noted = false;
    int32_t noteCode = DriverInstallNote::kNone;
    DWORD errorValue = 0;
    BOOL needReboot = FALSE;
    const std::wstring infPath = ResolveInfPath(request.infPath, extractionFolder);
    InstalledDriverDateVersion after;
    after.dateText = request.driverDateBefore;
    after.version = request.driverVersionBefore;

    if (request.requestKind == 13) {
        if (!request.driverKey.empty()) {
            done = MarkDeviceForReinstall(scanner, infPath, session.helperFolder, request.hardwareId,
                                          request.driverKey) != 0;
            noteCode = done ? DriverInstallNote::kNone : DriverInstallNote::kReinstallMarkFailed;
            noted = !done;
        } else {
            done = false;
            noted = true;
            noteCode = DriverInstallNote::kReinstallMarkFailed;
        }
        errorValue = GetLastError();
        record = true;
    } else {
        CRegistry infinst;
        infinst.SetAccessMask(scanner.IsWow64() ? 0x2011F : 0x2001F);
        if (infinst.Open(L"SOFTWARE\\Intel\\Infinst", HKEY_LOCAL_MACHINE, true)) {
            if (HKEY key = infinst.Key(); key != nullptr) RegDeleteValueW(key, L"Version");
            infinst.Close();
        }

        bool installFromInf = true;
        if (request.runMode == 1 || request.runMode == 2) {
            const std::wstring program =
                request.setupProgram.empty() ? request.packagePath : extractionFolder + request.setupProgram;
            const std::wstring parameters = request.runMode == 2 ? request.setupParameters : std::wstring();
            if (FileExists(program)) {
                DWORD exitCode = 0;
                DWORD waitResult = 0;
                // The exit code of a setup program says nothing reliable; one still at
                // work keeps its files.
                if (!RunProcessAndWait(program, parameters, true, exitCode, waitResult, session.setupWait)) {
                    stillRunning = true;
                }
            }
            installFromInf = false;
        } else {
            if (!request.useSevenZip && !extractionFolder.empty()) {
                const std::wstring setup = extractionFolder + L"Setup.exe";
                if (FileExists(setup)) {
                    const INT_PTR started = reinterpret_cast<INT_PTR>(
                        ShellExecuteW(nullptr, L"open", setup.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
                    if (started > 32) {
                        launched = true;
                    } else {
                        done = false;
                    }
                }
            }
            if (EndsWithNoCase(request.packagePath, L".EXE") && startResult > 32 && !request.useSevenZip) {
                launched = true;
            }
            installFromInf = !launched;
        }

        if (installFromInf) {
            done = false;
            record = false;
            noted = false;
            noteCode = DriverInstallNote::kNone;
            errorValue = 0;
            int major = 0;
            int minor = 0;
            int productType = 0;
            int architecture = 0;
            GetOsId(productType, major, minor, architecture);
            const bool forcedOnly = major == 5 && minor == 1 && architecture == PROCESSOR_ARCHITECTURE_INTEL &&
                                    request.category == kDisplayAdapters;
            if (!forcedOnly && !scanner.IsWow64()) {
                if (UpdateDriverForPlugAndPlayDevicesW(nullptr, request.hardwareId.c_str(), infPath.c_str(), 0,
                                                       &needReboot)) {
                    done = true;
                } else {
                    const DWORD error = GetLastError();
                    if (error != kErrorInWow64) {
                        // Recorded with its error, and reported as the failure it is.
                        record = true;
                        noted = true;
                        noteCode = DriverInstallNote::kPlugAndPlayFailed;
                        errorValue = error;
                    } else if (scanner.DifxApi().IsLoaded()) {
                        done = scanner.DifxApi().Install(infPath, 0) == ERROR_SUCCESS;
                    }
                }
            } else if (!forcedOnly) {
                InstallHelperArguments arguments = session.helperResults;
                arguments.hwdid = request.hardwareId;
                arguments.inf = infPath;
                DWORD pnpError = 0;
                DWORD difxError = 0;
                if (RunInstallHelper64(1, session.helperFolder, arguments, pnpError, difxError) != 0) {
                    done = true;
                } else {
                    errorValue = ReadRegistryDecimalByRootName(arguments.hkey, arguments.regpath,
                                                               arguments.regvalupnp);
                    record = true;
                    noted = true;
                    noteCode = DriverInstallNote::kHelperFailed;
                }
                DeleteRegistryValueByRootName(arguments.hkey, arguments.regpath, arguments.regval);
                DeleteRegistryValueByRootName(arguments.hkey, arguments.regpath, arguments.regvalupnp);
                DeleteRegistryValueByRootName(arguments.hkey, arguments.regpath, arguments.regvaldifx);
            }
            if (!done && request.category != kSoundControllers) {
                if (!infPath.empty() &&
                    RestoreDeviceDriver(scanner, session.helperFolder, request.hardwareId, infPath)) {
                    done = true;
                } else if (!noted) {
                    // A failed install that was noted keeps its record.
                    record = false;
                }
            }
        }

        // Verification.
        if (!request.driverKey.empty() && GetInstalledDriverDateVersion(request.driverKey, request.hardwareId, after)) {
            const DWORD offeredHigh = static_cast<DWORD>(request.offeredDateValue >> 32);
            const DWORD offeredLow = static_cast<DWORD>(request.offeredDateValue);
            bool differs = false;
            if (offeredHigh != 0 && offeredLow != 0 && after.fileTimeHigh != 0 && after.fileTimeLow != 0) {
                differs = offeredHigh != after.fileTimeHigh || offeredLow != after.fileTimeLow;
            } else {
                differs = DriverDateDifferenceDays(request.offeredDate, after.dateText) != 0;
            }
            if (differs) {
                if (!noted) {
                    noted = true;
                    noteCode = DriverInstallNote::kDateDiffers;
                }
                if (done) record = true;
            }
            if (after.problem != 0 && !noted) {
                noted = true;
                noteCode = DriverInstallNote::kDeviceProblem;
            }
        }
    }

    // Record.
    if (request.requestKind == 13) record = true;
    if (done) record = true;
    if (noted || record) {
        DriverPackageInfo info;
        info.hardwareId = request.hardwareId;
        info.secondId = request.secondId;
        info.classGuidPath = request.driverKey;
        info.md5 = request.md5;
        info.infPath = infPath;
        info.deviceName = request.deviceName;
        info.category = request.category;
        info.packagePath = request.packagePath;
        info.offeredDate = request.offeredDate;
        info.offeredVersion = request.offeredVersion;
        info.driverDateBefore = request.driverDateBefore;
        info.driverVersionBefore = request.driverVersionBefore;
        info.driverDateAfter = after.dateText;
        info.driverVersionAfter = after.version;
        info.errorValue = errorValue;
        info.problemNumber = after.problem;
        info.noteCode = noteCode;
        info.requestKind = request.requestKind;
        if (record) RecordInstalledDriver(scanner, info);
    }

    // Finish.
    if (request.requestKind == 13) done = true;
    redirection.reset();
    if (run.Cancelled()) return done ? InstallResult::kInstalled : InstallResult::kCancelled;
    if (stillRunning) launched = true;
    if (!launched && extractionFolderIsOurs && FolderExists(extractionFolder)) {
        DeletePathSilently(extractionFolder.substr(0, extractionFolder.size() - 1));
    }
    if (done) {
        if (needReboot) {
            run.Report(100, L"IDS_STRING_RESTART", 6);
            if (run.LastAnswer() == IDYES) RebootComputer();
        } else {
            run.Report(100);
        }
        return InstallResult::kInstalled;
    }
    run.Report(65, L"IDS_STRING_INSTALL_FAILED", 0);
    return InstallResult::kFailed;
}

int InstallExtractedPackage(DriverInstallSession& session, int deviceIndex) {
    WriteLogLine(L"Creating paths...");
    session.result = 0;
    CDriverScanUpdate& engine = session.scanUpdate;
    if (deviceIndex < 0 || deviceIndex >= static_cast<int>(engine.devices.size()) ||
        engine.OfferedDrivers() == nullptr ||
        deviceIndex >= static_cast<int>(engine.OfferedDrivers()->size()) || session.downloadsList == nullptr) {
        return InstallResult::kNotDownloaded;
    }
    const DriverInfoRecord& device = engine.devices[static_cast<size_t>(deviceIndex)];
    const DriverInfoRecord& offered = (*engine.OfferedDrivers())[static_cast<size_t>(deviceIndex)];

    WriteLogLine(L"Reading variables...");
    PackageInstallRequest request;
    request.deviceIndex = deviceIndex;
    request.hardwareId = device.hardwareId;
    request.secondId = offered.hardwareId;
    request.infPath = InfPathOf(offered);
    request.category = device.category;
    request.driverKey = device.driverKey;
    request.deviceName = device.deviceName;
    request.md5 = Md5Of(offered);
    request.offeredDate = offered.driverDate;
    request.offeredVersion = offered.driverVersion;
    request.offeredDateValue = (static_cast<uint64_t>(offered.driverDateHigh) << 32) | offered.driverDateLow;
    request.driverDateBefore = device.driverDate;
    request.driverVersionBefore = device.driverVersion;

    // The downloads list is keyed by the package address.
    const std::wstring key = LowerInvariant(RemoveFirstInvalidNameChar(DownloadAddressOf(offered)));
    const auto found = session.downloadsList->find(key);
    if (found == session.downloadsList->end()) return InstallResult::kNotDownloaded;
    const std::wstring downloaded = found->second.substr(0, found->second.find(L'|'));
    if (!FileExists(downloaded)) return InstallResult::kDownloadMissing;

    std::wstring workFolder = session.workFolder.empty() ? GetTempWorkFolder() : session.workFolder;
    CreateFolderTree(workFolder);
    std::wstring copied = workFolder;
    PathAppendString(copied, downloaded.substr(downloaded.find_last_of(L"\\/") + 1));
    DeleteFileW(copied.c_str());
    if (!CopyFileW(downloaded.c_str(), copied.c_str(), FALSE) || !FileExists(copied)) {
        return InstallResult::kNotDownloaded;
    }
    request.packagePath = copied;

    int major = 0;
    int minor = 0;
    int productType = 0;
    int architecture = 0;
    const int osId = GetOsId(productType, major, minor, architecture);
    request.osFamily = OsFamilyText(osId, major, productType, architecture);

    WriteLogLine(L"all path get...");
    bool launched = false;
    const int result = InstallDownloadedPackage(session, request, launched);
    WriteLogLine(L"basic install complete...");
    // A program started from the package may still be reading it.
    if (!launched && FileExists(copied)) DeleteFileW(copied.c_str());
    session.result = result;
    return result;
}
