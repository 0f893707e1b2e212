#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>

// A value of the driver key of the device `instanceId`, read from a fresh device
// list, so that what another process installed shows; empty when there is none.
std::wstring DriverValueOfDevice(const std::wstring& instanceId, const wchar_t* name);

// A root-enumerated device of class System registered in the prefix for one test,
// with a hardware id no other process uses; removed at the end.
class RootTestDevice {
public:
    RootTestDevice();
    ~RootTestDevice();
    RootTestDevice(const RootTestDevice&) = delete;
    RootTestDevice& operator=(const RootTestDevice&) = delete;

    bool Created() const { return created_; }
    const std::wstring& HardwareId() const { return hardwareId_; }
    // A value of the device's driver key; empty when it has none (no driver yet).
    std::wstring DriverValue(const wchar_t* name) const;
    // "{class guid}\NNNN" of the device's driver key; empty without a driver.
    std::wstring DriverKeyName() const;

private:
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA device_ = {};
    std::wstring hardwareId_;
    bool created_ = false;
};

// A small INF that installs a driver without files or service for `hardwareId`.
std::string NullDriverInf(const std::wstring& hardwareId, const std::string& driverVersion);
