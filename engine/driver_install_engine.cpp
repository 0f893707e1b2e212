#include "engine/driver_install_engine.h"

#include "platform/path_checks.h"
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
#include "foundation/clock.h"
#include "foundation/daily_log.h"
#include "foundation/folders.h"
#include "foundation/language_strings.h"
#include "foundation/os_identity.h"
#include "platform/registry.h"
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
            AppClock().Sleep(milliseconds);
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

namespace {

// A request of this kind only marks the device for reinstall at the next start.
constexpr int kMarkForReinstallRequest = 13;
// Setup programs started with the package's own parameters or with none.
constexpr int kRunSetupProgram = 1;
constexpr int kRunSetupProgramWithParameters = 2;
// The progress report's code that asks the screen whether to restart now, and the
// answer that means yes.
constexpr int kAskForRestart = IDYES;
// The settle time after unpacking, before the system's installer reads the files:
// virus scanners and the indexer still hold freshly written files for a moment.
constexpr DWORD kSettleBeforeInstallMs = 1000;
// The unpack steps hold briefly between reports so a fast machine still shows them.
constexpr DWORD kProgramStepMs = 100;

// One install of one package, in the order the steps run: unpack, start a setup
// program or install from the INF, verify, record, finish. Each step that can end
// the install returns the result that ends it.
class PackageInstall {
public:
    PackageInstall(DriverInstallSession& session, const PackageInstallRequest& request, bool& launched)
        : session_(session),
          scanner_(session.scanner),
          request_(request),
          launched_(launched),
          run_(session),
          extractionFolder_(ExtractionFolderOf(request.packagePath)),
          // Only a folder this run makes is removed at the end: one that was there
          // before may hold what the user keeps.
          extractionFolderIsOurs_(!extractionFolder_.empty() && !FolderExists(extractionFolder_)),
          specialClass_(IsSpecialDeviceClass(request.category)) {
        launched_ = false;
        after_.dateText = request.driverDateBefore;
        after_.version = request.driverVersionBefore;
    }

    int Run() {
        if (request_.packagePath.empty() || request_.hardwareId.empty()) return InstallResult::kMissingInput;
        if (run_.Cancelled()) return InstallResult::kCancelled;
        if (!FileExists(request_.packagePath)) {
            run_.Report(0, L"IDS_STRING_UNKWN_FILE_PATH");
            return InstallResult::kMissingInput;
        }
        run_.Report(0);
        if (run_.Cancelled()) return InstallResult::kCancelled;
        if (const auto ended = Unpack()) return *ended;

        std::optional<CDriverScannerApp::FsRedirectionOff> redirection;
        redirection.emplace(scanner_);
        if (run_.Cancelled()) return InstallResult::kCancelled;
        run_.Pause(kSettleBeforeInstallMs);
        run_.Pause(kSettleBeforeInstallMs);
        infPath_ = ResolveInfPath(request_.infPath, extractionFolder_);

        if (request_.requestKind == kMarkForReinstallRequest) {
            MarkForReinstall();
        } else {
            ForgetChipsetInstallerVersion();
            if (RunPackagePrograms()) InstallFromInf();
            Verify();
        }
        Record();
        redirection.reset();
        return Finish();
    }

private:
    // --- Unpack: by the kind of package, into the package's own sub-folder.

    std::optional<int> Unpack() {
        const PackageKind kind = PackageKindOf(request_.packagePath);
        if (kind == PackageKind::Program) {
            if (const auto ended = UnpackProgram()) return ended;
        }
        if (specialClass_) return Fail(0, L"IDS_STRING_INSTALL_FILE_CATEGORY");
        switch (kind) {
            case PackageKind::Zip: return UnpackZip();
            case PackageKind::Rar: return UnpackRar();
            case PackageKind::Cabinet: return UnpackCabinet();
            case PackageKind::Program:
            case PackageKind::Other: break;
        }
        return std::nullopt;
    }

