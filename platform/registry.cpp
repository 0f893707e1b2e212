#include "platform/registry.h"

#include <algorithm>

namespace {

bool IsPredefinedRoot(HKEY key) {
    // The roots (HKEY_CLASSES_ROOT ... HKEY_CURRENT_USER_LOCAL_SETTINGS) are handle
    // values with the top bit set; they are never ours to close.
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    return (value & 0x80000000u) != 0 && value <= 0x80000007u;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

CRegistry::CRegistry(HKEY initialKey) : key_(initialKey) {}

CRegistry::~CRegistry() { Close(); }

bool CRegistry::HoldsOpenedKey() const { return key_ != nullptr && !IsPredefinedRoot(key_); }

bool CRegistry::Open(const std::wstring& subKeyPath, HKEY root, bool createIfMissing) {
    Close();
    key_ = root;
    subKeyPath_ = subKeyPath;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, subKeyPath.c_str(), 0, accessMask_, &opened) == ERROR_SUCCESS) {
        key_ = opened;
        return true;
    }
    key_ = nullptr;
    if (createIfMissing && accessMask_ != kReadOnlyMask) {
        return Create(root, subKeyPath);
    }
    return false;
}

bool CRegistry::Create(HKEY root, const std::wstring& subKeyPath) {
    Close();
    subKeyPath_ = subKeyPath;
    HKEY created = nullptr;
    if (RegCreateKeyExW(root, subKeyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, accessMask_,
                        nullptr, &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    key_ = created;
    return true;
}

void CRegistry::Close() {
    if (HoldsOpenedKey()) {
        RegCloseKey(key_);
    }
    key_ = nullptr;
}

bool CRegistry::ValueExists(const wchar_t* valueName) const {
    return key_ != nullptr &&
           RegQueryValueExW(key_, valueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool CRegistry::ReadString(const wchar_t* valueName, std::wstring& out) const {
    if (key_ == nullptr) return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key_, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    if (!IsStringType(type)) return false;

    // Twice the byte count, zero-filled: a text stored without its terminator, or
    // with an odd byte count, still ends in a NUL.
    std::vector<wchar_t> buffer(size + 1, L'\0');
    DWORD readSize = size;
    if (RegQueryValueExW(key_, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &readSize) == ERROR_SUCCESS &&
        IsStringType(type)) {
        out.assign(buffer.data());
    }
    return true;
}

bool CRegistry::WriteString(const wchar_t* valueName, const std::wstring& text) {
    if (key_ == nullptr) return false;
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key_, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

bool CRegistry::ReadDword(const wchar_t* valueName, DWORD& inOut) const {
    if (key_ == nullptr) return false;
    // On failure the buffer's content is undefined, so the caller's value is only
    // replaced after a successful read.
    DWORD copy = inOut;
    DWORD size = sizeof(copy);
    if (RegQueryValueExW(key_, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&copy), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    inOut = copy;
    return true;
}

bool CRegistry::ReadDwordChecked(const wchar_t* valueName, DWORD& out) const {
    if (key_ == nullptr) return false;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key_, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return false;
    }
    out = value;
    return true;
}

bool CRegistry::WriteDword(const wchar_t* valueName, DWORD value) {
    if (key_ == nullptr) return false;
    return RegSetValueExW(key_, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

bool CRegistry::WriteDwordPtr(const wchar_t* valueName, const DWORD* value) {
    return value != nullptr && WriteDword(valueName, *value);
}

bool CRegistry::ReadBinary(const wchar_t* valueName, void* buffer, DWORD& inOutByteCount) const {
    if (key_ == nullptr) return false;
    DWORD type = 0;
    if (RegQueryValueExW(key_, valueName, nullptr, &type, static_cast<BYTE*>(buffer),
                         &inOutByteCount) != ERROR_SUCCESS) {
        return false;
    }
    return type == REG_BINARY;
}

bool CRegistry::ReadMultiString(const wchar_t* valueName, const std::wstring& defaultText,
                                std::vector<std::wstring>& out) const {
    out.clear();
    if (key_ == nullptr) return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key_, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;  // no value at all: nothing read, nothing to return
    }
    if (type != REG_MULTI_SZ && type != REG_EXPAND_SZ) {
        out.push_back(defaultText);
        return false;
    }
    std::vector<wchar_t> buffer(size + 1, L'\0');
    DWORD readSize = size;
    if (RegQueryValueExW(key_, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &readSize) != ERROR_SUCCESS) {
        return false;
    }
    // Walk only what the query returned; a list without its final empty text ends
    // at the end of the data.
    const size_t chars = std::min<size_t>(readSize, size) / sizeof(wchar_t);
    size_t position = 0;
    while (position < chars) {
        const wchar_t* text = buffer.data() + position;
        const wchar_t* end = buffer.data() + chars;
        const size_t length = std::find(text, end, L'\0') - text;
        if (length == 0) break;
        out.emplace_back(text, length);
        position += length + 1;
    }
    return true;
}
