#include "platform/difx_api_loader.h"

#include "platform/entry_point.h"

namespace {

// DIFx reports each step through the callback; neither program keeps a DIFx log.
VOID WINAPI IgnoreDifxLogEvent(DifxLogEvent, DWORD, PCWSTR, PVOID) {}

}  // namespace

DifxApiLoader::~DifxApiLoader() {
    if (module_ != nullptr) FreeLibrary(module_);
}

DifxApiLoader& LoadDifxApi(DifxApiLoader& loader) {
    if (loader.module_ != nullptr) FreeLibrary(loader.module_);
    loader.install_ = nullptr;
    loader.preinstall_ = nullptr;
    loader.setLogCallback_ = nullptr;
    loader.module_ = LoadLibraryW(L"difxapi.dll");
    if (loader.module_ == nullptr) return loader;
    loader.install_ = GetEntryPoint<DriverPackageInstallFn>(loader.module_, "DriverPackageInstallW");
    loader.preinstall_ = GetEntryPoint<DriverPackagePreinstallFn>(loader.module_, "DriverPackagePreinstallW");
    loader.setLogCallback_ = GetEntryPoint<DifxSetLogCallbackFn>(loader.module_, "DIFXAPISetLogCallbackW");
    return loader;
}

DWORD DifxApiLoader::RefusalFor(const void* entry, const std::wstring& infPath) const {
    if (module_ == nullptr) return ERROR_MOD_NOT_FOUND;
    if (entry == nullptr) return ERROR_PROC_NOT_FOUND;
    if (infPath.size() > kDifxMaxInfPathChars) return ERROR_FILENAME_EXCED_RANGE;
    return ERROR_SUCCESS;
}

DWORD DifxApiLoader::Install(const std::wstring& infPath, DWORD flags) const {
    if (const DWORD refusal = RefusalFor(reinterpret_cast<const void*>(install_), infPath); refusal != ERROR_SUCCESS) {
        return refusal;
    }
    if (setLogCallback_ != nullptr) setLogCallback_(IgnoreDifxLogEvent, nullptr);
    BOOL needReboot = FALSE;
    const DWORD code = install_(infPath.c_str(), flags, nullptr, &needReboot);
    if (setLogCallback_ != nullptr) setLogCallback_(nullptr, nullptr);
    return code;
}

DWORD DifxApiLoader::Preinstall(const std::wstring& infPath, DWORD flags) const {
    if (const DWORD refusal = RefusalFor(reinterpret_cast<const void*>(preinstall_), infPath);
        refusal != ERROR_SUCCESS) {
        return refusal;
    }
    return preinstall_(infPath.c_str(), flags);
}
