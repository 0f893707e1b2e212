#pragma once

#include "installhelper64/helper_command.h"

// Runs the mode's install and writes the three results. Returns 1 when the install
// succeeded and its results were written, 0 otherwise (also when a required
// parameter is missing: then nothing is installed or written).
int RunDriverInstall(const InstallHelperCommand& command);
