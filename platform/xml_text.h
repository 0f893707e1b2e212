#pragma once

#include <string>

// Text conversions at the edge of the wire, where we own the format: UTF-8 on the
// wire, UTF-16 inside.

std::string Utf8FromWide(const std::wstring& text);

// Fails on bytes that are not well-formed UTF-8 (overlong forms and surrogate code
// points included); `out` is then left empty.
bool WideFromUtf8(const std::string& bytes, std::wstring& out);

// Escapes the five XML special characters and drops every character that XML 1.0
// cannot carry at all (control characters other than tab, line feed and carriage
// return, lone surrogates, U+FFFE and U+FFFF), so a machine value with stray control
// bytes still yields a well-formed request.
std::wstring EscapeXmlText(const std::wstring& text);
