#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/cabinet_extractor.h"
#include "engine/difx_api_loader.h"
#include "engine/rar_extract_job.h"
#include "scan/driver_info_record.h"
#include "scan/exclusion_store.h"
#include "platform/scoped_handle.h"

// Result and status codes shared by the engine operations.
namespace EngineCode {
constexpr int32_t kScanStopRequest = 18;
constexpr int32_t kBackupStopRequest = 19;
constexpr int32_t kRestoreStopRequest = 20;
constexpr int32_t kFinished = 32;
constexpr int32_t kFailed = 33;
constexpr int32_t kMissingInput = 34;
constexpr int32_t kIdle = 35;
constexpr int32_t kInstallStopRequest = 39;
constexpr int32_t kInstallsPending = 40;
}  // namespace EngineCode

// Called once per scanned device: `records` points at the first record of the
// inventory's array when the record at the caller's running index is complete, or
// is null when the device was skipped. The percent never falls.
using ScanProgressCallback = std::function<void(const DriverInfoRecord* records, int percent)>;

// The long-lived object of the scan and install engine: the 64-bit redirection
// entry points, the driver-install library, and the stop protocol between a screen
// and the worker that runs an engine operation.
//
// Stop protocol: the screen calls WaitForOperation(stop code); the worker tests
// StopRequested(its code) between steps and, when it sees it, calls AcknowledgeStop
// and returns.
class CDriverScannerApp {
public:
    static constexpr DWORD kStopWaitTimeoutMs = 120000;

    CDriverScannerApp();
    virtual ~CDriverScannerApp();
    CDriverScannerApp(const CDriverScannerApp&) = delete;
    CDriverScannerApp& operator=(const CDriverScannerApp&) = delete;

    // Always 1.
    int Initialize();

    // Runs the device inventory on the calling thread, reporting each device to the
    // scan progress callback: 32 finished, 18 stopped, 33 when no device list could
    // be had.
    int RunDeviceScan(const std::wstring& path);

    // True when the running operation honoured the stop code within the time-out.
    // Sent messages keep being delivered to this thread while it waits, so a worker
    // that reports progress with SendMessageW to this thread's windows cannot
    // deadlock with it.
    bool WaitForOperation(int32_t code);

    // The worker's side.
    void BeginOperation();
    // Sets the status to idle for a new operation unless a screen has asked for a stop
    // that no worker has answered yet; that request is kept (false then).
    bool EnterIdleUnlessStopPending();
    bool StopRequested(int32_t code) const { return statusCode_.load() == code; }
    void AcknowledgeStop();

    int32_t StatusCode() const { return statusCode_.load(); }
    void SetStatusCode(int32_t code) { statusCode_.store(code); }
    HANDLE OperationEvent() const { return operationEvent_.Get(); }

    bool IsWow64() const { return isWow64_ != 0; }
    HMODULE DifxApiModule() const { return difxApiModule_.Get(); }
    const DifxApiLoader& DifxApi() const { return difxApi_; }
    RarExtractJob& RarExtractor() { return rarExtractor_; }
    CabinetExtractor& CabExtractor() { return cabinetExtractor_; }
    const std::wstring& ScanPath() const { return scanPath_; }

    void SetScanProgressCallback(ScanProgressCallback callback) { scanProgress_ = std::move(callback); }
    const ScanProgressCallback& ScanProgress() const { return scanProgress_; }

    // Tests shorten the wait; the product keeps the default.
    void SetStopWaitTimeout(DWORD milliseconds) { stopWaitTimeoutMs_ = milliseconds; }

    // Turns file-system redirection off for the calling thread while it lives, on a
    // 32-bit process under 64-bit Windows only; it is turned back on whatever path
    // the caller leaves by.
    class FsRedirectionOff {
    public:
        explicit FsRedirectionOff(const CDriverScannerApp& app);
        ~FsRedirectionOff();
        FsRedirectionOff(const FsRedirectionOff&) = delete;
        FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;
        bool Active() const { return active_; }

    private:
        const CDriverScannerApp& app_;
        PVOID previousState_ = nullptr;
        bool active_ = false;
    };

    // The drivers this program installed itself; the matcher does not offer them again.
    ExclusionStore& InstalledDrivers() { return installedDrivers_; }
    const ExclusionStore& InstalledDrivers() const { return installedDrivers_; }

private:
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
    using Wow64RevertFn = BOOL(WINAPI*)(PVOID);

    RarExtractJob rarExtractor_;
    CabinetExtractor cabinetExtractor_;
    std::wstring scanPath_;
    std::atomic<int32_t> statusCode_{0};
    uint32_t initializedFlag_ = 1;
    uint32_t isWow64_ = 0;
    IsWow64ProcessFn isWow64Process_ = nullptr;
    Wow64DisableFn wow64DisableRedirection_ = nullptr;
    Wow64RevertFn wow64RevertRedirection_ = nullptr;
    UniqueHandle operationEvent_;
    ScopedModule difxApiModule_;
    DifxApiLoader difxApi_;
    ScanProgressCallback scanProgress_;
    DWORD stopWaitTimeoutMs_ = kStopWaitTimeoutMs;
    ExclusionStore installedDrivers_;
};
