#pragma once

#include <string>
#include <string_view>

// Case changes that do not follow the C locale: the program sets that locale from
// the chosen language, and a Turkish one would turn "I" into a dotless "ı", so
// device ids, switches and host names would stop matching.
std::wstring LowerInvariant(std::wstring_view text);
std::wstring UpperInvariant(std::wstring_view text);
bool EqualsIgnoringCase(std::wstring_view left, std::wstring_view right);
// True when `text` holds `prefix` at `at`, without regard to case.
bool StartsWithIgnoringCase(std::wstring_view text, size_t at, std::wstring_view prefix);
