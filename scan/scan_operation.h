#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/scoped_handle.h"
#include "scan/driver_info_record.h"
#include "scan/exclusion_store.h"

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
// The stop requests of the other engine operations, kept free for their workers.
constexpr int32_t kFirstOtherStopRequest = 21;
constexpr int32_t kLastOtherStopRequest = 25;
constexpr int32_t kLateStopRequest = 37;
}  // namespace EngineCode

// Called once per scanned device: `records` points at the first record of the
// inventory's array when the record at the caller's running index is complete, or
// is null when the device was skipped. The percent never falls.
using ScanProgressCallback = std::function<void(const DriverInfoRecord* records, int percent)>;

// The scan side of the engine's application object: the stop protocol between a
// screen and the worker that runs an engine operation, the status code, the device
// scan itself and the record of drivers this program installed. The engine adds its
// extractors and the driver-install library on top (engine/driver_scanner_app.h).
//
// Stop protocol: the screen calls WaitForOperation(stop code); the worker tests
// StopRequested(its code) between steps and, when it sees it, calls AcknowledgeStop
// and returns.
class ScanOperation {
public:
    static constexpr DWORD kStopWaitTimeoutMs = 120000;

    ScanOperation() = default;
    virtual ~ScanOperation() = default;
    ScanOperation(const ScanOperation&) = delete;
    ScanOperation& operator=(const ScanOperation&) = delete;

    // Clears the status and the scan path, makes the operation event and finds out
    // whether file-system redirection applies to this process.
    void InitializeOperation();

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

    bool IsWow64() const { return isWow64_; }
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
        explicit FsRedirectionOff(const ScanOperation& operation);
        ~FsRedirectionOff();
        FsRedirectionOff(const FsRedirectionOff&) = delete;
        FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;
        bool Active() const { return active_; }

    private:
        PVOID previousState_ = nullptr;
        bool active_ = false;
    };

    // The drivers this program installed itself; the matcher does not offer them again.
    ExclusionStore& InstalledDrivers() { return installedDrivers_; }
    const ExclusionStore& InstalledDrivers() const { return installedDrivers_; }

private:
    std::wstring scanPath_;
    std::atomic<int32_t> statusCode_{0};
    bool isWow64_ = false;
    UniqueHandle operationEvent_;
    ScanProgressCallback scanProgress_;
    DWORD stopWaitTimeoutMs_ = kStopWaitTimeoutMs;
    ExclusionStore installedDrivers_;
};
