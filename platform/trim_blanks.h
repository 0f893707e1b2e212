#pragma once

#include <string>

// The text without leading and trailing blanks, tabs, carriage returns and line
// feeds; an all-blank text gives "".
std::wstring TrimBlanks(const std::wstring& text);
