#include "tests/support/test_devices.h"

#include <atomic>

const GUID kDisplayClassGuid = {0x4d36e968, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kNetClassGuid = {0x4d36e972, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kMediaClassGuid = {0x4d36e96c, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kSystemClassGuid = {0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kLegacyDriverClassGuid = {0x8ecc055d, 0x047f, 0x11d1, {0xa5, 0x37, 0x00, 0x00, 0xf8, 0x75, 0x3e, 0xd1}};

namespace {

// Generated instance ids are numbered per device name, and two test processes that
// number under one name at the same moment can be handed the same instance, each
// overwriting the other's device. A name per process keeps them apart.
std::wstring ProcessDeviceName(const wchar_t* base) { return base + std::to_wstring(GetCurrentProcessId()); }

std::atomic<int> g_tagCounter{0};

std::vector<wchar_t> MultiString(const std::vector<std::wstring>& texts) {
    std::vector<wchar_t> data;
    for (const std::wstring& text : texts) {
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    return data;
}

bool SetTextProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, const std::wstring& text) {
    if (text.empty()) return true;
    return SetupDiSetDeviceRegistryPropertyW(set, &device, property, reinterpret_cast<const BYTE*>(text.c_str()),
                                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != FALSE;
}

bool SetListProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, const std::vector<std::wstring>& list) {
    if (list.empty()) return true;
    std::vector<wchar_t> data = MultiString(list);
    return SetupDiSetDeviceRegistryPropertyW(set, &device, property, reinterpret_cast<const BYTE*>(data.data()),
                                             static_cast<DWORD>(data.size() * sizeof(wchar_t))) != FALSE;
}

}  // namespace

std::wstring UniqueTestTag() {
    return L"HV" + std::to_wstring(GetCurrentProcessId()) + L"X" + std::to_wstring(GetTickCount() % 100000) + L"N" +
           std::to_wstring(g_tagCounter++);
}

FILETIME FileTimeOfDate(WORD year, WORD month, WORD day) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    FILETIME result{};
    SystemTimeToFileTime(&time, &result);
    return result;
}

TestDevice::TestDevice(const TestDeviceSetup& setup) {
    set_ = SetupDiCreateDeviceInfoList(&setup.classGuid, nullptr);
    if (set_ == INVALID_HANDLE_VALUE) return;
    device_.cbSize = sizeof(device_);
    const std::wstring deviceName = ProcessDeviceName(L"HalvenorScanTest");
    if (!SetupDiCreateDeviceInfoW(set_, deviceName.c_str(), &setup.classGuid, nullptr, nullptr, DICD_GENERATE_ID,
                                  &device_)) {
        return;
    }
    if (!SetListProperty(set_, device_, SPDRP_HARDWAREID, setup.hardwareIds) ||
        !SetListProperty(set_, device_, SPDRP_COMPATIBLEIDS, setup.compatibleIds) ||
        !SetTextProperty(set_, device_, SPDRP_FRIENDLYNAME, setup.friendlyName) ||
        !SetTextProperty(set_, device_, SPDRP_DEVICEDESC, setup.deviceDescription) ||
        !SetTextProperty(set_, device_, SPDRP_MFG, setup.manufacturer) ||
        !SetTextProperty(set_, device_, SPDRP_SERVICE, setup.service)) {
        return;
    }
    if (!SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr)) return;
    created_ = true;

    wchar_t instanceId[512] = {};
    if (SetupDiGetDeviceInstanceIdW(set_, &device_, instanceId, 512, nullptr)) instanceId_ = instanceId;

    if (!setup.withDriverKey) return;
    HKEY key = SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    if (key == INVALID_HANDLE_VALUE) {
        created_ = false;
        return;
    }
    for (const auto& [name, text] : setup.driverTexts) {
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    if (setup.driverDateData) {
        RegSetValueExW(key, L"DriverDateData", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&*setup.driverDateData),
                       sizeof(FILETIME));
    }
    RegCloseKey(key);
    wchar_t driverKey[256] = {};
    if (SetupDiGetDeviceRegistryPropertyW(set_, &device_, SPDRP_DRIVER, nullptr, reinterpret_cast<BYTE*>(driverKey),
                                          sizeof(driverKey) - sizeof(wchar_t), nullptr)) {
        driverKey_ = driverKey;
    }
}

TestDevice::~TestDevice() {
    if (set_ == INVALID_HANDLE_VALUE) return;
    if (created_) {
        // The driver key is emptied through its handle and deleted while the device
        // still names it, never by its name afterwards: driver keys are numbered by
        // the first free number, and once ours is gone another test process may be
        // handed the same name for its own device.
        HKEY driverKey = SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_ALL_ACCESS);
        if (driverKey != INVALID_HANDLE_VALUE) {
            RegDeleteTreeW(driverKey, nullptr);
            RegCloseKey(driverKey);
        }
        SetupDiDeleteDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV);
        SetupDiRemoveDevice(set_, &device_);
        if (!instanceId_.empty()) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"SYSTEM\\CurrentControlSet\\Enum\\" + instanceId_).c_str());
        }
    }
    SetupDiDestroyDeviceInfoList(set_);
}

TestDeviceClass::TestDeviceClass(const std::wstring& description, const std::wstring& className) {
    if (FAILED(CoCreateGuid(&guid_))) return;
    wchar_t text[40] = {};
    StringFromGUID2(guid_, text, 40);
    keyPath_ = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Class\\") + text;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(description.c_str()),
                   static_cast<DWORD>((description.size() + 1) * sizeof(wchar_t)));
    RegSetValueExW(key, L"Class", 0, REG_SZ, reinterpret_cast<const BYTE*>(className.c_str()),
                   static_cast<DWORD>((className.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    created_ = true;
}

TestDeviceClass::~TestDeviceClass() {
    if (created_) RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath_.c_str());
    if (created_) RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath_.c_str());
}

TestDeviceSetup OutdatedCameraSetup(const GUID& classGuid, const std::wstring& hardwareId,
                                    const std::wstring& friendlyName) {
    TestDeviceSetup camera;
    camera.classGuid = classGuid;
    camera.hardwareIds = {hardwareId};
    camera.friendlyName = friendlyName;
    camera.withDriverKey = true;
    camera.driverTexts = {{L"DriverVersion", L"1.0.0.5"}, {L"ProviderName", L"Camera Maker"}};
    camera.driverDateData = FileTimeOfDate(2018, 4, 2);
    return camera;
}
