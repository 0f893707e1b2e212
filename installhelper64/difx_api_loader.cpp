#include "installhelper64/difx_api_loader.h"

#include "platform/entry_point.h"

namespace {

VOID WINAPI IgnoreDifxLogEvent(DifxLogEvent, DWORD, PCWSTR, PVOID) {}

// Shared precondition of both calls; an empty result means the call may go ahead.
bool RefuseCall(HMODULE module, const void* entry, const std::wstring& infPath, DifxCallResult& result) {
    if (module == nullptr) {
        result.code = ERROR_MOD_NOT_FOUND;
        return true;
    }
    if (entry == nullptr) {
        result.code = ERROR_PROC_NOT_FOUND;
        return true;
    }
    if (infPath.size() > kDifxMaxInfPathChars) {
        result.code = ERROR_FILENAME_EXCED_RANGE;
        return true;
    }
    return false;
}

}  // namespace

DifxApiLoader::DifxApiLoader() {
    module_ = LoadLibraryW(L"difxapi.dll");
    if (module_ == nullptr) return;
    install_ = GetEntryPoint<DriverPackageInstallFn>(module_, "DriverPackageInstallW");
    preinstall_ = GetEntryPoint<DriverPackagePreinstallFn>(module_, "DriverPackagePreinstallW");
    setLogCallback_ = GetEntryPoint<DifxSetLogCallbackFn>(module_, "DIFXAPISetLogCallbackW");
}

DifxApiLoader::~DifxApiLoader() {
    if (module_ != nullptr) FreeLibrary(module_);
}

DifxCallResult DifxApiLoader::Install(const std::wstring& infPath) const {
    DifxCallResult result;
    if (RefuseCall(module_, reinterpret_cast<const void*>(install_), infPath, result)) return result;
    if (setLogCallback_ != nullptr) setLogCallback_(IgnoreDifxLogEvent, nullptr);
    BOOL needReboot = FALSE;
    result.code = install_(infPath.c_str(), 0, nullptr, &needReboot);
    result.called = true;
    if (setLogCallback_ != nullptr) setLogCallback_(nullptr, nullptr);
    return result;
}

DifxCallResult DifxApiLoader::Preinstall(const std::wstring& infPath) const {
    DifxCallResult result;
    if (RefuseCall(module_, reinterpret_cast<const void*>(preinstall_), infPath, result)) return result;
    result.code = preinstall_(infPath.c_str(), 0);
    result.called = true;
    return result;
}
