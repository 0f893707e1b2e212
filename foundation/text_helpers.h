#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

// Small text and path operations shared across the program.

void MakeLowerInPlace(std::wstring& text);
void MakeUpperString(std::wstring& text);
// Removes white space at both ends, in place.
void TrimString(std::wstring& text);
// The text from `position` to the end; empty past the end, all of it before 0.
std::wstring GetMidString(const std::wstring& text, int position);
// Replaces every `from` by `to`; the number replaced (0 when both are the same).
int ReplaceChar(std::wstring& text, wchar_t from, wchar_t to);
bool IsStringEqual(const std::wstring& left, const std::wstring& right);
bool IsStringEqualLiteral(const std::wstring& left, const wchar_t* right);
// An automation string of the text's length; throws std::bad_alloc when the
// system cannot allocate it.
BSTR CStringToBstr(const std::wstring& text);
// Removes the last path component by the shell's rule, in place.
void RemoveFileSpec(std::wstring& path);
std::wstring CStringFromWide(const wchar_t* text);
// Converts into the caller's buffer, which is emptied first; the buffer, or null
// when a buffer is missing or the conversion fails.
char* WideToNarrow(const wchar_t* text, UINT codePage, char* buffer, int bufferSize);
// The text of a string resource of this module; empty when it is missing.
std::wstring LoadResourceString(UINT id);
// UTF-16 code units taken from a byte buffer, up to the first zero unit.
std::wstring BufferToString(const BYTE* bytes, size_t byteCount);
// The trimmed text's UTF-16 code units; an empty text gives one zero unit.
std::vector<BYTE> StringToBuffer(const std::wstring& text);
