#pragma once

#include <string>

// Lower-casing that does not follow the C locale: the program sets that locale
// from the chosen language, and a Turkish one would turn "I" into a dotless "ı",
// so device ids would stop matching.
std::wstring LowerInvariant(const std::wstring& text);
bool EqualsIgnoringCase(const std::wstring& left, const std::wstring& right);
