#include "tests/support/scoped_registry.h"

#include <atomic>

namespace {

std::wstring UniqueName() {
    static std::atomic<unsigned> counter{0};
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L"-" +
           std::to_wstring(counter++);
}

constexpr wchar_t kTestsRoot[] = L"Software\\HalvenorTests";

}  // namespace

ScopedRegistryKey::ScopedRegistryKey() : path_(std::wstring(kTestsRoot) + L"\\" + UniqueName()) {
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
}

ScopedRegistryKey::~ScopedRegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

ScopedRegistryRoots::ScopedRegistryRoots(Roots roots) {
    machineOverridden_ = roots == Roots::UserAndMachine;
    active_ = userRoot_.Handle() != nullptr && machineRoot_.Handle() != nullptr &&
              (!machineOverridden_ || RegOverridePredefKey(HKEY_LOCAL_MACHINE, machineRoot_.Handle()) == ERROR_SUCCESS) &&
              RegOverridePredefKey(HKEY_CURRENT_USER, userRoot_.Handle()) == ERROR_SUCCESS;
}

ScopedRegistryRoots::~ScopedRegistryRoots() {
    // Restore first: the scoped keys delete themselves through the real roots.
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (machineOverridden_) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
}

bool SetRawValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
}

std::optional<RawValue> ReadRawValue(HKEY key, const wchar_t* name) {
    RawValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return {};
    value.bytes.resize(size);
    if (RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    value.bytes.resize(size);
    return value;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}
