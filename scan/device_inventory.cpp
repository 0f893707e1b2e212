#include "scan/device_inventory.h"

#include "platform/path_checks.h"
#include "platform/com_apartment.h"

#include <shlobj.h>

#include <cwctype>

#include "foundation/daily_log.h"
#include "platform/registry.h"
#include "platform/text_case.h"

namespace {

constexpr DWORD kPropertyBufferBytes = 1024;
constexpr size_t kCategoryMaxChars = 129;
const wchar_t kLegacyDriverClass[] = L"{8ecc055d-047f-11d1-a537-0000f8753ed1}";

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    if (StringFromGUID2(guid, text, 40) == 0) return {};
    return text;
}

std::wstring Trimmed(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::iswspace(text[begin])) ++begin;
    while (end > begin && std::iswspace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Ids some devices carry as filler: their characters' codes in hexadecimal spell "ffff".
bool IsFillerId(const std::wstring& id) {
    std::wstring codes;
    wchar_t digits[8];
    for (wchar_t c : Trimmed(id)) {
        swprintf(digits, 8, L"%x", static_cast<unsigned>(c));
        codes += digits;
        if (codes.size() > 4) return false;
    }
    return codes == L"ffff";
}

int Percent(size_t processed, size_t total) {
    return total == 0 ? 100 : static_cast<int>(processed * 100 / total);
}

int PercentWithLastDeviceRule(size_t processed, size_t index, size_t total) {
    const int percent = Percent(processed, total);
    return (index + 1 == total && percent < 100) ? 100 : percent;
}

}  // namespace

CDeviceInventory::CDeviceInventory() { Init(); }

CDeviceInventory::CDeviceInventory(ScanOperation& app, ScanProgressCallback progress,
                                   std::unique_ptr<DeviceAccess> access, size_t capacity)
    : app_(&app), access_(std::move(access)), capacity_(capacity), progress_(std::move(progress)) {
    Init();
    if (!access_) access_ = std::make_unique<SetupApiDeviceAccess>();
    records_ = DriverInfoRecord::NewArray(capacity_);
}

void CDeviceInventory::Init() {
    count_ = 0;
    capacityReached_ = false;
    infFileName_.clear();
    infSection_.clear();
    infSectionExt_.clear();
    wchar_t folder[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        windowsFolder_ = folder;
    } else {
        windowsFolder_.clear();
    }
    LoadGenericDeviceFilter();
}

std::wstring CDeviceInventory::ReadText(const SP_DEVINFO_DATA& device, DWORD property) {
    // Two spare zero bytes: a value stored without its terminator still ends here.
    BYTE buffer[kPropertyBufferBytes + sizeof(wchar_t)] = {};
    if (!access_->ReadProperty(device, property, buffer, kPropertyBufferBytes)) return {};
    return reinterpret_cast<const wchar_t*>(buffer);
}

int CDeviceInventory::EnumerateDevices() {
    if (app_ == nullptr || records_.empty()) return EngineCode::kFailed;
    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    count_ = 0;
    capacityReached_ = false;

    SP_DEVINFO_DATA device{};
    if (!access_->OpenAllDevices() || !access_->DeviceAt(0, device)) {
        access_->CloseDevices();
        return EngineCode::kFailed;
    }
    size_t total = 0;
    while (access_->DeviceAt(static_cast<DWORD>(total), device)) ++total;
    size_t processed = 0;
    enumIndex_.Build();

    bool stopped = app_->StopRequested(EngineCode::kScanStopRequest);
    bool signedTableRead = false;
    if (!stopped) {
        signedTableRead = access_->QuerySignedDrivers(signedDrivers_);
        stopped = app_->StopRequested(EngineCode::kScanStopRequest);
    }

    for (size_t index = 0; !stopped && access_->DeviceAt(static_cast<DWORD>(index), device); ++index) {
        if (count_ >= capacity_) {
            // Beyond the room of the record array, and of the results file, devices
            // are left out; the progress still runs to its end.
            capacityReached_ = true;
            if (app_->StopRequested(EngineCode::kScanStopRequest)) {
                stopped = true;
                break;
            }
            if (progress_) progress_(nullptr, PercentWithLastDeviceRule(processed, index, total));
            ++processed;
            continue;
        }
        switch (ReadOneDevice(device, signedTableRead)) {
            case DeviceOutcome::kStopped:
                stopped = true;
                break;
            case DeviceOutcome::kSkippedGeneric:
                if (progress_) progress_(nullptr, PercentWithLastDeviceRule(processed, index, total));
                ++processed;
                break;
            case DeviceOutcome::kSkippedNonPnp:
                if (progress_) progress_(nullptr, Percent(processed, total));
                ++processed;
                break;
            case DeviceOutcome::kRecorded:
                if (progress_) progress_(records_.data(), PercentWithLastDeviceRule(processed, index, total));
                ++count_;
                ++processed;
                break;
        }
    }

    access_->CloseDevices();
    // A machine beyond these limits gets an incomplete scan; the log tells support why.
    if (capacityReached_) {
        WriteLogLine(L"Device list full: %u devices recorded, further devices were left out",
                     static_cast<unsigned>(capacity_));
    }
    if (signedDrivers_.truncated) {
        WriteLogLine(L"Signed driver list full: %u entries read, further entries were left out",
                     static_cast<unsigned>(signedDrivers_.rows.size()));
    }
    records_.clear();
    records_.shrink_to_fit();
    signedDrivers_.rows.clear();
    signedDrivers_.truncated = false;
    if (app_->StopRequested(EngineCode::kScanStopRequest)) {
        app_->AcknowledgeStop();
        return EngineCode::kScanStopRequest;
    }
    return EngineCode::kFinished;
}