    // A program may be a self-extracting zip, a 7-Zip archive or a setup program.
    std::optional<int> UnpackProgram() {
        run_.Pause(kProgramStepMs);
        if (run_.Cancelled()) return InstallResult::kCancelled;
        ZipPackageReader reader;
        if (reader.Open(request_.packagePath)) {
            if (specialClass_) return Fail(0, L"IDS_STRING_INSTALL_FILE_CATEGORY");
            run_.Report(25);
            if (!ExtractZip(reader)) return Fail(25, L"IDS_STRING_INSTALL_FILE_CORRUPT");
            run_.Report(65);
        } else {
            run_.Report(25);
            run_.Pause(kProgramStepMs);
            if (run_.Cancelled()) return InstallResult::kCancelled;
            if (request_.useSevenZip) {
                if (!ExtractWithSevenZip()) return InstallResult::kFailed;  // 7-Zip's failure has no text of its own
                run_.Report(65);
            } else {
                // A setup program is not started for a device class the engine does
                // not install for.
                if (specialClass_) return Fail(0, L"IDS_STRING_INSTALL_FILE_CATEGORY");
                const wchar_t* parameters =
                    request_.intelParameters ? L"cmd -overall -overide -overwrite" : nullptr;
                packageStartResult_ = reinterpret_cast<INT_PTR>(ShellExecuteW(
                    nullptr, L"open", request_.packagePath.c_str(), parameters, nullptr, SW_SHOWNORMAL));
                if (packageStartResult_ <= 32) return Fail(65, L"IDS_STRING_LAUNCH_SETUP");
                // From here the program runs on its own: nothing of the package may be
                // deleted under it, whatever this install decides.
                launched_ = true;
                run_.Report(65);
            }
        }
        if (run_.Cancelled()) return InstallResult::kCancelled;
        return std::nullopt;
    }

    bool ExtractWithSevenZip() {
        std::wstring subFolderName = extractionFolder_;
        if (!subFolderName.empty()) {
            subFolderName.pop_back();
            subFolderName.erase(0, subFolderName.find_last_of(L"\\/") + 1);
        }
        std::wstring message;
        return !subFolderName.empty() &&
               ExtractWith7z(request_.packagePath, subFolderName, session_.programFolder, message) ==
                   EngineCode::kFinished;
    }

    bool ExtractZip(ZipPackageReader& reader) {
        // A package whose members cannot all be unpacked safely is not installed from.
        const bool extracted = !extractionFolder_.empty() && reader.ExtractAll(extractionFolder_);
        reader.Close();
        return extracted;
    }

    std::optional<int> UnpackZip() {
        ShowUnpackingStarts(run_);
        if (run_.Cancelled()) return InstallResult::kCancelled;
        ZipPackageReader reader;
        if (!reader.Open(request_.packagePath) || !ExtractZip(reader)) {
            return Fail(25, L"IDS_STRING_INSTALL_FILE_CORRUPT");
        }
        run_.Report(65);
        if (run_.Cancelled()) return InstallResult::kCancelled;
        return std::nullopt;
    }

    std::optional<int> UnpackRar() {
        ShowUnpackingStarts(run_);
        if (run_.Cancelled()) return InstallResult::kCancelled;
        RarExtractJob& rar = scanner_.RarExtractor();
        if (extractionFolder_.empty() || !rar.LoadUnrarLibrary() || !rar.Extract(request_.packagePath)) {
            rar.FreeUnrarLibrary();
            return Fail(25, L"IDS_STRING_INSTALL_RAR_FILE_CORRUPT");
        }
        rar.SetTargetFolder(extractionFolder_);
        const bool extracted = rar.ExtractAll();
        rar.FreeUnrarLibrary();
        if (!extracted) return Fail(25, L"IDS_STRING_INSTALL_RAR_FILE_CORRUPT");
        run_.Report(65);
        if (run_.Cancelled()) return InstallResult::kCancelled;
        return std::nullopt;
    }

    std::optional<int> UnpackCabinet() {
        run_.Report(25);
        CabinetExtractor& cabinet = scanner_.CabExtractor();
        if (extractionFolder_.empty() || !cabinet.LoadCabinetFdi() ||
            !cabinet.Extract(ToThreadCodePage(extractionFolder_), ToThreadCodePage(request_.packagePath))) {
            return Fail(25, L"IDS_STRING_INSTALL_CAB_FILE_CORRUPT");
        }
        run_.Report(65);
        return std::nullopt;
    }

    int Fail(int percent, const wchar_t* key) {
        run_.Report(percent, key);
        return InstallResult::kFailed;
    }

    // --- Install.

    void MarkForReinstall() {
        if (!request_.driverKey.empty()) {
            done_ = MarkDeviceForReinstall(scanner_, infPath_, session_.helperFolder, request_.hardwareId,
                                           request_.driverKey, session_.helperResults) != 0;
            errorValue_ = GetLastError();
            ForgetHelperResults();
            if (!done_) Note(DriverInstallNote::kReinstallMarkFailed);
        } else {
            done_ = false;
            Note(DriverInstallNote::kReinstallMarkFailed);
            errorValue_ = GetLastError();
        }
        record_ = true;
    }

