#include "platform/http_address.h"

#include "platform/text_case.h"

#include <cwctype>

namespace {

std::wstring Trimmed(const std::wstring& text) {
    size_t first = 0, last = text.size();
    while (first < last && std::iswspace(text[first])) ++first;
    while (last > first && std::iswspace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool ParsePort(const std::wstring& digits, unsigned short& port) {
    if (digits.empty() || digits.size() > 5) return false;
    unsigned long value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
    }
    if (value == 0 || value > 65535) return false;
    port = static_cast<unsigned short>(value);
    return true;
}

bool IsHostText(const std::wstring& host) {
    if (host.empty() || host.size() > 253) return false;
    for (wchar_t c : host) {
        if (!(std::iswalnum(c) || c == L'-' || c == L'.' || c == L'_')) return false;
    }
    return true;
}

}  // namespace

bool ParseHttpAddress(const std::wstring& input, HttpAddress& out) {
    const std::wstring text = Trimmed(input);
    const size_t schemeEnd = text.find(L"://");
    if (schemeEnd == std::wstring::npos) return false;
    HttpAddress address;
    const std::wstring scheme = text.substr(0, schemeEnd);
    if (EqualsIgnoringCase(scheme, L"http")) {
        address.port = 80;
    } else if (EqualsIgnoringCase(scheme, L"https")) {
        address.secure = true;
        address.port = 443;
    } else {
        return false;
    }
    const size_t authorityStart = schemeEnd + 3;
    const size_t pathStart = text.find_first_of(L"/?", authorityStart);
    const std::wstring authority =
        text.substr(authorityStart, pathStart == std::wstring::npos ? std::wstring::npos : pathStart - authorityStart);
    const size_t colon = authority.find(L':');
    address.host = authority.substr(0, colon);
    if (!IsHostText(address.host)) return false;
    if (colon != std::wstring::npos && !ParsePort(authority.substr(colon + 1), address.port)) return false;
    address.pathAndQuery = pathStart == std::wstring::npos ? L"/" : text.substr(pathStart);
    if (address.pathAndQuery[0] == L'?') address.pathAndQuery.insert(0, L"/");
    for (wchar_t c : address.pathAndQuery) {
        if (c <= L' ' || c == 0x7F) return false;
    }
    out = address;
    return true;
}

bool ParseProxyHostPort(const std::wstring& input, std::wstring& host, unsigned short& port) {
    const std::wstring text = Trimmed(input);
    const size_t colon = text.rfind(L':');
    if (colon == std::wstring::npos) return false;
    std::wstring name = text.substr(0, colon);
    unsigned short number = 0;
    if (!IsHostText(name) || !ParsePort(text.substr(colon + 1), number)) return false;
    host = name;
    port = number;
    return true;
}
