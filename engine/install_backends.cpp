#include "engine/install_backends.h"

#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>

#include <vector>

#include "platform/scoped_device_info_list.h"
#include "engine/install_helper_launch.h"
#include "foundation/os_identity.h"
#include "platform/difx_api.h"
#include "platform/entry_point.h"
#include "platform/text_case.h"
#include "engine/driver_scanner_app.h"

namespace {

constexpr int kPending = 40;
constexpr DWORD kSetupApiWaitTimeout = 0x102;
constexpr DWORD kConfigFlagReinstall = 0x20;

using UpdateDriverFn = BOOL(WINAPI*)(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL);
using WaitNoPendingFn = DWORD(WINAPI*)(DWORD);

class ScopedLibrary {
public:
    explicit ScopedLibrary(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    ~ScopedLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ScopedLibrary(const ScopedLibrary&) = delete;
    ScopedLibrary& operator=(const ScopedLibrary&) = delete;
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

// The full path replaces the given one only when it fits and names an existing file.
std::wstring NormalisedInfPath(const std::wstring& infPath) {
    if (infPath.empty()) return infPath;
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(infPath.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH || GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) return infPath;
    return full;
}

bool OtherInstallationsPending() {
    const HMODULE setupApi = GetModuleHandleW(L"setupapi.dll");
    const auto wait = GetEntryPoint<WaitNoPendingFn>(setupApi, "CMP_WaitNoPendingInstallEvents");
    return wait != nullptr && wait(0) == kSetupApiWaitTimeout;
}

bool FirstHardwareIdIs(HDEVINFO devices, SP_DEVINFO_DATA& device, const std::wstring& hardwareId) {
    std::vector<BYTE> buffer(2048 + sizeof(wchar_t) * 2, 0);
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_HARDWAREID, nullptr, buffer.data(), 2048,
                                           nullptr)) {
        return false;
    }
    return EqualsIgnoringCase(reinterpret_cast<const wchar_t*>(buffer.data()), hardwareId);
}

bool IsAbsent(const SP_DEVINFO_DATA& device) {
    ULONG status = 0;
    ULONG problem = 0;
    return CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) == CR_NO_SUCH_DEVNODE;
}

bool MarkForReinstall(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    DWORD flags = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_CONFIGFLAGS, nullptr,
                                           reinterpret_cast<BYTE*>(&flags), sizeof(flags), nullptr)) {
        flags = 0;
    }
    flags |= kConfigFlagReinstall;
    return SetupDiSetDeviceRegistryPropertyW(devices, &device, SPDRP_CONFIGFLAGS, reinterpret_cast<BYTE*>(&flags),
                                             sizeof(flags)) != FALSE;
}

}  // namespace

BOOL InstallDriverForDevice(const std::wstring& hardwareId, const std::wstring& infPath, BOOL& needReboot) {
    const std::wstring path = NormalisedInfPath(infPath);
    ScopedLibrary newdev(L"newdev.dll");
    if (newdev.Get() == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    const auto update = GetEntryPoint<UpdateDriverFn>(newdev.Get(), "UpdateDriverForPlugAndPlayDevicesW");
    if (update == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    const BOOL installed = update(nullptr, hardwareId.c_str(), path.c_str(), INSTALLFLAG_FORCE, &needReboot);
    const DWORD error = GetLastError();
    SetLastError(error);
    return installed;
}

DWORD PreinstallDriverPackageWithDifx(const DifxApiLoader& difx, const std::wstring& infPath, DWORD flags) {
    return difx.Preinstall(NormalisedInfPath(infPath), flags);
}

int PreinstallDriverPackage(const CDriverScannerApp& engine, const std::wstring& infPath,
                            const std::wstring& helperFolder, const InstallHelperArguments& helperResults) {
    return PreinstallDriverPackageOnVersion(engine, infPath, helperFolder, ReadOsVersionFacts().major, helperResults);
}

int PreinstallDriverPackageOnVersion(const CDriverScannerApp& engine, const std::wstring& infPath,
                                     const std::wstring& helperFolder, unsigned windowsMajorVersion,
                                     const InstallHelperArguments& helperResults) {
    if (OtherInstallationsPending()) return kPending;
    const CDriverScannerApp::FsRedirectionOff redirectionOff(engine);

    wchar_t destination[MAX_PATH] = {};
    int result = 0;
    if (SetupCopyOEMInfW(infPath.c_str(), nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, destination, MAX_PATH, nullptr,
                         nullptr) ||
        GetLastError() == ERROR_FILE_EXISTS) {
        result = 1;
    }
    if (windowsMajorVersion <= 5) return result;

    if (engine.IsWow64()) {
        InstallHelperArguments arguments = helperResults;
        arguments.inf = infPath;
        DWORD pnpError = 0;
        DWORD difxError = 0;
        result = RunInstallHelper64(3, helperFolder, arguments, pnpError, difxError);
    } else {
        result = PreinstallDriverPackageWithDifx(engine.DifxApi(), infPath, kDifxLegacyMode) == ERROR_SUCCESS ? 1 : 0;
    }
    return result;
}

std::wstring ClassGuidTextOfDriverKey(const std::wstring& driverKey) {
    std::wstring guid = driverKey.substr(0, driverKey.find(L'\\'));
    std::wstring stripped;
    for (wchar_t c : guid) {
        if (c != L'{' && c != L'}') stripped += c;
    }
    return stripped;
}

int MarkDeviceForReinstall(const CDriverScannerApp& engine, const std::wstring& infPath,
                           const std::wstring& helperFolder, const std::wstring& hardwareId,
                           const std::wstring& driverKey, const InstallHelperArguments& helperResults) {
    if (PreinstallDriverPackage(engine, infPath, helperFolder, helperResults) == 0) return 0;
    std::wstring guidText = L"{" + ClassGuidTextOfDriverKey(driverKey) + L"}";
    GUID classGuid = {};
    if (CLSIDFromString(guidText.c_str(), &classGuid) != S_OK) return 0;
    const ScopedDeviceInfoList list(SetupDiGetClassDevsW(&classGuid, nullptr, nullptr, DIGCF_ALLCLASSES));
    if (!list) return 0;
    const HDEVINFO devices = list.Get();
    bool marked = false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        if (FirstHardwareIdIs(devices, device, hardwareId) && IsAbsent(device) && MarkForReinstall(devices, device)) {
            marked = true;
        }
    }
    return marked ? 1 : 0;
}

bool RestoreDeviceDriver(const CDriverScannerApp& engine, const std::wstring& helperFolder,
                         const std::wstring& hardwareId, const std::wstring& infPath,
                         const InstallHelperArguments& helperResults) {
    if (engine.IsWow64()) {
        InstallHelperArguments arguments = helperResults;
        arguments.hwdid = hardwareId;
        arguments.inf = infPath;
        DWORD pnpError = 0;
        DWORD difxError = 0;
        return RunInstallHelper64(2, helperFolder, arguments, pnpError, difxError) == 1;
    }
    BOOL needReboot = FALSE;
    return InstallDriverForDevice(hardwareId, infPath, needReboot) != FALSE;
}
