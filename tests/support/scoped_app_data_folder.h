#pragma once

#include <string>

#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"

// Points the user's application-data folder (CSIDL_APPDATA) of this process at a
// fresh temporary folder, so code that keeps files in the per-user data folder runs
// in parallel test processes without sharing them. Brings its own private registry
// roots; undone at the end.
class ScopedAppDataFolder {
public:
    ScopedAppDataFolder();
    ~ScopedAppDataFolder();
    ScopedAppDataFolder(const ScopedAppDataFolder&) = delete;
    ScopedAppDataFolder& operator=(const ScopedAppDataFolder&) = delete;

    bool Active() const { return active_; }
    // The application-data folder itself, without a trailing backslash.
    const std::wstring& Path() const { return folder_.Path(); }
    // "<application data>\Brennavik\Halvenor", the program's data folder.
    std::wstring ProductDataFolder() const { return folder_.Path() + L"\\Brennavik\\Halvenor"; }

private:
    ScopedRegistryRoots roots_;
    ScopedTempFolder folder_;
    bool active_ = false;
};
