#pragma once

#include <string>

// Paths at or beyond MAX_PATH only open with the "\\?\" form, which also turns off
// the system's normalisation, so separators are made uniform first. Shorter and
// relative paths come back unchanged.
std::wstring ExtendedLengthPath(const std::wstring& path);
