#include "scan/scan_operation.h"

#include "platform/message_wait.h"

namespace {

bool IsStopRequestCode(int32_t code) {
    return (code >= EngineCode::kScanStopRequest && code <= EngineCode::kLastOtherStopRequest) ||
           code == EngineCode::kLateStopRequest || code == EngineCode::kInstallStopRequest;
}

template <typename Function>
Function Kernel32Entry(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    return kernel == nullptr ? nullptr
                             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

}  // namespace

void ScanOperation::InitializeOperation() {
    statusCode_.store(0);
    isWow64_ = false;
    operationEvent_.Reset();
    scanPath_.clear();

    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    if (const auto isWow64Process = Kernel32Entry<IsWow64ProcessFn>("IsWow64Process")) {
        BOOL wow64 = FALSE;
        if (isWow64Process(GetCurrentProcess(), &wow64)) isWow64_ = wow64 != FALSE;
    }
#ifdef _WIN64
    // A 64-bit build runs on 64-bit Windows by definition and takes the road of the
    // 32-bit program under WoW64: installs go through the 64-bit helper.
    isWow64_ = true;
#endif
    operationEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

bool ScanOperation::WaitForOperation(int32_t code) {
    if (!IsStopRequestCode(code)) return false;
    statusCode_.store(code);
    if (!operationEvent_.Valid()) return false;
    if (WaitPumpingSentMessages(operationEvent_.Get(), stopWaitTimeoutMs_)) {
        ResetEvent(operationEvent_.Get());
        return true;
    }
    statusCode_.store(EngineCode::kIdle);
    return false;
}

void ScanOperation::BeginOperation() {
    // An acknowledgement left over from an earlier stop must not answer the next one.
    if (operationEvent_.Valid()) ResetEvent(operationEvent_.Get());
    statusCode_.store(EngineCode::kIdle);
}

bool ScanOperation::EnterIdleUnlessStopPending() {
    int32_t current = statusCode_.load();
    for (;;) {
        if (IsStopRequestCode(current)) return false;
        if (statusCode_.compare_exchange_weak(current, EngineCode::kIdle)) return true;
    }
}

void ScanOperation::AcknowledgeStop() {
    // The status is settled before the waiter can wake up and look at it.
    statusCode_.store(EngineCode::kIdle);
    if (operationEvent_.Valid()) SetEvent(operationEvent_.Get());
}

ScanOperation::FsRedirectionOff::FsRedirectionOff(const ScanOperation& operation) {
    using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
    if (!operation.IsWow64()) return;
    static const auto disable = Kernel32Entry<Wow64DisableFn>("Wow64DisableWow64FsRedirection");
    if (disable != nullptr && Kernel32Entry<BOOL(WINAPI*)(PVOID)>("Wow64RevertWow64FsRedirection") != nullptr) {
        active_ = disable(&previousState_) != FALSE;
    }
}

ScanOperation::FsRedirectionOff::~FsRedirectionOff() {
    using Wow64RevertFn = BOOL(WINAPI*)(PVOID);
    static const auto revert = Kernel32Entry<Wow64RevertFn>("Wow64RevertWow64FsRedirection");
    if (active_) revert(previousState_);
}
