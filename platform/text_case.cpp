#include "platform/text_case.h"

#include <windows.h>

namespace {

std::wstring MapInvariant(std::wstring_view text, DWORD mapping) {
    if (text.empty()) return std::wstring();
    std::wstring mapped(text.size(), L'\0');
    const int written = LCMapStringW(LOCALE_INVARIANT, mapping, text.data(), static_cast<int>(text.size()),
                                     mapped.data(), static_cast<int>(mapped.size()));
    if (written > 0) {
        mapped.resize(static_cast<size_t>(written));
        return mapped;
    }
    // Only ASCII is changed here, which is what ids and switches are made of.
    mapped.assign(text);
    const bool lower = mapping == LCMAP_LOWERCASE;
    for (wchar_t& c : mapped) {
        if (lower && c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (!lower && c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return mapped;
}

}  // namespace

std::wstring LowerInvariant(std::wstring_view text) { return MapInvariant(text, LCMAP_LOWERCASE); }

std::wstring UpperInvariant(std::wstring_view text) { return MapInvariant(text, LCMAP_UPPERCASE); }

bool EqualsIgnoringCase(std::wstring_view left, std::wstring_view right) {
    return left.size() == right.size() && LowerInvariant(left) == LowerInvariant(right);
}

bool StartsWithIgnoringCase(std::wstring_view text, size_t at, std::wstring_view prefix) {
    if (at > text.size() || text.size() - at < prefix.size()) return false;
    return EqualsIgnoringCase(text.substr(at, prefix.size()), prefix);
}
