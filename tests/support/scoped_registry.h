#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// A key of its own under HKEY_CURRENT_USER\Software\HalvenorTests, with a name no
// other test process uses; the key and everything below it go at the end.
class ScopedRegistryKey {
public:
    ScopedRegistryKey();
    ~ScopedRegistryKey();
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

    // Path below HKEY_CURRENT_USER.
    const std::wstring& Path() const { return path_; }
    HKEY Handle() const { return key_; }

private:
    std::wstring path_;
    HKEY key_ = nullptr;
};

// Makes HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE of this process point at private
// keys, so code that uses the fixed product key can run in parallel test processes
// without touching each other's values or the prefix's real ones. Undone at the end.
class ScopedRegistryRoots {
public:
    ScopedRegistryRoots();
    ~ScopedRegistryRoots();
    ScopedRegistryRoots(const ScopedRegistryRoots&) = delete;
    ScopedRegistryRoots& operator=(const ScopedRegistryRoots&) = delete;

    bool Active() const { return active_; }

private:
    ScopedRegistryKey userRoot_;
    ScopedRegistryKey machineRoot_;
    bool active_ = false;
};

// Test helpers for raw values: write exactly the bytes and type given.
bool SetRawValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes);
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};
std::optional<RawValue> ReadRawValue(HKEY key, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& path);
