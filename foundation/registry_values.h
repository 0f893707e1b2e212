#pragma once

#include <windows.h>

#include <string>

// One-value shortcuts over CRegistry: each opens its key, does its one thing and
// closes the key again before returning.

// Type 1 reads a text into `text`, any other type a 32-bit number into `number`.
// A missing key or value leaves both untouched and still returns 1; 0 only when
// the work itself failed.
int GetUserRegistryValue(const std::wstring& subKey, const std::wstring& valueName, std::wstring& text,
                         DWORD& number, DWORD type);

// Writes a value that already exists, or any value when `create` is set. Type 1
// writes `text`, type 4 `number`, other types nothing.
int SetUserRegistryValue(bool create, const std::wstring& subKey, const std::wstring& valueName,
                         const std::wstring& text, DWORD number, DWORD type);

std::wstring ReadRegStringDefault(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                                  const std::wstring& defaultText);

// Machine-wide value under the product key; fails quietly without administrator rights.
bool WriteProductDword(const std::wstring& valueName, DWORD value);

bool HasFirstRunValue();

bool ReadUserSystemTime(const std::wstring& subKey, const std::wstring& valueName, SYSTEMTIME& out);
bool WriteUserSystemTime(const SYSTEMTIME& time, const std::wstring& subKey, const std::wstring& valueName);