CDeviceInventory::DeviceOutcome CDeviceInventory::ReadOneDevice(const SP_DEVINFO_DATA& device,
                                                                 bool signedTableRead) {
    DriverInfoRecord& record = records_[count_];
    record.Clear();
    if (app_->StopRequested(EngineCode::kScanStopRequest)) return DeviceOutcome::kStopped;

    const std::wstring firstHardwareId = ReadText(device, SPDRP_HARDWAREID);
    const std::wstring serviceName = ReadText(device, SPDRP_SERVICE);
    const std::wstring driverKey = ReadText(device, SPDRP_DRIVER);

    std::wstring classKey = LowerInvariant(driverKey);
    const size_t lastSlash = classKey.rfind(L'\\');
    if (lastSlash != std::wstring::npos) {
        classKey.erase(lastSlash);
    } else {
        classKey = GuidText(device.ClassGuid);
    }
    if (IsGenericDevice(classKey, firstHardwareId)) return DeviceOutcome::kSkippedGeneric;

    std::wstring category;
    if (access_->ReadClassDescription(device.ClassGuid, category)) {
        category = category.substr(0, kCategoryMaxChars);
        if (category.find(L'@') != std::wstring::npos) {
            category = ReadText(device, SPDRP_CLASS).substr(0, kCategoryMaxChars);
        }
    }

    bool unknown = false;
    std::wstring deviceName = ReadText(device, SPDRP_FRIENDLYNAME);
    if (deviceName.empty()) deviceName = ReadText(device, SPDRP_DEVICEDESC);
    if (deviceName.empty()) unknown = true;

    const DeviceNodeStatus nodeStatus = access_->ReadNodeStatus(device);
    record.nodeStatusResult = nodeStatus.result;
    record.problemCode = nodeStatus.problem;

    std::wstring dateText;
    std::wstring infPathCandidate;
    std::wstring providerCandidate;
    std::wstring manufacturer;
    bool hasInf = false;
    if (std::optional<InstalledDriver> installed = access_->FindInstalledDriver(device)) {
        record.driverRank = installed->rank;
        record.isSigned = (installed->flags & kDriverFlagInfIsSigned) != 0 ? 1 : 0;
        record.driverDateLow = installed->date.dwLowDateTime;
        record.driverDateHigh = installed->date.dwHighDateTime;
        dateText = FormatDriverDate(installed->date);
        infPathCandidate = installed->infFileName;
        providerCandidate = installed->provider;
        manufacturer = installed->manufacturer;
        hasInf = !installed->infFileName.empty();
    }
    if (manufacturer.empty()) manufacturer = ReadText(device, SPDRP_MFG);

    // Read access only: writing is neither needed nor granted everywhere.
    const std::wstring driverKeyPath = std::wstring(kClassKeyPath) + L"\\" + driverKey;
    std::wstring keyInfPath, keyDriverVersion, keyProvider, keyDriverDate, matchingDeviceId;
    {
        CRegistry key;
        key.SetAccessMask(CRegistry::kReadOnlyMask);
        if (key.Open(driverKeyPath, HKEY_LOCAL_MACHINE, false)) {
            key.ReadString(L"InfPath", keyInfPath);
            key.ReadString(L"DriverVersion", keyDriverVersion);
            key.ReadString(L"ProviderName", keyProvider);
            if (dateText.empty() || record.driverDateLow == 0 || record.driverDateHigh == 0) {
                FILETIME date{};
                DWORD bytes = sizeof(date);
                if (key.ReadBinary(L"DriverDateData", &date, bytes) && bytes == sizeof(date)) {
                    record.driverDateLow = date.dwLowDateTime;
                    record.driverDateHigh = date.dwHighDateTime;
                    dateText = FormatDriverDate(date);
                }
            }
            if (dateText.empty()) key.ReadString(L"DriverDate", dateText);
            if (!hasInf) {
                key.ReadString(L"InfPath", infPathCandidate);
                key.ReadString(L"ProviderName", providerCandidate);
            }
            // Kept for the install code, not stored in the record.
            infSection_.clear();
            infSectionExt_.clear();
            key.ReadString(L"InfSection", infSection_);
            key.ReadString(L"InfSectionExt", infSectionExt_);
            key.ReadString(L"MatchingDeviceId", matchingDeviceId);
        }
    }

    if (EqualsIgnoringCase(category, L"Non-Plug and Play Drivers") ||
        EqualsIgnoringCase(classKey, kLegacyDriverClass)) {
        return DeviceOutcome::kSkippedNonPnp;
    }

    if (category.empty()) {
        category = L"Other devices";
        unknown = true;
    }
    std::wstring infPath = infPathCandidate;
    if (!keyInfPath.empty()) {
        const std::wstring inWindows = windowsFolder_ + L"\\inf\\" + keyInfPath;
        if (FileExists(inWindows)) infPath = inWindows;
    }

    const size_t infSlash = infPath.rfind(L'\\');
    infFileName_ = infSlash == std::wstring::npos ? infPath : infPath.substr(infSlash + 1);

    record.deviceName = deviceName.empty() ? L"Unknown Device" : deviceName;
    record.serviceName = serviceName;
    record.category = category;
    record.provider = keyProvider.empty() ? providerCandidate : keyProvider;
    record.infPath = infPath;
    record.driverVersion = keyDriverVersion;
    record.driverKey = driverKey;
    record.hardwareId = firstHardwareId;
    record.driverDate = dateText;
    record.manufacturer = manufacturer;
    record.isUnknownDevice = unknown ? 1 : 0;

    std::wstring matchingText;
    if (!IsGenericDevice(L"", matchingDeviceId)) {
        record.matchingDeviceId = matchingDeviceId;
        matchingText = matchingDeviceId;
    }

    std::vector<std::wstring> instanceHardwareIds;
    std::vector<std::wstring> instanceCompatibleIds;
    const std::wstring instancePath = enumIndex_.Find(LowerInvariant(firstHardwareId), EnumKeySearch::kByHardwareId);
    if (!instancePath.empty()) {
        CRegistry key;
        key.SetAccessMask(CRegistry::kReadOnlyMask);
        if (key.Open(instancePath, HKEY_LOCAL_MACHINE, false)) {
            key.ReadMultiString(L"HardwareID", L"", instanceHardwareIds);
            key.ReadMultiString(L"CompatibleIDs", L"", instanceCompatibleIds);
        }
    }
    std::erase_if(instanceHardwareIds, IsFillerId);

    record.hardwareIds.clear();
    record.compatibleIds.clear();
    record.allHardwareIds.clear();
    record.allCompatibleIds.clear();
    for (const std::wstring& id : instanceHardwareIds) {
        const std::wstring trimmed = Trimmed(id);
        if (!trimmed.empty() && !IsGenericDevice(L"", trimmed)) record.hardwareIds.push_back(trimmed);
        record.allHardwareIds.push_back(id);
    }
    for (const std::wstring& id : instanceCompatibleIds) {
        if (!IsGenericDevice(L"", id)) {
            record.compatibleIds.push_back(id);
            if (!matchingText.empty()) matchingText += L"|";
            matchingText += id;
        }
        record.allCompatibleIds.push_back(id);
    }
    record.matchingIds = matchingText;

    if (signedTableRead) {
        const std::wstring name = LowerInvariant(record.deviceName);
        for (const SignedDriverEntry& row : signedDrivers_.rows) {
            if (LowerInvariant(row.deviceName) == name || LowerInvariant(row.friendlyName) == name) {
                record.signer = row.signer;
                break;
            }
        }
    } else if (!serviceName.empty()) {
        record.signer = GetServiceImageCompany(*app_, windowsFolder_, serviceName);
    }

    // A device record describes no offer, whatever an earlier scan left in it.
    InfPathOf(record).clear();
    Md5Of(record).clear();
    SecondHardwareIdOf(record).clear();
    record.number18 = 0;
    SpecificCaseOf(record) = 0;
    InstallFlagOf(record) = 0;
    records_.front().offeredDrivers.reset();
    return DeviceOutcome::kRecorded;
}

int ScanOperation::RunDeviceScan(const std::wstring& path) {
    scanPath_ = path;
    BeginOperation();
    CDeviceInventory inventory(*this, scanProgress_);
    return inventory.EnumerateDevices();
}
