#include <windows.h>

#include "installhelper64/driver_install.h"
#include "installhelper64/helper_command.h"

// The caller always passes a mode switch and seven parameters; a shorter line is
// not an order from it.
int wmain(int argc, wchar_t**) {
    if (argc < 6) return 0;
    InstallHelperCommand command(GetCommandLineW());
    return RunDriverInstall(command) == 1 ? 1 : 0;
}
