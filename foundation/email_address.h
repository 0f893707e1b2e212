#pragma once

#include <string_view>

// Syntax check of an e-mail address (8-bit text): a local part of plain characters
// or quoted strings, one "@", and a domain with at least one dot.
bool IsValidEmailAddress(std::string_view address);
