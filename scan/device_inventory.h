#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "scan/device_access.h"
#include "scan/driver_info_record.h"
#include "scan/scan_operation.h"
#include "scan/generic_device_filter.h"
#include "scan/installed_driver_details.h"

// The inventory of the machine's devices and their installed drivers: one record
// per device that is not generic, each reported through the progress callback as
// soon as it is complete. One inventory serves one run.
class CDeviceInventory {
public:
    static constexpr size_t kRecordCapacity = 1024;

    // The engine's long-lived form: only its generic-device filter is used.
    CDeviceInventory();
    // The scan form, with room for `capacity` records.
    CDeviceInventory(ScanOperation& app, ScanProgressCallback progress,
                     std::unique_ptr<DeviceAccess> access = nullptr, size_t capacity = kRecordCapacity);
    ~CDeviceInventory() = default;
    CDeviceInventory(const CDeviceInventory&) = delete;
    CDeviceInventory& operator=(const CDeviceInventory&) = delete;

    void Init();
    void LoadGenericDeviceFilter() { genericSets_.Load(); }
    bool IsGenericDevice(const std::wstring& classKey, const std::wstring& hardwareId) const {
        return genericSets_.IsGenericDevice(classKey, hardwareId);
    }

    // 32 when the walk finished, 18 when it was stopped, 33 when no device list was
    // obtained (or this inventory has no room for records).
    int EnumerateDevices();

    const std::wstring& WindowsFolder() const { return windowsFolder_; }
    size_t RecordCount() const { return count_; }
    // Set when more devices were found than the inventory has room for.
    bool CapacityReached() const { return capacityReached_; }

    // What the last recorded device's driver key named; kept for the install code.
    const std::wstring& InfFileName() const { return infFileName_; }
    const std::wstring& InfSection() const { return infSection_; }
    const std::wstring& InfSectionExt() const { return infSectionExt_; }

private:
    enum class DeviceOutcome { kRecorded, kSkippedGeneric, kSkippedNonPnp, kStopped };
    DeviceOutcome ReadOneDevice(const SP_DEVINFO_DATA& device, bool signedTableRead);
    std::wstring ReadText(const SP_DEVINFO_DATA& device, DWORD property);

    ScanOperation* app_ = nullptr;
    std::unique_ptr<DeviceAccess> access_;
    std::wstring infFileName_;
    std::wstring infSection_;
    std::wstring infSectionExt_;
    size_t count_ = 0;
    size_t capacity_ = 0;
    DriverInfoArray records_;
    bool capacityReached_ = false;
    ScanProgressCallback progress_;
    std::wstring windowsFolder_;
    SignedDriverTable signedDrivers_;
    DeviceEnumIndex enumIndex_;
    GenericDeviceSets genericSets_;
};