    // The chipset installer skips a machine whose stored version is current; the
    // value goes so that its setup program installs again.
    void ForgetChipsetInstallerVersion() {
        CRegistry infinst;
        infinst.SetAccessMask(scanner_.IsWow64() ? 0x2011F : 0x2001F);
        if (infinst.Open(L"SOFTWARE\\Intel\\Infinst", HKEY_LOCAL_MACHINE, true)) {
            if (HKEY key = infinst.Key(); key != nullptr) RegDeleteValueW(key, L"Version");
            infinst.Close();
        }
    }

    // Starts what the package says to start; true when the INF is still to be
    // installed by the system's installer.
    bool RunPackagePrograms() {
        if (request_.runMode == kRunSetupProgram || request_.runMode == kRunSetupProgramWithParameters) {
            const std::wstring program =
                request_.setupProgram.empty() ? request_.packagePath : extractionFolder_ + request_.setupProgram;
            const std::wstring parameters =
                request_.runMode == kRunSetupProgramWithParameters ? request_.setupParameters : std::wstring();
            if (FileExists(program)) {
                DWORD exitCode = 0;
                DWORD waitResult = 0;
                // The exit code of a setup program says nothing reliable; one still at
                // work keeps its files.
                if (!RunProcessAndWait(program, parameters, true, exitCode, waitResult, session_.setupWait)) {
                    setupStillRunning_ = true;
                }
            }
            return false;
        }
        if (!request_.useSevenZip && !extractionFolder_.empty()) {
            const std::wstring setup = extractionFolder_ + L"Setup.exe";
            if (FileExists(setup)) {
                const INT_PTR started = reinterpret_cast<INT_PTR>(
                    ShellExecuteW(nullptr, L"open", setup.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
                if (started > 32) {
                    launched_ = true;
                } else {
                    done_ = false;
                }
            }
        }
        if (EndsWithNoCase(request_.packagePath, L".EXE") && packageStartResult_ > 32 && !request_.useSevenZip) {
            launched_ = true;
        }
        return !launched_;
    }

    void InstallFromInf() {
        done_ = false;
        record_ = false;
        noted_ = false;
        noteCode_ = DriverInstallNote::kNone;
        errorValue_ = 0;
        int major = 0;
        int minor = 0;
        int productType = 0;
        int architecture = 0;
        GetOsId(productType, major, minor, architecture);
        // Display drivers on 32-bit XP go only through the forced restore below.
        const bool forcedOnly = major == 5 && minor == 1 && architecture == PROCESSOR_ARCHITECTURE_INTEL &&
                                request_.category == kDisplayAdapters;
        if (!forcedOnly && !scanner_.IsWow64()) {
            InstallInThisProcess();
        } else if (!forcedOnly) {
            InstallThroughHelper();
        }
        if (!done_ && request_.category != kSoundControllers) {
            if (!infPath_.empty() && RestoreDeviceDriver(scanner_, session_.helperFolder, request_.hardwareId, infPath_,
                                                       session_.helperResults)) {
                done_ = true;
            } else if (!noted_) {
                // A failed install that was noted keeps its record.
                record_ = false;
            }
            ForgetHelperResults();
        }
    }

    void InstallInThisProcess() {
        if (UpdateDriverForPlugAndPlayDevicesW(nullptr, request_.hardwareId.c_str(), infPath_.c_str(), 0,
                                               &needReboot_)) {
            done_ = true;
            return;
        }
        const DWORD error = GetLastError();
        if (error != kErrorInWow64) {
            // Recorded with its error, and reported as the failure it is.
            record_ = true;
            Note(DriverInstallNote::kPlugAndPlayFailed);
            errorValue_ = error;
        } else if (scanner_.DifxApi().IsLoaded()) {
            done_ = scanner_.DifxApi().Install(infPath_, 0) == ERROR_SUCCESS;
        }
    }

    void InstallThroughHelper() {
        InstallHelperArguments arguments = session_.helperResults;
        arguments.hwdid = request_.hardwareId;
        arguments.inf = infPath_;
        DWORD pnpError = 0;
        DWORD difxError = 0;
        if (RunInstallHelper64(1, session_.helperFolder, arguments, pnpError, difxError) != 0) {
            done_ = true;
        } else {
            errorValue_ = ReadRegistryDecimalByRootName(arguments.hkey, arguments.regpath, arguments.regvalupnp);
            record_ = true;
            Note(DriverInstallNote::kHelperFailed);
        }
        ForgetHelperResults();
    }

    void ForgetHelperResults() {
        const InstallHelperArguments& results = session_.helperResults;
        DeleteRegistryValueByRootName(results.hkey, results.regpath, results.regval);
        DeleteRegistryValueByRootName(results.hkey, results.regpath, results.regvalupnp);
        DeleteRegistryValueByRootName(results.hkey, results.regpath, results.regvaldifx);
    }

    // --- Verify: the driver the device has now against the one offered.

    void Verify() {
        if (request_.driverKey.empty() ||
            !GetInstalledDriverDateVersion(request_.driverKey, request_.hardwareId, after_)) {
            return;
        }
        const DWORD offeredHigh = static_cast<DWORD>(request_.offeredDateValue >> 32);
        const DWORD offeredLow = static_cast<DWORD>(request_.offeredDateValue);
        bool differs = false;
        if (offeredHigh != 0 && offeredLow != 0 && after_.fileTimeHigh != 0 && after_.fileTimeLow != 0) {
            differs = offeredHigh != after_.fileTimeHigh || offeredLow != after_.fileTimeLow;
        } else {
            differs = DriverDateDifferenceDays(request_.offeredDate, after_.dateText) != 0;
        }
        if (differs) {
            if (!noted_) Note(DriverInstallNote::kDateDiffers);
            if (done_) record_ = true;
        }
        if (after_.problem != 0 && !noted_) Note(DriverInstallNote::kDeviceProblem);
    }

    // Only the first remark on an install is kept.
    void Note(int32_t code) {
        noted_ = true;
        noteCode_ = code;
    }

    // --- Record: what was installed goes into the record of installed drivers.

    void Record() {
        if (request_.requestKind == kMarkForReinstallRequest || done_) record_ = true;
        if (!record_) return;
        DriverPackageInfo info;
        info.hardwareId = request_.hardwareId;
        info.secondId = request_.secondId;
        info.classGuidPath = request_.driverKey;
        info.md5 = request_.md5;
        info.infPath = infPath_;
        info.deviceName = request_.deviceName;
        info.category = request_.category;
        info.packagePath = request_.packagePath;
        info.offeredDate = request_.offeredDate;
        info.offeredVersion = request_.offeredVersion;
        info.driverDateBefore = request_.driverDateBefore;
        info.driverVersionBefore = request_.driverVersionBefore;
        info.driverDateAfter = after_.dateText;
        info.driverVersionAfter = after_.version;
        info.errorValue = errorValue_;
        info.problemNumber = after_.problem;
        info.noteCode = noteCode_;
        info.requestKind = request_.requestKind;
        RecordInstalledDriver(scanner_, info);
    }

    // --- Finish: the unpacked files go unless something of the package still runs.

    int Finish() {
        if (request_.requestKind == kMarkForReinstallRequest) done_ = true;
        if (run_.Cancelled()) return done_ ? InstallResult::kInstalled : InstallResult::kCancelled;
        if (setupStillRunning_) launched_ = true;
        if (!launched_ && extractionFolderIsOurs_ && FolderExists(extractionFolder_)) {
            DeletePathSilently(extractionFolder_.substr(0, extractionFolder_.size() - 1));
        }
        if (!done_) return Fail(65, L"IDS_STRING_INSTALL_FAILED");
        if (needReboot_) {
            run_.Report(100, L"IDS_STRING_RESTART", kAskForRestart);
            if (run_.LastAnswer() == IDYES) RebootComputer();
        } else {
            run_.Report(100);
        }
        return InstallResult::kInstalled;
    }

    DriverInstallSession& session_;
    CDriverScannerApp& scanner_;
    const PackageInstallRequest& request_;
    bool& launched_;
    InstallRun run_;
    const std::wstring extractionFolder_;
    const bool extractionFolderIsOurs_;
    const bool specialClass_;
    std::wstring infPath_;
    INT_PTR packageStartResult_ = 0;  // ShellExecute's answer for the package itself
    bool setupStillRunning_ = false;
    bool done_ = true;
    bool record_ = false;
    bool noted_ = false;
    int32_t noteCode_ = DriverInstallNote::kNone;
    DWORD errorValue_ = 0;
    BOOL needReboot_ = FALSE;
    InstalledDriverDateVersion after_;
};

}  // namespace

int InstallDownloadedPackage(DriverInstallSession& session, const PackageInstallRequest& request, bool& launched) {
    return PackageInstall(session, request, launched).Run();
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
