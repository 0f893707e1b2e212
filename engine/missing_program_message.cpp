#include "engine/missing_program_message.h"

// Until the language strings are in the engine's reach, the message names the
// missing program plainly.
std::wstring MissingProgramMessage(const std::wstring& programPath) { return programPath; }
