#include "platform/html/page_address_policy.h"

#include <cwctype>
#include <string_view>

namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Lower case, escapes decoded and both slashes as one separator, so that the
// spellings the browser may use for the same file compare equal.
std::wstring Canonical(std::wstring_view text) {
    std::wstring result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            c = static_cast<wchar_t>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        }
        if (c == L'/') c = L'\\';
        result.push_back(static_cast<wchar_t>(std::towlower(c)));
    }
    return result;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
    }
    return true;
}

}  // namespace

bool IsOwnPageAddress(const std::wstring& address, const std::wstring& modulePath) {
    if (Canonical(address) == L"about:blank") return true;
    constexpr std::wstring_view scheme = L"res://";
    if (modulePath.empty() || !StartsWithNoCase(address, scheme)) return false;
    const std::wstring rest = Canonical(std::wstring_view(address).substr(scheme.size()));
    const std::wstring module = Canonical(modulePath) + L"\\";
    return rest.size() > module.size() && rest.compare(0, module.size(), module) == 0;
}

NavigationAction DecideNavigation(const std::wstring& address, const std::wstring& modulePath) {
    if (IsOwnPageAddress(address, modulePath)) return NavigationAction::Allow;
    if (StartsWithNoCase(address, L"http://") || StartsWithNoCase(address, L"https://")) {
        return NavigationAction::CancelAndOpenInBrowser;
    }
    return NavigationAction::Cancel;
}

std::wstring PageResourceAddress(const std::wstring& modulePath, UINT resourceId) {
    return L"res://" + modulePath + L"/" + std::to_wstring(resourceId);
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
