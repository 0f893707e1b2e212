#include "tests/support/outdated_device_scenario.h"

#include <utility>

OutdatedDeviceScenario::OutdatedDeviceScenario(const std::wstring& classDescription, const std::wstring& className,
                                               std::wstring deviceName)
    : deviceClass(classDescription, className), deviceName_(std::move(deviceName)) {}

bool OutdatedDeviceScenario::Start() {
    if (!deviceClass.Created()) return false;
    tag_ = UniqueTestTag();
    hardwareId_ = L"USB\\VID_2E1A&PID_" + tag_;
    camera_ = std::make_unique<TestDevice>(OutdatedCameraSetup(deviceClass.Guid(), hardwareId_, deviceName_));
    if (!camera_->Created() || !server.Start()) return false;
    service.AddDriver({hardwareId_,
                       {{L"ver", L"2.4.0.1"},
                        {L"infd", L"2024-05-06"},
                        {L"lu", L"http://127.0.0.1/Drivers/Camera_" + tag_ + L".exe"},
                        {L"md5", L"0123456789abcdef0123456789abcdef"},
                        {L"sev", L"2"},
                        {L"cid", L"6"},
                        {L"age", L"800"},
                        {L"sig", L"Camera Maker"}}});
    return true;
}

std::wstring OutdatedDeviceScenario::UpdateServiceUrl() const {
    return server.Url("/driverupdateservicenew/updateservice.asmx");
}

ServiceAddresses OutdatedDeviceScenario::Addresses() const {
    ServiceAddresses addresses;
    addresses.updateFirst = UpdateServiceUrl();
    addresses.updateSecond = addresses.updateFirst;
    addresses.serviceNamespace = ServiceNamespace();
    return addresses;
}
