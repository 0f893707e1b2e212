#pragma once

#include <windows.h>

#include <string>

// Braces go around the text before it is parsed as a class id.
bool GuidFromString(const std::wstring& text, GUID& guid);
// The registry form with braces.
bool GuidToString(const GUID& guid, std::wstring& text);
// A driver key ("{class guid}\0001") gives the GUID of its class.
bool GuidFromDriverKey(const std::wstring& driverKey, GUID& guid);
