#pragma once

#include <windows.h>
#include <setupapi.h>

#include <optional>
#include <string>

#include "scan/installed_driver_details.h"

// Driver flags of the install parameters that the inventory looks at.
constexpr DWORD kDriverFlagInstalled = 0x40000;    // DNF_INSTALLEDDRIVER
constexpr DWORD kDriverFlagInfIsSigned = 0x2000;   // DNF_INF_IS_SIGNED

// What the driver store says of a device's installed driver.
struct InstalledDriver {
    DWORD rank = 0;
    DWORD flags = 0;  // DNF_* of the driver's install parameters
    FILETIME date{};
    std::wstring infFileName;  // full path from the driver's detail data
    std::wstring provider;
    std::wstring manufacturer;
};

// The device list the inventory walks and what it reads of each device. The real
// one sits on SetupAPI and the configuration manager; tests put one in front of it
// for what Wine cannot produce.
class DeviceAccess {
public:
    virtual ~DeviceAccess() = default;

    // Every device SetupAPI knows, present or not.
    virtual bool OpenAllDevices() = 0;
    virtual void CloseDevices() = 0;
    virtual bool DeviceAt(DWORD index, SP_DEVINFO_DATA& device) = 0;
    // Reads at most `bufferBytes`; false when the property is missing or larger.
    virtual bool ReadProperty(const SP_DEVINFO_DATA& device, DWORD property, BYTE* buffer, DWORD bufferBytes) = 0;
    virtual bool ReadClassDescription(const GUID& classGuid, std::wstring& description) = 0;
    virtual DeviceNodeStatus ReadNodeStatus(const SP_DEVINFO_DATA& device) = 0;
    virtual std::optional<InstalledDriver> FindInstalledDriver(const SP_DEVINFO_DATA& device) = 0;
    // The signed-driver table of WMI; true when it holds at least one row.
    virtual bool QuerySignedDrivers(SignedDriverTable& table) = 0;
};

class SetupApiDeviceAccess : public DeviceAccess {
public:
    SetupApiDeviceAccess();
    ~SetupApiDeviceAccess() override;

    bool OpenAllDevices() override;
    void CloseDevices() override;
    bool DeviceAt(DWORD index, SP_DEVINFO_DATA& device) override;
    bool ReadProperty(const SP_DEVINFO_DATA& device, DWORD property, BYTE* buffer, DWORD bufferBytes) override;
    bool ReadClassDescription(const GUID& classGuid, std::wstring& description) override;
    DeviceNodeStatus ReadNodeStatus(const SP_DEVINFO_DATA& device) override;
    std::optional<InstalledDriver> FindInstalledDriver(const SP_DEVINFO_DATA& device) override;
    bool QuerySignedDrivers(SignedDriverTable& table) override;

private:
    bool ReadDriverInstallParams(SP_DEVINFO_DATA& device, SP_DRVINFO_DATA_W& driver, SP_DRVINSTALL_PARAMS& params);
    void ReadDriverDetail(SP_DEVINFO_DATA& device, SP_DRVINFO_DATA_W& driver, InstalledDriver& result);

    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    // Wine's driver install parameters call is a stub that ends the process.
    bool driverInstallParamsAvailable_;
    DWORD osMajorVersion_;
};
