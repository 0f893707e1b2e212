#pragma once

#include <string>

// Text rules of the XML that CMarkup writes and reads.

// Keeps every character that XML 1.0 allows (tab, line feed, carriage return,
// U+0020-U+D7FF, U+E000-U+FFFD and whole surrogate pairs) and drops the rest.
std::wstring CleanMarkupText(const std::wstring& text);
// A cleaned text that still holds DEL (U+007F) is not written.
bool IsRefusedMarkupText(const std::wstring& cleaned);
// True for a text that reads back as one tag name: not empty, no white space,
// quotes, "&" or the token delimiters of the parser.
bool IsUsableTagName(const std::wstring& name);
// Only "<", "&" and ">" are escaped; quotes are written as they are.
std::wstring EscapeMarkupText(const std::wstring& text);
// The five predefined entities and numeric character references of allowed
// characters are decoded; any other "&" stays as it is.
std::wstring UnescapeMarkupText(const std::wstring& text);
