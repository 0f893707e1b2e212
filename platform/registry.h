#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One open registry key under a root, for the program and the 64-bit helper alike.
// Short-lived by design: open, probe, read or write, and let the destructor close
// the key.
class CRegistry {
public:
    static constexpr REGSAM kReadWriteMask = KEY_READ | KEY_WRITE;  // 0x2001F
    static constexpr REGSAM kReadOnlyMask = KEY_READ;               // 0x20019

    explicit CRegistry(HKEY initialKey = nullptr);
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // A holder that only reads sets kReadOnlyMask before Open; with it a missing key
    // is never created.
    void SetAccessMask(REGSAM mask) { accessMask_ = mask; }
    REGSAM AccessMask() const { return accessMask_; }
    HKEY Key() const { return key_; }
    const std::wstring& SubKeyPath() const { return subKeyPath_; }

    bool Open(const std::wstring& subKeyPath, HKEY root, bool createIfMissing);
    bool Create(HKEY root, const std::wstring& subKeyPath);
    void Close();

    bool ValueExists(const wchar_t* valueName) const;
    bool ReadString(const wchar_t* valueName, std::wstring& out) const;
    bool WriteString(const wchar_t* valueName, const std::wstring& text);
    bool ReadDword(const wchar_t* valueName, DWORD& inOut) const;
    bool ReadDwordChecked(const wchar_t* valueName, DWORD& out) const;
    bool WriteDword(const wchar_t* valueName, DWORD value);
    bool WriteDwordPtr(const wchar_t* valueName, const DWORD* value);
    bool ReadBinary(const wchar_t* valueName, void* buffer, DWORD& inOutByteCount) const;
    bool ReadMultiString(const wchar_t* valueName, const std::wstring& defaultText,
                         std::vector<std::wstring>& out) const;

private:
    bool HoldsOpenedKey() const;

    REGSAM accessMask_ = kReadWriteMask;
    HKEY key_ = nullptr;
    std::wstring subKeyPath_;
};
