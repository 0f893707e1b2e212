#pragma once

#include <windows.h>

#include <string>

// The helper's own small registry key holder: it links nothing of the main
// program. Keys are opened in the native (64-bit) view.
class CRegistry {
public:
    explicit CRegistry(HKEY root) : key_(root) {}
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    void SetAccessMask(REGSAM mask) { accessMask_ = mask; }
    HKEY Key() const { return key_; }

    // Opens root\path; a holder that may write creates the key when it is missing.
    bool Open(HKEY root, const std::wstring& path);
    bool Create(HKEY root, const std::wstring& path);

private:
    void Close();

    REGSAM accessMask_ = KEY_READ | KEY_WRITE;
    HKEY key_ = nullptr;
    bool opened_ = false;
    std::wstring path_;
};

// HKEY_LOCAL_MACHINE only for that exact name (any case); everything else is the
// current user.
HKEY ResolveResultRoot(const std::wstring& rootName);

// Writes `number` as signed decimal REG_SZ text. True only when the value was written.
bool WriteRegistryDecimal(const std::wstring& rootName, const std::wstring& keyPath,
                          const std::wstring& valueName, int number);

// Writes the two error codes and then the success value, in that order. The success
// value reads 1 only when the install succeeded and both codes were written; the
// result is true only when all three writes succeeded.
bool WriteInstallResults(const std::wstring& hkey, const std::wstring& regpath, const std::wstring& regval,
                         const std::wstring& regvalupnp, const std::wstring& regvaldifx, bool success,
                         DWORD pnpError, DWORD difxError);
