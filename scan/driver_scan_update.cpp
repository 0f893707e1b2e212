#include "scan/driver_scan_update.h"

#include "platform/scoped_handle.h"
#include "platform/text_case.h"

#include <wincrypt.h>

#include <algorithm>
#include <cwctype>
#include <exception>

#include "foundation/daily_log.h"
#include "foundation/language_strings.h"
#include "foundation/os_identity.h"

namespace {

// True when the container holds the key of `keySpec` or one could be generated.
bool EnsureKey(HCRYPTPROV provider, DWORD keySpec) {
    HCRYPTKEY key = 0;
    if (CryptGetUserKey(provider, keySpec, &key)) {
        CryptDestroyKey(key);
        return true;
    }
    if (GetLastError() != static_cast<DWORD>(NTE_NO_KEY)) return false;
    if (!CryptGenKey(provider, keySpec, 0, &key)) return false;
    CryptDestroyKey(key);
    return true;
}

}  // namespace

void CDriverScanUpdate::tagUpdateResultsStruct::Reset() {
    deviceIndex = -1;
    offeredIndex = -1;
    rowIndex = -1;
    title.clear();
    detail.clear();
    selected = 0;
    visible = 1;
    state = 0;
    statusText.clear();
    extraText.clear();
    severity = 4;
    progress = 0;
    itemData = -1;
    resultCode = 0;
    reserved.fill(0);
}

CDriverScanUpdate::CDriverScanUpdate(ScanOperation* app) : app_(app) {
    classImages_.cbSize = sizeof(classImages_);
    if (!SetupDiGetClassImageList(&classImages_)) classImages_.ImageList = nullptr;
    // A failing key container is not the scan's concern; the call only makes sure
    // the container exists before anything asks for it.
    EnsureCryptoKeyContainer();
    GetOsVersionInfo(osVersion.build, osVersion.major, osVersion.minor, osVersion.productType,
                     osVersion.processorArchitecture);
    osVersion.text = std::to_wstring(osVersion.major) + L"." + std::to_wstring(osVersion.minor) + L"." +
                     std::to_wstring(osVersion.build);
}

CDriverScanUpdate::~CDriverScanUpdate() {
    if (classImages_.ImageList != nullptr) SetupDiDestroyClassImageList(&classImages_);
}

int CDriverScanUpdate::RunEngineScan() {
    try {
        operationKind = kScanOperation;
        devicesReported = 0;
        updateCount = 0;
        ProgressOf(kScanOperation).ShowPercent(0);

        ResetDeviceArrays(kDeviceCapacity);
        ResetUpdateResults();
        if (app_ == nullptr) return -1;

        const std::wstring path = scanRun.scanPath.substr(0, scanRun.scanPath.find(L'\0'));
        app_->SetScanProgressCallback(
            [this](const DriverInfoRecord* records, int percent) { ReportScanProgress(records, percent); });
        const int result = app_->RunDeviceScan(path);
        scanRun.lastResultCode = result;

        const wchar_t* statusKey = nullptr;
        if (result == EngineCode::kFinished) statusKey = L"IDS_SCAN_COMPLETED";
        if (result == EngineCode::kScanStopRequest) statusKey = L"IDS_SCAN_ABORTED";
        if (statusKey != nullptr) {
            scanRun.scanFinished = 1;
            ProgressOf(kScanOperation).ShowStatus(GetLangString(statusKey, L"RESOURCESTRING"));
        }
        return result;
    } catch (const std::exception&) {
        return -1;
    }
}

void CDriverScanUpdate::ResetDeviceArrays(size_t count) {
    devices = DriverInfoRecord::NewArray(count);
    if (!devices.empty()) DriverInfoRecord::AttachOfferedDrivers(devices);
}

void CDriverScanUpdate::ResetUpdateResults() {
    devicesReported = 0;
    backupRestore.backupCounter = 0;
    backupRestore.restoreCounter = 0;
    backupRestore.checkedCount = 0;
    backupRestore.backupSelectedCount = 0;
    backupRestore.restoreFailureCount = 0;
    updateCount = 0;
}

EngineProgress& CDriverScanUpdate::ProgressOf(OperationKind kind) const {
    EngineProgress* receiver = nullptr;
    switch (kind) {
        case kScanOperation: receiver = scanProgress; break;
        case kBackupOperation: receiver = backupProgress; break;
        case kRestoreOperation: receiver = restoreProgress; break;
        default: break;
    }
    return receiver != nullptr ? *receiver : NoEngineProgress();
}

