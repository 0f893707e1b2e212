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

namespace {

// The system's own components (the Task Scheduler among them) ask for the computer
// name, which lives under the machine's root; the private root carries it too.
void CopyComputerName(HKEY machineRoot) {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (machineRoot == nullptr || !GetComputerNameW(name, &length)) return;
    for (const wchar_t* path : {L"System\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName",
                                L"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName"}) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(machineRoot, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        RegSetValueExW(key, L"ComputerName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), (length + 1) * 2);
        RegCloseKey(key);
    }
}

}  // namespace

ScopedRegistryRoots::ScopedRegistryRoots() {
    CopyComputerName(machineRoot_.Handle());
    active_ = userRoot_.Handle() != nullptr && machineRoot_.Handle() != nullptr &&
              RegOverridePredefKey(HKEY_LOCAL_MACHINE, machineRoot_.Handle()) == ERROR_SUCCESS &&
              RegOverridePredefKey(HKEY_CURRENT_USER, userRoot_.Handle()) == ERROR_SUCCESS;
}

ScopedRegistryRoots::~ScopedRegistryRoots() {
    // Restore first: the scoped keys delete themselves through the real roots.
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
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
