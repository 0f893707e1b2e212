#pragma once

#include <windows.h>

#include <string>

#include "platform/difx_api.h"

// What one DIFx call did: whether it was made at all, and its code. When the call
// was not made the code says why (library or entry point missing, path too long).
struct DifxCallResult {
    bool called = false;
    DWORD code = ERROR_SUCCESS;

    bool Succeeded() const { return called && code == ERROR_SUCCESS; }
};

// Run-time binding of "difxapi.dll": loaded by the constructor, freed by the
// destructor. Any of the three entry points may be missing.
class DifxApiLoader {
public:
    DifxApiLoader();
    ~DifxApiLoader();
    DifxApiLoader(const DifxApiLoader&) = delete;
    DifxApiLoader& operator=(const DifxApiLoader&) = delete;

    bool Loaded() const { return module_ != nullptr; }

    DifxCallResult Install(const std::wstring& infPath) const;
    DifxCallResult Preinstall(const std::wstring& infPath) const;

private:
    HMODULE module_ = nullptr;
    DriverPackageInstallFn install_ = nullptr;
    DriverPackagePreinstallFn preinstall_ = nullptr;
    DifxSetLogCallbackFn setLogCallback_ = nullptr;
};
