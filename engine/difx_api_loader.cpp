#include "engine/difx_api_loader.h"

#include <cwchar>
#include <vector>

#include "platform/entry_point.h"

namespace {

// DIFx reports each step through the callback; the engine keeps no DIFx log, but
// formatting the message keeps the library's contract of a consumer being present.
VOID WINAPI DropDifxLogMessage(DifxLogEvent eventType, DWORD error, PCWSTR description, PVOID) {
    std::vector<wchar_t> text(64 + (description != nullptr ? wcslen(description) : 0));
    swprintf(text.data(), text.size(), L"%d %lu %ls", static_cast<int>(eventType), error,
             description != nullptr ? description : L"");
}

}  // namespace

DifxApiLoader::~DifxApiLoader() {
    if (module_ != nullptr) FreeLibrary(module_);
}

DifxApiLoader& LoadDifxApi(DifxApiLoader& loader) {
    if (loader.module_ != nullptr) FreeLibrary(loader.module_);
    loader.loaded_ = 0;
    loader.install_ = nullptr;
    loader.preinstall_ = nullptr;
    loader.setLogCallback_ = nullptr;
    loader.module_ = LoadLibraryW(L"difxapi.dll");
    if (loader.module_ == nullptr) return loader;
    loader.loaded_ = 1;
    loader.install_ = GetEntryPoint<DriverPackageInstallFn>(loader.module_, "DriverPackageInstallW");
    loader.preinstall_ = GetEntryPoint<DriverPackagePreinstallFn>(loader.module_, "DriverPackagePreinstallW");
    loader.setLogCallback_ = GetEntryPoint<DifxSetLogCallbackFn>(loader.module_, "DIFXAPISetLogCallbackW");
    return loader;
}

DWORD DifxApiLoader::Install(const std::wstring& infPath, DWORD flags) const {
    if (!IsLoaded()) return ERROR_MOD_NOT_FOUND;
    if (install_ == nullptr) return ERROR_PROC_NOT_FOUND;
    if (infPath.size() > kDifxMaxInfPathChars) return ERROR_FILENAME_EXCED_RANGE;
    if (setLogCallback_ != nullptr) setLogCallback_(DropDifxLogMessage, nullptr);
    BOOL needReboot = FALSE;
    const DWORD code = install_(infPath.c_str(), flags, nullptr, &needReboot);
    if (setLogCallback_ != nullptr) setLogCallback_(nullptr, nullptr);
    return code;
}
