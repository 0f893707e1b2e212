#pragma once

#include <cstdint>
#include <string>

// One driver the install engine handled, as it goes into the record of installed
// drivers: what identifies the device and the package, the driver before and after,
// and how the install went.
struct DriverPackageInfo {
    std::wstring hardwareId;           // the device's
    std::wstring secondId;             // the id the offered driver matched
    std::wstring classGuidPath;        // the device's driver key
    std::wstring md5;                  // of the package
    std::wstring infPath;              // the INF that was installed
    std::wstring deviceName;
    std::wstring category;
    std::wstring packagePath;
    std::wstring offeredDate;
    std::wstring offeredVersion;
    std::wstring driverDateBefore;
    std::wstring driverVersionBefore;
    std::wstring driverDateAfter;
    std::wstring driverVersionAfter;
    uint32_t errorValue = 0;     // last error of the failed call, or the helper's Plug and Play error
    uint32_t problemNumber = 0;  // the device's problem number after the install
    int32_t noteCode = 0;        // the first remark on the install, see DriverInstallNote
    int32_t requestKind = 0;

    void Reset() { *this = DriverPackageInfo(); }
};

// The first remark on an install.
namespace DriverInstallNote {
constexpr int32_t kNone = 0;
constexpr int32_t kPlugAndPlayFailed = 1;
constexpr int32_t kHelperFailed = 2;
constexpr int32_t kDateDiffers = 3;
constexpr int32_t kDeviceProblem = 4;
constexpr int32_t kReinstallMarkFailed = 5;
}  // namespace DriverInstallNote
