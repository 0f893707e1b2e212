#include "foundation/registry_values.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/product_key.h"
#include "platform/registry.h"

int GetUserRegistryValue(const std::wstring& subKey, const std::wstring& valueName, std::wstring& text,
                         DWORD& number, DWORD type) {
    try {
        CRegistry key;
        key.SetAccessMask(CRegistry::kReadOnlyMask);
        key.Open(subKey, HKEY_CURRENT_USER, false);
        if (key.ValueExists(valueName.c_str())) {
            if (type == REG_SZ) {
                key.ReadString(valueName.c_str(), text);
            } else {
                key.ReadDword(valueName.c_str(), number);
            }
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int SetUserRegistryValue(bool create, const std::wstring& subKey, const std::wstring& valueName,
                         const std::wstring& text, DWORD number, DWORD type) {
    try {
        CRegistry key;
        key.Open(subKey, HKEY_CURRENT_USER, create);
        if (!create && !key.ValueExists(valueName.c_str())) return 1;
        if (type == REG_SZ) {
            key.WriteString(valueName.c_str(), text);
        } else if (type == REG_DWORD) {
            key.WriteDword(valueName.c_str(), number);
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

std::wstring ReadRegStringDefault(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                                  const std::wstring& defaultText) {
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadOnlyMask);
    key.Open(subKey, root, false);
    std::wstring text;
    if (key.ValueExists(valueName.c_str()) && key.ReadString(valueName.c_str(), text)) return text;
    return defaultText;
}

bool WriteProductDword(const std::wstring& valueName, DWORD value) {
    CRegistry key;
    return key.Open(kProductKeyPath, HKEY_LOCAL_MACHINE, true) && key.WriteDword(valueName.c_str(), value);
}

bool HasFirstRunValue() {
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadOnlyMask);
    return key.Open(kProductKeyPath, HKEY_CURRENT_USER, false) && key.ValueExists(L"FirstRun");
}

bool ReadUserSystemTime(const std::wstring& subKey, const std::wstring& valueName, SYSTEMTIME& out) {
    CRegistry key;
    if (!key.Open(subKey, HKEY_CURRENT_USER, false)) return false;
    DWORD size = 0;
    if (RegQueryValueExW(key.Key(), valueName.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    // Read the whole value and keep its first 16 bytes, so a longer value still
    // yields its leading SYSTEMTIME instead of nothing.
    std::vector<BYTE> data(std::max<DWORD>(size, 1));
    DWORD readSize = size;
    SYSTEMTIME record{};
    if (RegQueryValueExW(key.Key(), valueName.c_str(), nullptr, nullptr, data.data(), &readSize) ==
        ERROR_SUCCESS) {
        std::memcpy(&record, data.data(), std::min<size_t>(std::min(readSize, size), sizeof(record)));
    }
    out = record;
    return true;
}

bool WriteUserSystemTime(const SYSTEMTIME& time, const std::wstring& subKey, const std::wstring& valueName) {
    CRegistry key;
    if (!key.Open(subKey, HKEY_CURRENT_USER, true)) return false;
    RegSetValueExW(key.Key(), valueName.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(&time),
                   sizeof(time));
    return true;
}
