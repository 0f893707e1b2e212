#include "installhelper64/driver_install.h"

#include "platform/text_case.h"

#include <windows.h>
#include <newdev.h>

#include <cwctype>

#include "installhelper64/helper_registry.h"

namespace {

std::wstring LoweredTrimmed(const std::wstring& text) {
    size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    size_t last = text.find_last_not_of(L" \t");
    return LowerInvariant(text.substr(first, last - first + 1));
}

struct InstallOutcome {
    bool success = false;
    DWORD pnpError = 0;
    DWORD difxError = 0;
};

InstallOutcome UpdateForDevice(const std::wstring& hardwareId, const std::wstring& infPath, DWORD flags) {
    InstallOutcome outcome;
    BOOL needReboot = FALSE;
    // A successful call need not touch the last error; clear it so no stale code
    // from earlier work is reported as the update's error.
    SetLastError(ERROR_SUCCESS);
    outcome.success =
        UpdateDriverForPlugAndPlayDevicesW(nullptr, hardwareId.c_str(), infPath.c_str(), flags, &needReboot) != FALSE;
    outcome.pnpError = GetLastError();
    return outcome;
}

}  // namespace

int RunDriverInstall(const InstallHelperCommand& command) {
    const bool needsDevice = command.mode != 3;
    if (command.inf.empty() || (needsDevice && command.hwdid.empty())) return 0;

    const std::wstring hardwareId = LoweredTrimmed(command.hwdid);
    const std::wstring infPath = LoweredTrimmed(command.inf);

    InstallOutcome outcome;
    if (command.mode == 2) {
        outcome = UpdateForDevice(hardwareId, infPath, INSTALLFLAG_FORCE);
    } else if (command.mode == 3) {
        const DWORD preinstall = command.difx.Preinstall(infPath, 0);
        outcome.success = preinstall == ERROR_SUCCESS;
        outcome.difxError = preinstall;
    } else {
        outcome = UpdateForDevice(hardwareId, infPath, 0);
        if (!outcome.success) {
            const DWORD install = command.difx.Install(infPath, 0);
            outcome.success = install == ERROR_SUCCESS;
            outcome.difxError = install;
        }
    }

    if (command.hkey.empty() || command.regpath.empty() || command.regval.empty()) return 0;
    const bool written = WriteInstallResults(command.hkey, command.regpath, command.regval, command.regvalupnp,
                                             command.regvaldifx, outcome.success, outcome.pnpError,
                                             outcome.difxError);
    return written && outcome.success ? 1 : 0;
}
