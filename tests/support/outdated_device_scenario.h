#pragma once

// The stand-in server brings Winsock, which must come before windows.h.
#include "tools/http_stand_in_server.h"
#include "tools/update_service_stand_in.h"

#include <memory>
#include <string>

#include "scan/service_addresses.h"
#include "tests/support/test_devices.h"

// The scan's whole road for one test: a camera under a device class of the test's
// own, made in the prefix with an old driver, and the stand-in update service on
// loopback that offers a newer one for it (2.4.0.1 of 6 May 2024, severity 2).
class OutdatedDeviceScenario {
public:
    // `classDescription` and `className` name the test's device class, which no
    // other test program uses; `deviceName` is the camera's friendly name.
    OutdatedDeviceScenario(const std::wstring& classDescription, const std::wstring& className,
                           std::wstring deviceName);

    // Makes the camera and starts the service; false when either failed.
    bool Start();

    // Where the update service answers, and the namespace it answers in.
    std::wstring UpdateServiceUrl() const;
    static const wchar_t* ServiceNamespace() { return UpdateServiceStandIn::kDefaultNamespace; }
    // The addresses that send both update requests to the service.
    ServiceAddresses Addresses() const;

    const std::wstring& HardwareId() const { return hardwareId_; }
    // The text that keeps this run's ids apart from other processes'.
    const std::wstring& Tag() const { return tag_; }

    TestDeviceClass deviceClass;
    HttpStandInServer server;
    UpdateServiceStandIn service{server};

private:
    std::wstring deviceName_;
    std::wstring tag_;
    std::wstring hardwareId_;
    std::unique_ptr<TestDevice> camera_;
};
