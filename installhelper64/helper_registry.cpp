#include "installhelper64/helper_registry.h"

#include <cwchar>

CRegistry::~CRegistry() { Close(); }

void CRegistry::Close() {
    if (opened_ && key_ != nullptr) RegCloseKey(key_);
    opened_ = false;
    key_ = nullptr;
}

bool CRegistry::Open(HKEY root, const std::wstring& path) {
    Close();
    key_ = root;
    path_ = path;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, accessMask_, &opened) == ERROR_SUCCESS) {
        key_ = opened;
        opened_ = true;
        return true;
    }
    if (accessMask_ == KEY_READ) return false;
    return Create(root, path);
}

bool CRegistry::Create(HKEY root, const std::wstring& path) {
    Close();
    key_ = root;
    path_ = path;
    HKEY created = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, accessMask_, nullptr, &created, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    key_ = created;
    opened_ = true;
    return true;
}

HKEY ResolveResultRoot(const std::wstring& rootName) {
    return _wcsicmp(rootName.c_str(), L"HKEY_LOCAL_MACHINE") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool WriteRegistryDecimal(const std::wstring& rootName, const std::wstring& keyPath,
                          const std::wstring& valueName, int number) {
    CRegistry registry(nullptr);
    if (!registry.Open(ResolveResultRoot(rootName), keyPath)) return false;
    wchar_t text[16] = {};
    swprintf(text, 16, L"%d", number);
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(registry.Key(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          bytes) == ERROR_SUCCESS;
}

bool WriteInstallResults(const std::wstring& hkey, const std::wstring& regpath, const std::wstring& regval,
                         const std::wstring& regvalupnp, const std::wstring& regvaldifx, bool success,
                         DWORD pnpError, DWORD difxError) {
    const bool pnpWritten = WriteRegistryDecimal(hkey, regpath, regvalupnp, static_cast<int>(pnpError));
    const bool difxWritten = WriteRegistryDecimal(hkey, regpath, regvaldifx, static_cast<int>(difxError));
    const bool reportSuccess = success && pnpWritten && difxWritten;
    const bool successWritten = WriteRegistryDecimal(hkey, regpath, regval, reportSuccess ? 1 : 0);
    return pnpWritten && difxWritten && successWritten;
}
