#include "tests/support/root_test_device.h"

#include <cfgmgr32.h>

#include <atomic>
#include <vector>

namespace {

// Generated instance ids are numbered per device name, and two test processes that
// number under one name at the same moment can be handed the same instance, each
// overwriting the other's device. A name per process keeps them apart.
std::wstring ProcessDeviceName(const wchar_t* base) { return base + std::to_wstring(GetCurrentProcessId()); }

const GUID kSystemClass = {0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
std::atomic<int> g_deviceCounter{0};

}  // namespace

RootTestDevice::RootTestDevice() {
    // Lower case: the install helper lower-cases the id it is given, and Wine matches
    // hardware ids case-sensitively.
    hardwareId_ = L"root\\halvenortest" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(g_deviceCounter++);
    set_ = SetupDiCreateDeviceInfoList(&kSystemClass, nullptr);
    if (set_ == INVALID_HANDLE_VALUE) return;
    device_.cbSize = sizeof(device_);
    const std::wstring deviceName = ProcessDeviceName(L"HalvenorTest");
    if (!SetupDiCreateDeviceInfoW(set_, deviceName.c_str(), &kSystemClass, nullptr, nullptr, DICD_GENERATE_ID,
                                  &device_)) {
        return;
    }
    std::vector<wchar_t> ids(hardwareId_.begin(), hardwareId_.end());
    ids.push_back(L'\0');
    ids.push_back(L'\0');
    if (!SetupDiSetDeviceRegistryPropertyW(set_, &device_, SPDRP_HARDWAREID, reinterpret_cast<BYTE*>(ids.data()),
                                           static_cast<DWORD>(ids.size() * sizeof(wchar_t)))) {
        return;
    }
    created_ = SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr) != FALSE;
}

RootTestDevice::~RootTestDevice() {
    if (set_ == INVALID_HANDLE_VALUE) return;
    if (created_) SetupDiRemoveDevice(set_, &device_);
    SetupDiDestroyDeviceInfoList(set_);
}

std::wstring DriverValueOfDevice(const std::wstring& instanceId, const wchar_t* name) {
    HDEVINFO fresh = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    std::wstring value;
    if (SetupDiOpenDeviceInfoW(fresh, instanceId.c_str(), nullptr, 0, &device)) {
        HKEY key = SetupDiOpenDevRegKey(fresh, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            wchar_t text[512] = {};
            DWORD bytes = sizeof(text) - sizeof(wchar_t);
            DWORD type = 0;
            if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) == ERROR_SUCCESS &&
                type == REG_SZ) {
                value = text;
            }
            RegCloseKey(key);
        }
    }
    SetupDiDestroyDeviceInfoList(fresh);
    return value;
}

std::wstring RootTestDevice::DriverValue(const wchar_t* name) const {
    wchar_t instanceId[MAX_DEVICE_ID_LEN] = {};
    if (!SetupDiGetDeviceInstanceIdW(set_, const_cast<SP_DEVINFO_DATA*>(&device_), instanceId, MAX_DEVICE_ID_LEN,
                                     nullptr)) {
        return {};
    }
    return DriverValueOfDevice(instanceId, name);
}

std::wstring RootTestDevice::DriverKeyName() const {
    wchar_t instanceId[MAX_DEVICE_ID_LEN] = {};
    if (!SetupDiGetDeviceInstanceIdW(set_, const_cast<SP_DEVINFO_DATA*>(&device_), instanceId, MAX_DEVICE_ID_LEN,
                                     nullptr)) {
        return {};
    }
    HDEVINFO fresh = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    std::wstring name;
    if (SetupDiOpenDeviceInfoW(fresh, instanceId, nullptr, 0, &device)) {
        wchar_t text[256] = {};
        if (SetupDiGetDeviceRegistryPropertyW(fresh, &device, SPDRP_DRIVER, nullptr, reinterpret_cast<BYTE*>(text),
                                              sizeof(text) - sizeof(wchar_t), nullptr)) {
            name = text;
        }
    }
    SetupDiDestroyDeviceInfoList(fresh);
    return name;
}

std::string NullDriverInf(const std::wstring& hardwareId, const std::string& driverVersion) {
    const std::string id(hardwareId.begin(), hardwareId.end());
    const std::string models = "%Dev%=NullInstall," + id + "\r\n";
    return "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\nClass=System\r\n"
           "ClassGuid={4d36e97d-e325-11ce-bfc1-08002be10318}\r\nProvider=%Prov%\r\n"
           "DriverVer=01/02/2020," + driverVersion + "\r\n\r\n"
           "[Manufacturer]\r\n%Prov%=Models,NTx86,NTamd64\r\n\r\n"
           "[Models]\r\n" + models + "\r\n[Models.NTx86]\r\n" + models + "\r\n[Models.NTamd64]\r\n" + models +
           "\r\n[NullInstall]\r\n\r\n[NullInstall.Services]\r\nAddService=,2\r\n\r\n"
           "[Strings]\r\nProv=\"Halvenor Tests\"\r\nDev=\"Halvenor Test Device\"\r\n";
}
