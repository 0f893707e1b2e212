#include "scan/device_access.h"

#include <vector>

#include "foundation/system_helpers.h"

SetupApiDeviceAccess::SetupApiDeviceAccess()
    : driverInstallParamsAvailable_(!IsRunningUnderWine()), osMajorVersion_(GetWindowsMajorVersion()) {}

SetupApiDeviceAccess::~SetupApiDeviceAccess() { CloseDevices(); }

bool SetupApiDeviceAccess::OpenAllDevices() {
    CloseDevices();
    set_ = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    return set_ != INVALID_HANDLE_VALUE;
}

void SetupApiDeviceAccess::CloseDevices() {
    if (set_ == INVALID_HANDLE_VALUE) return;
    SetupDiDestroyDriverInfoList(set_, nullptr, SPDIT_COMPATDRIVER);
    SetupDiDestroyDeviceInfoList(set_);
    set_ = INVALID_HANDLE_VALUE;
}

bool SetupApiDeviceAccess::DeviceAt(DWORD index, SP_DEVINFO_DATA& device) {
    if (set_ == INVALID_HANDLE_VALUE) return false;
    device = {};
    device.cbSize = sizeof(device);
    return SetupDiEnumDeviceInfo(set_, index, &device) != FALSE;
}

bool SetupApiDeviceAccess::ReadProperty(const SP_DEVINFO_DATA& device, DWORD property, BYTE* buffer,
                                        DWORD bufferBytes) {
    SP_DEVINFO_DATA copy = device;
    return SetupDiGetDeviceRegistryPropertyW(set_, &copy, property, nullptr, buffer, bufferBytes, nullptr) != FALSE;
}

bool SetupApiDeviceAccess::ReadClassDescription(const GUID& classGuid, std::wstring& description) {
    wchar_t text[261] = {};
    if (!SetupDiGetClassDescriptionW(&classGuid, text, 260, nullptr)) return false;
    description = text;
    return true;
}

DeviceNodeStatus SetupApiDeviceAccess::ReadNodeStatus(const SP_DEVINFO_DATA& device) {
    return ReadDeviceNodeStatus(device.DevInst);
}

bool SetupApiDeviceAccess::ReadDriverInstallParams(SP_DEVINFO_DATA& device, SP_DRVINFO_DATA_W& driver,
                                                   SP_DRVINSTALL_PARAMS& params) {
    if (!driverInstallParamsAvailable_) return false;
    params = {};
    params.cbSize = sizeof(params);
    return SetupDiGetDriverInstallParamsW(set_, &device, &driver, &params) != FALSE;
}

void SetupApiDeviceAccess::ReadDriverDetail(SP_DEVINFO_DATA& device, SP_DRVINFO_DATA_W& driver,
                                            InstalledDriver& result) {
    // Ask for the size first: the detail grows with the driver's hardware ids.
    DWORD required = 0;
    SetupDiGetDriverInfoDetailW(set_, &device, &driver, nullptr, 0, &required);
    if (required < sizeof(SP_DRVINFO_DETAIL_DATA_W)) required = sizeof(SP_DRVINFO_DETAIL_DATA_W);
    std::vector<BYTE> buffer(required + sizeof(wchar_t), 0);
    auto* detail = reinterpret_cast<SP_DRVINFO_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_W);
    if (SetupDiGetDriverInfoDetailW(set_, &device, &driver, detail, required, nullptr)) {
        result.infFileName.assign(detail->InfFileName, wcsnlen(detail->InfFileName, MAX_PATH));
    }
}

std::optional<InstalledDriver> SetupApiDeviceAccess::FindInstalledDriver(const SP_DEVINFO_DATA& constDevice) {
    // Without the drivers' install parameters no driver can count as installed, so
    // the costly compatible-driver search would find nothing.
    if (!driverInstallParamsAvailable_) return std::nullopt;
    SP_DEVINFO_DATA device = constDevice;
    SP_DEVINSTALL_PARAMS_W deviceParams{};
    deviceParams.cbSize = sizeof(deviceParams);
    if (!SetupDiGetDeviceInstallParamsW(set_, &device, &deviceParams)) return std::nullopt;
    if (!SetupDiBuildDriverInfoList(set_, &device, SPDIT_COMPATDRIVER)) return std::nullopt;

    std::optional<InstalledDriver> found;
    DWORD driverCount = 0;
    bool lastParamsRead = false;
    SP_DRVINFO_DATA_W driver{};
    SP_DRVINSTALL_PARAMS params{};
    for (DWORD index = 0;; ++index) {
        driver = {};
        driver.cbSize = sizeof(driver);
        if (!SetupDiEnumDriverInfoW(set_, &device, SPDIT_COMPATDRIVER, index, &driver)) break;
        ++driverCount;
        lastParamsRead = ReadDriverInstallParams(device, driver, params);
        if (lastParamsRead && (params.Flags & kDriverFlagInstalled) != 0) {
            found.emplace();
            break;
        }
    }
    // Before Vista a single compatible driver was the installed one.
    if (!found && osMajorVersion_ < 6 && driverCount == 1 && lastParamsRead) {
        driver = {};
        driver.cbSize = sizeof(driver);
        if (SetupDiEnumDriverInfoW(set_, &device, SPDIT_COMPATDRIVER, 0, &driver)) found.emplace();
    }
    if (found) {
        found->rank = params.Rank;
        found->flags = params.Flags;
        found->date = driver.DriverDate;
        found->provider.assign(driver.ProviderName, wcsnlen(driver.ProviderName, LINE_LEN));
        found->manufacturer.assign(driver.MfgName, wcsnlen(driver.MfgName, LINE_LEN));
        ReadDriverDetail(device, driver, *found);
    }
    SetupDiDestroyDriverInfoList(set_, &device, SPDIT_COMPATDRIVER);
    return found;
}

bool SetupApiDeviceAccess::QuerySignedDrivers(SignedDriverTable& table) { return ::QuerySignedDrivers(table); }
