#pragma once

#include <string>

// Fills the one "%s" of a language text with `argument`. Texts come from language
// files that anybody can edit, so they are never handed to printf: "%%" becomes "%",
// only the first "%s" (or "%ls") takes the argument, and every other "%" stays as
// it was typed.
std::wstring FormatTextWithOneString(const std::wstring& format, const std::wstring& argument);
