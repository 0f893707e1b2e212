#include "scan/installed_driver_details.h"

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstdlib>
#include <ctime>

#include "platform/scoped_device_info_list.h"
#include "platform/registry.h"
#include "platform/scoped_handle.h"
#include "platform/text_case.h"

const wchar_t kEnumKeyPath[] = L"SYSTEM\\CurrentControlSet\\Enum";
const wchar_t kClassKeyPath[] = L"SYSTEM\\CurrentControlSet\\Control\\Class";

bool IsRunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

DeviceNodeStatus ReadDeviceNodeStatus(DEVINST node) {
    DeviceNodeStatus status;
    status.result = CM_Get_DevNode_Status(&status.status, &status.problem, node, 0);
    return status;
}

std::wstring FormatDriverDate(const FILETIME& date) {
    SYSTEMTIME time{};
    if (!FileTimeToSystemTime(&date, &time)) return {};
    wchar_t text[64] = {};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, 0, &time, L"MM-dd-yyyy", text, 64) == 0) return {};
    std::wstring result = text;
    for (wchar_t& c : result) {
        if (c == L'/') c = L'-';
    }
    return result;
}

namespace {

// Leading blanks, then digits; false when there are none.
bool ParseDecimalField(const std::wstring& field, long& value) {
    const wchar_t* begin = field.c_str();
    wchar_t* end = nullptr;
    value = std::wcstol(begin, &end, 10);
    return end != begin;
}

bool ParseClassGuid(std::wstring text, GUID& guid) {
    const size_t backslash = text.find(L'\\');
    if (backslash != std::wstring::npos) text.erase(backslash);
    std::wstring bare;
    for (wchar_t c : text) {
        if (c != L'{' && c != L'}') bare += c;
    }
    std::wstring braced = L"{" + bare + L"}";
    return CLSIDFromString(braced.c_str(), &guid) == NOERROR;
}

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    if (StringFromGUID2(guid, text, 40) == 0) return {};
    return text;
}

// A device property as text; only the first entry of a list counts. The buffer
// keeps a terminator past what SetupAPI may fill.
std::wstring ReadDeviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    BYTE buffer[1024 + sizeof(wchar_t)] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, buffer, 1024, nullptr)) return {};
    return reinterpret_cast<const wchar_t*>(buffer);
}

}  // namespace

std::optional<FILETIME> DateStringToFileTime(const std::wstring& text) {
    const size_t firstDash = text.find(L'-');
    if (firstDash == std::wstring::npos) return std::nullopt;
    const std::wstring yearText = text.substr(0, firstDash);
    const std::wstring rest = text.substr(firstDash + 1);
    const size_t secondDash = rest.find(L'-');
    if (secondDash == std::wstring::npos) return std::nullopt;
    const std::wstring monthText = rest.substr(0, secondDash);
    std::wstring dayText = rest.substr(secondDash + 1);
    const size_t timeMark = dayText.find(L'T');
    if (timeMark != std::wstring::npos) dayText.erase(timeMark);

    long year = 0, month = 0, day = 0;
    if (!ParseDecimalField(yearText, year) || !ParseDecimalField(monthText, month) ||
        !ParseDecimalField(dayText, day)) {
        return std::nullopt;
    }
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;

    std::tm local{};
    local.tm_year = static_cast<int>(year - 1900);
    local.tm_mon = static_cast<int>(month - 1);
    local.tm_mday = static_cast<int>(day);
    local.tm_isdst = -1;
    const long long seconds = static_cast<long long>(std::mktime(&local));
    if (seconds < 0) return std::nullopt;
    const unsigned long long ticks = static_cast<unsigned long long>(seconds) * 10000000ull + 116444736000000000ull;
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFull);
    result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return result;
}

namespace {

// Visits every device instance key below Enum in registry order, with its path
// below HKEY_LOCAL_MACHINE, until the visitor returns true.
template <typename Visitor>
void ForEachEnumInstance(Visitor&& visit) {
    // Read access only: an administrator cannot open Enum for writing on Windows.
    HKEY rawEnum = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnumKeyPath, 0, KEY_READ, &rawEnum) != ERROR_SUCCESS) return;
    ScopedRegKey enumKey(rawEnum);

    auto subKeyName = [](HKEY key, DWORD index, std::wstring& name) {
        wchar_t buffer[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        name.assign(buffer, length);
        return true;
    };
    auto openChild = [](HKEY parent, const std::wstring& name) {
        HKEY child = nullptr;
        if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) child = nullptr;
        return ScopedRegKey(child);
    };

    std::wstring enumerator, deviceName, instance;
    for (DWORD e = 0; subKeyName(enumKey.Get(), e, enumerator); ++e) {
        ScopedRegKey enumeratorKey = openChild(enumKey.Get(), enumerator);
        if (!enumeratorKey.Valid()) continue;
        for (DWORD d = 0; subKeyName(enumeratorKey.Get(), d, deviceName); ++d) {
            ScopedRegKey deviceKey = openChild(enumeratorKey.Get(), deviceName);
            if (!deviceKey.Valid()) continue;
            for (DWORD i = 0; subKeyName(deviceKey.Get(), i, instance); ++i) {
                CRegistry instanceKey;
                instanceKey.SetAccessMask(CRegistry::kReadOnlyMask);
                if (!instanceKey.Open(instance, deviceKey.Get(), false)) continue;
                const std::wstring path =
                    std::wstring(kEnumKeyPath) + L"\\" + enumerator + L"\\" + deviceName + L"\\" + instance;
                if (visit(path, instanceKey)) return;
            }
        }
    }
}

