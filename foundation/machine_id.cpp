#include "foundation/machine_id.h"

#include <windows.h>

#include <vector>

#include "foundation/product_key.h"
#include "platform/registry.h"
#include "foundation/text_helpers.h"

namespace {

constexpr wchar_t kRawIdValue[] = L"RawId";
constexpr wchar_t kExistingIdValue[] = L"ExistingUniqueMachineId";

// Reads and deletes the old installation's value under one root; empty when absent.
std::wstring TakeExistingId(HKEY root) {
    CRegistry key;
    if (!key.Open(kProductKeyPath, root, true) || !key.ValueExists(kExistingIdValue)) return {};
    std::wstring text;
    key.ReadString(kExistingIdValue, text);
    RegDeleteValueW(key.Key(), kExistingIdValue);
    return text;
}

bool ReadRawId(HKEY root, std::wstring& identifier) {
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadOnlyMask);
    if (!key.Open(kProductKeyPath, root, false)) return false;
    DWORD size = 0;
    DWORD type = 0;
    if (RegQueryValueExW(key.Key(), kRawIdValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size <= 2) {
        return false;
    }
    std::vector<BYTE> bytes(size);
    if (!key.ReadBinary(kRawIdValue, bytes.data(), size)) return false;
    identifier = BufferToString(bytes.data(), size);
    return true;
}

}  // namespace

bool MigrateExistingMachineId(std::wstring& identifier) {
    const std::wstring userText = TakeExistingId(HKEY_CURRENT_USER);
    const std::wstring machineText = TakeExistingId(HKEY_LOCAL_MACHINE);
    identifier = machineText;
    if (identifier.empty()) identifier = userText;
    return !identifier.empty();
}

void StoreMachineId(const std::wstring& identifier) {
    const std::vector<BYTE> bytes = StringToBuffer(identifier);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        CRegistry key;
        if (!key.Open(kProductKeyPath, root, true)) continue;
        RegSetValueExW(key.Key(), kRawIdValue, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    }
}

bool ReadMachineId(std::wstring& identifier) {
    if (ReadRawId(HKEY_LOCAL_MACHINE, identifier)) return true;
    return identifier.empty() && ReadRawId(HKEY_CURRENT_USER, identifier);
}

std::wstring ResolveMachineId(std::wstring& cached, const std::wstring& fallback) {
    if (MigrateExistingMachineId(cached)) {
        StoreMachineId(cached);
    } else {
        ReadMachineId(cached);
        if (cached.empty()) {
            cached = fallback;
            StoreMachineId(cached);
        }
    }
    return cached;
}