bool CDriverScanUpdate::ReportScanProgress(const DriverInfoRecord* records, int percent) {
    if (operationKind == kScanOperation) percent = std::min(percent, 99);
    EngineProgress& progress = ProgressOf(static_cast<OperationKind>(operationKind));
    if (records != nullptr) {
        switch (operationKind) {
            case kScanOperation: {
                const int index = devicesReported;
                // The inventory never hands more records than the array holds; a
                // record beyond it would be written past the end, so it is dropped.
                if (index < 0 || static_cast<size_t>(index) >= devices.size()) break;
                const DriverInfoRecord& record = records[index];
                CopyDeviceRecord(devices[static_cast<size_t>(index)], record);
                progress.ShowDevice(record.deviceName, record.category, percent, index);
                ++devicesReported;
                break;
            }
            case kBackupOperation:
                progress.ShowDevice(records->deviceName, records->category, percent, -1);
                WriteLogLine(L"Creating Backup For: Category: %ls, Driver:%ls", records->category.c_str(),
                             records->deviceName.c_str());
                ++backupRestore.backupCounter;
                break;
            case kRestoreOperation:
                progress.ShowDevice(records->deviceName, records->category, percent, -1);
                WriteLogLine(L"Restoring: Category: %ls, Driver:%ls", records->category.c_str(),
                             records->deviceName.c_str());
                ++backupRestore.restoreCounter;
                break;
            default:
                break;
        }
    }
    progress.ShowPercent(percent);
    return true;
}

int CDriverScanUpdate::ReportInstallProgress(int percent, const wchar_t* text, int code) {
    if (scanRun.progressHeld != 0) {
        scanRun.heldProgress = percent;
    } else {
        InstallProgress().ShowPercent(percent);
    }
    // A restart question (IDYES as its code) marks the install done; the engine's
    // own question is always answered no, the screens ask the user themselves.
    if (code == IDYES && text != nullptr) installDone = 1;
    return IDNO;
}

void CDriverScanUpdate::StartEngineOperationAndWait(bool scan, ScanOperation& engine) {
    int32_t code = EngineCode::kScanStopRequest;
    if (scan) {
        scanRun.scanFinished = 1;
    } else {
        firstBusy = 1;
        secondBusy = 1;
        code = EngineCode::kBackupStopRequest;
    }
    if (!engine.WaitForOperation(code)) {
        firstBusy = 0;
        secondBusy = 0;
    }
}

void CDriverScanUpdate::CopyDeviceRecord(DriverInfoRecord& destination, const DriverInfoRecord& source) {
    destination.CopyFrom(source);
}

std::wstring CDriverScanUpdate::GetOsValueText(int index) { return GetOsIdCachedValue(index); }

std::wstring CDriverScanUpdate::IntegerToTextOrEmpty(int value) {
    return value == 0 ? std::wstring() : std::to_wstring(value);
}

std::wstring CDriverScanUpdate::MakeIgnoreKey(const std::wstring& text1, const std::wstring& text2,
                                              const std::wstring& text3) {
    return LowerInvariant(text1) + L"|" + LowerInvariant(text2) + L"|" + LowerInvariant(text3);
}

int CDriverScanUpdate::SetDeviceIgnored(const std::wstring& text1, const std::wstring& text2,
                                        const std::wstring& text3, bool ignore) {
    try {
        const std::wstring key = MakeIgnoreKey(text1, text2, text3);
        const auto found = ignoreMap.find(key);
        if (found != ignoreMap.end() && !ignore) {
            ignoreMap.erase(found);
        } else if (found == ignoreMap.end() && ignore) {
            ignoreMap.emplace(key, std::wstring());
        }
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

bool CDriverScanUpdate::IsDeviceIgnored(const std::wstring& text1, const std::wstring& text2,
                                        const std::wstring& text3) const {
    return ignoreMap.count(MakeIgnoreKey(text1, text2, text3)) != 0;
}

bool CDriverScanUpdate::EnsureCryptoKeyContainer() {
    ScopedCryptContext context;
    if (!CryptAcquireContextW(context.Receive(), nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, 0) &&
        !CryptAcquireContextW(context.Receive(), nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_NEWKEYSET)) {
        return false;
    }
    return EnsureKey(context.Get(), AT_SIGNATURE) && EnsureKey(context.Get(), AT_KEYEXCHANGE);
}
