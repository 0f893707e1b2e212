#pragma once

#include <windows.h>

#include <string>

// The pages run trusted inside an elevated process, so only the program's own
// pages are trusted: res:// addresses inside the program's module, and
// about:blank. Everything else is left to the system's own rules.
bool IsOwnPageAddress(const std::wstring& address, const std::wstring& modulePath);

enum class NavigationAction {
    Allow,
    Cancel,
    // Not shown in the page; web addresses open in the user's browser instead.
    CancelAndOpenInBrowser,
};

NavigationAction DecideNavigation(const std::wstring& address, const std::wstring& modulePath);

// The address of an HTML resource of the module, as the browser loads it.
std::wstring PageResourceAddress(const std::wstring& modulePath, UINT resourceId);

// The full path of the module, the form res:// addresses carry.
std::wstring ModulePath(HMODULE module);
