#include "scan/driver_scanner_app.h"

namespace {

bool IsStopRequestCode(int32_t code) {
    return (code >= 18 && code <= 25) || code == 37 || code == EngineCode::kInstallStopRequest;
}

// Waits for `event` while delivering the messages other threads send to this one,
// and nothing else: posted messages and input stay queued for the caller's loop.
bool WaitPumpingSentMessages(HANDLE event, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= timeoutMs) return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
        const DWORD remaining = static_cast<DWORD>(timeoutMs - elapsed);
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &event, remaining, QS_SENDMESSAGE, 0);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        return false;
    }
}

}  // namespace

CDriverScannerApp::CDriverScannerApp() { LoadDifxApi(difxApi_); }

CDriverScannerApp::~CDriverScannerApp() {
    // Reverse order of concern: the libraries first, then the event.
    difxApiModule_.Reset();
    operationEvent_.Reset();
}

int CDriverScannerApp::Initialize() {
    statusCode_.store(0);
    initializedFlag_ = 1;
    isWow64_ = 0;
    operationEvent_.Reset();
    scanPath_.clear();

    difxApiModule_.Reset(LoadLibraryW(L"difxapi.dll"));

    HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (kernel != nullptr) {
        isWow64Process_ = reinterpret_cast<IsWow64ProcessFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
        if (isWow64Process_ != nullptr) {
            BOOL wow64 = FALSE;
            if (isWow64Process_(GetCurrentProcess(), &wow64)) isWow64_ = wow64 ? 1 : 0;
        }
#ifdef _WIN64
        // A 64-bit build runs on 64-bit Windows by definition and takes the road of
        // the 32-bit program under WoW64: installs go through the 64-bit helper.
        isWow64_ = 1;
#endif
        wow64DisableRedirection_ = reinterpret_cast<Wow64DisableFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
        wow64RevertRedirection_ = reinterpret_cast<Wow64RevertFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    }

    operationEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return 1;
}

bool CDriverScannerApp::WaitForOperation(int32_t code) {
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

void CDriverScannerApp::BeginOperation() {
    // An acknowledgement left over from an earlier stop must not answer the next one.
    if (operationEvent_.Valid()) ResetEvent(operationEvent_.Get());
    statusCode_.store(EngineCode::kIdle);
}

bool CDriverScannerApp::EnterIdleUnlessStopPending() {
    int32_t current = statusCode_.load();
    for (;;) {
        const bool stopPending = (current >= EngineCode::kScanStopRequest && current <= 25) || current == 37 ||
                                 current == EngineCode::kInstallStopRequest;
        if (stopPending) return false;
        if (statusCode_.compare_exchange_weak(current, EngineCode::kIdle)) return true;
    }
}

void CDriverScannerApp::AcknowledgeStop() {
    // The status is settled before the waiter can wake up and look at it.
    statusCode_.store(EngineCode::kIdle);
    if (operationEvent_.Valid()) SetEvent(operationEvent_.Get());
}

CDriverScannerApp::FsRedirectionOff::FsRedirectionOff(const CDriverScannerApp& app) : app_(app) {
    if (app_.isWow64_ != 0 && app_.wow64DisableRedirection_ != nullptr && app_.wow64RevertRedirection_ != nullptr) {
        active_ = app_.wow64DisableRedirection_(&previousState_) != FALSE;
    }
}

CDriverScannerApp::FsRedirectionOff::~FsRedirectionOff() {
    if (active_) app_.wow64RevertRedirection_(previousState_);
}
