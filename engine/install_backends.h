#pragma once

#include <windows.h>

#include <string>

#include "engine/install_helper_launch.h"
#include "platform/difx_api_loader.h"

class CDriverScannerApp;

// The ways one INF-based driver reaches Windows, below the install engine. Nothing
// here shows user interface.

// UpdateDriverForPlugAndPlayDevicesW with INSTALLFLAG_FORCE, newdev.dll loaded for
// the call. FALSE when it failed; when newdev.dll or its entry point is missing the
// last error says so (ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND).
BOOL InstallDriverForDevice(const std::wstring& hardwareId, const std::wstring& infPath, BOOL& needReboot);

// DriverPackagePreinstallW through the engine's binding of difxapi.dll. Its code
// (0 = success); ERROR_MOD_NOT_FOUND / ERROR_PROC_NOT_FOUND when the library or
// entry is missing, ERROR_FILENAME_EXCED_RANGE for a path DIFx would cut.
DWORD PreinstallDriverPackageWithDifx(const DifxApiLoader& difx, const std::wstring& infPath, DWORD flags);

// Copies the INF into the driver store and pre-installs it (through the 64-bit
// helper under WOW64). 1 done, 0 failed, 40 other installations are pending.
// `helperResults` names the key and values the helper reports into.
int PreinstallDriverPackage(const CDriverScannerApp& engine, const std::wstring& infPath,
                            const std::wstring& helperFolder,
                            const InstallHelperArguments& helperResults = InstallHelperArguments());
int PreinstallDriverPackageOnVersion(const CDriverScannerApp& engine, const std::wstring& infPath,
                                     const std::wstring& helperFolder, unsigned windowsMajorVersion,
                                     const InstallHelperArguments& helperResults = InstallHelperArguments());

// Pre-installs the INF, then marks every absent device with the hardware id (in the
// class of `driverKey`) for reinstall. 1 when at least one device was marked.
int MarkDeviceForReinstall(const CDriverScannerApp& engine, const std::wstring& infPath,
                           const std::wstring& helperFolder, const std::wstring& hardwareId,
                           const std::wstring& driverKey,
                           const InstallHelperArguments& helperResults = InstallHelperArguments());

// Forced reinstall of a driver for a device: through the 64-bit helper under WOW64,
// in this process otherwise.
bool RestoreDeviceDriver(const CDriverScannerApp& engine, const std::wstring& helperFolder,
                         const std::wstring& hardwareId, const std::wstring& infPath,
                         const InstallHelperArguments& helperResults = InstallHelperArguments());

// The class GUID text of a driver key ("{guid}\\0001" gives "guid").
std::wstring ClassGuidTextOfDriverKey(const std::wstring& driverKey);
