#pragma once

#include <string>

// The text that says a program the install needs is not there.
std::wstring MissingProgramMessage(const std::wstring& programPath);