std::wstring InstanceDriverKey(const CRegistry& instanceKey) {
    std::wstring value;
    instanceKey.ReadString(L"Driver", value);
    return value;
}

std::wstring InstanceFirstHardwareId(const CRegistry& instanceKey) {
    std::vector<std::wstring> ids;
    instanceKey.ReadMultiString(L"HardwareID", L"", ids);
    return ids.empty() ? std::wstring() : LowerInvariant(ids.front());
}

}  // namespace

std::wstring FindDeviceEnumKey(const std::wstring& text, EnumKeySearch search) {
    std::wstring found;
    ForEachEnumInstance([&](const std::wstring& path, const CRegistry& instanceKey) {
        const std::wstring value = search == EnumKeySearch::kByDriverKey ? InstanceDriverKey(instanceKey)
                                                                         : InstanceFirstHardwareId(instanceKey);
        if (value.empty() || !EqualsIgnoringCase(value, text)) return false;
        found = path;
        return true;
    });
    return found;
}

void DeviceEnumIndex::Build() {
    byDriverKey_.clear();
    byHardwareId_.clear();
    ForEachEnumInstance([&](const std::wstring& path, const CRegistry& instanceKey) {
        // The first instance in registry order wins, as in a search.
        const std::wstring driverKey = InstanceDriverKey(instanceKey);
        if (!driverKey.empty()) byDriverKey_.emplace(LowerInvariant(driverKey), path);
        const std::wstring hardwareId = InstanceFirstHardwareId(instanceKey);
        if (!hardwareId.empty()) byHardwareId_.emplace(hardwareId, path);
        return false;
    });
}

std::wstring DeviceEnumIndex::Find(const std::wstring& text, EnumKeySearch search) const {
    const auto& index = search == EnumKeySearch::kByDriverKey ? byDriverKey_ : byHardwareId_;
    const auto found = index.find(LowerInvariant(text));
    return found == index.end() ? std::wstring() : found->second;
}

bool GetInstalledDriverDateVersion(const std::wstring& classGuidOrDriverKey, const std::wstring& hardwareId,
                                   InstalledDriverDateVersion& inOut) {
    GUID classGuid;
    if (!ParseClassGuid(classGuidOrDriverKey, classGuid)) return false;
    const std::wstring classText = GuidText(classGuid);

    const ScopedDeviceInfoList devices(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!devices) return false;
    const HDEVINFO set = devices.Get();
    bool found = false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; !found && SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        if (!EqualsIgnoringCase(GuidText(device.ClassGuid), classText)) continue;
        BYTE idBuffer[1024 + sizeof(wchar_t)] = {};
        if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr, idBuffer, 1024, nullptr) &&
            !EqualsIgnoringCase(reinterpret_cast<const wchar_t*>(idBuffer), hardwareId)) {
            continue;
        }
        const std::wstring driverKey = ReadDeviceText(set, device, SPDRP_DRIVER);
        if (driverKey.empty()) continue;

        CRegistry key;
        key.SetAccessMask(CRegistry::kReadOnlyMask);
        if (key.Open(std::wstring(kClassKeyPath) + L"\\" + driverKey, HKEY_LOCAL_MACHINE, false)) {
            key.ReadString(L"DriverDate", inOut.dateText);
            key.ReadString(L"DriverVersion", inOut.version);
            FILETIME date{};
            DWORD bytes = sizeof(date);
            if (key.ReadBinary(L"DriverDateData", &date, bytes) && bytes == sizeof(date)) {
                inOut.dateText = FormatDriverDate(date);
                inOut.fileTimeHigh = date.dwHighDateTime;
                inOut.fileTimeLow = date.dwLowDateTime;
            }
        }
        inOut.problem = ReadDeviceNodeStatus(device.DevInst).problem;
        found = true;
    }
    return found;
}
