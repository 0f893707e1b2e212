#pragma once

#include <string>

// The program's own file, for a task or a Run value to start. False when the path
// does not fit into MAX_PATH: the scheduler keeps no longer program path, and a cut
// one would start nothing or, worse, another program.
bool GetProgramModulePath(std::wstring& path);
