#pragma once

#include <windows.h>
#include <setupapi.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a device made in the test prefix should look like. Empty texts and lists
// are left out; driver values are written only with a driver key.
struct TestDeviceSetup {
    GUID classGuid{};
    std::vector<std::wstring> hardwareIds;
    std::vector<std::wstring> compatibleIds;
    std::wstring friendlyName;
    std::wstring deviceDescription;
    std::wstring manufacturer;
    std::wstring service;
    bool withDriverKey = false;
    std::vector<std::pair<std::wstring, std::wstring>> driverTexts;  // REG_SZ values of the driver key
    std::optional<FILETIME> driverDateData;                           // REG_BINARY "DriverDateData"
};

// A root-enumerated device registered through SetupAPI for one test, with its
// driver key when asked; the device, its instance key and its driver key go at the
// end.
class TestDevice {
public:
    explicit TestDevice(const TestDeviceSetup& setup);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    bool Created() const { return created_; }
    // "{class guid}\NNNN", empty without a driver key.
    const std::wstring& DriverKey() const { return driverKey_; }
    const std::wstring& InstanceId() const { return instanceId_; }

private:
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA device_ = {};
    std::wstring driverKey_;
    std::wstring instanceId_;
    bool created_ = false;
};

// A device setup class of its own (a fresh GUID) with a description and a class
// name, so a test can see categories without touching the prefix's classes. The
// class key goes at the end, with whatever driver keys were left below it.
class TestDeviceClass {
public:
    TestDeviceClass(const std::wstring& description, const std::wstring& className);
    ~TestDeviceClass();
    TestDeviceClass(const TestDeviceClass&) = delete;
    TestDeviceClass& operator=(const TestDeviceClass&) = delete;

    bool Created() const { return created_; }
    const GUID& Guid() const { return guid_; }

private:
    GUID guid_{};
    std::wstring keyPath_;
    bool created_ = false;
};

// A text no other test process uses, for ids that must be told apart from the
// prefix's own devices and from other tests' devices.
std::wstring UniqueTestTag();

FILETIME FileTimeOfDate(WORD year, WORD month, WORD day);

// The camera the scan tests find outdated: driver 1.0.0.5 of 2 April 2018 by
// "Camera Maker", under the test's own device class.
TestDeviceSetup OutdatedCameraSetup(const GUID& classGuid, const std::wstring& hardwareId,
                                    const std::wstring& friendlyName);

extern const GUID kDisplayClassGuid;
extern const GUID kNetClassGuid;
extern const GUID kMediaClassGuid;
extern const GUID kSystemClassGuid;
extern const GUID kLegacyDriverClassGuid;
