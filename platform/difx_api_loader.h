#pragma once

#include <windows.h>

#include <string>

#include "platform/difx_api.h"

// The run-time binding of "difxapi.dll" that a program keeps for its life: the
// main program's engine holds one, the 64-bit helper one per run. Any of the
// three entry points may be missing.
class DifxApiLoader {
public:
    DifxApiLoader() = default;
    ~DifxApiLoader();
    DifxApiLoader(const DifxApiLoader&) = delete;
    DifxApiLoader& operator=(const DifxApiLoader&) = delete;

    bool IsLoaded() const { return module_ != nullptr; }
    HMODULE Module() const { return module_; }
    DriverPackageInstallFn InstallEntry() const { return install_; }
    DriverPackagePreinstallFn PreinstallEntry() const { return preinstall_; }
    DifxSetLogCallbackFn SetLogCallbackEntry() const { return setLogCallback_; }

    // DriverPackageInstallW with the log callback registered around it, and
    // DriverPackagePreinstallW. Each returns the DIFx code (ERROR_SUCCESS when
    // done). When no call is made the code says why: ERROR_MOD_NOT_FOUND (library
    // not loaded), ERROR_PROC_NOT_FOUND (entry missing) or
    // ERROR_FILENAME_EXCED_RANGE (INF path longer than DIFx takes).
    DWORD Install(const std::wstring& infPath, DWORD flags) const;
    DWORD Preinstall(const std::wstring& infPath, DWORD flags) const;

private:
    friend DifxApiLoader& LoadDifxApi(DifxApiLoader& loader);

    // ERROR_SUCCESS when a call through `entry` may go ahead, else why not.
    DWORD RefusalFor(const void* entry, const std::wstring& infPath) const;

    HMODULE module_ = nullptr;
    DriverPackageInstallFn install_ = nullptr;
    DriverPackagePreinstallFn preinstall_ = nullptr;
    DifxSetLogCallbackFn setLogCallback_ = nullptr;
};

// Loads "difxapi.dll" by name into the loader and looks up its entry points; the
// loader stays unloaded when the library does not load. Loading again first frees
// the library held before.
DifxApiLoader& LoadDifxApi(DifxApiLoader& loader);
