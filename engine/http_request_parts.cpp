#include "engine/http_request_parts.h"

#include <cwchar>

bool CrackUrl(const WinInetEntryPoints& inet, const std::wstring& url, CrackedUrl& out) {
    if (!inet.InternetCrackUrlW || url.empty()) return false;
    wchar_t scheme[32] = {}, host[256] = {}, path[2048] = {}, extra[2048] = {};
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = 32;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = 2048;
    if (!inet.InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
    out.scheme = parts.nScheme;
    out.host = host;
    out.port = parts.nPort;
    out.object = std::wstring(path) + extra;
    return true;
}

bool QueryStatus(const WinInetEntryPoints& inet, HINTERNET request, DWORD& status) {
    if (!inet.HttpQueryInfoW) return false;
    DWORD size = sizeof(status);
    return inet.HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) !=
           FALSE;
}

bool QueryText(const WinInetEntryPoints& inet, HINTERNET request, DWORD info, std::wstring& out) {
    if (!inet.HttpQueryInfoW) return false;
    wchar_t buffer[256] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (!inet.HttpQueryInfoW(request, info, buffer, &size, nullptr)) return false;
    out = buffer;
    return true;
}

bool ParseUnsigned(const std::wstring& text, std::int64_t& out) {
    if (text.empty() || text.size() > 18) return false;
    std::int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
    }
    out = value;
    return true;
}

// "bytes first-last/total": the first byte and, when stated, the total length.
bool ParseContentRange(const std::wstring& text, std::int64_t& first, std::int64_t& total) {
    std::wstring rest = text;
    const std::wstring unit = L"bytes ";
    if (rest.size() < unit.size() || _wcsnicmp(rest.c_str(), unit.c_str(), unit.size()) != 0) return false;
    rest = rest.substr(unit.size());
    const std::size_t dash = rest.find(L'-');
    const std::size_t slash = rest.find(L'/');
    if (dash == std::wstring::npos || slash == std::wstring::npos || slash < dash) return false;
    std::int64_t last = 0;
    if (!ParseUnsigned(rest.substr(0, dash), first) || !ParseUnsigned(rest.substr(dash + 1, slash - dash - 1), last) ||
        last < first)
        return false;
    const std::wstring totalText = rest.substr(slash + 1);
    total = -1;
    return totalText == L"*" || ParseUnsigned(totalText, total);
}
