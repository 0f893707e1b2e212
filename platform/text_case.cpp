#include "scan/text_case.h"

#include <windows.h>

std::wstring LowerInvariant(const std::wstring& text) {
    if (text.empty()) return text;
    std::wstring lowered(text.size(), L'\0');
    const int written = LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, text.data(), static_cast<int>(text.size()),
                                     lowered.data(), static_cast<int>(lowered.size()));
    if (written <= 0) {
        // Only ASCII is folded here, which is what device ids are made of.
        lowered = text;
        for (wchar_t& c : lowered) {
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        return lowered;
    }
    lowered.resize(static_cast<size_t>(written));
    return lowered;
}

bool EqualsIgnoringCase(const std::wstring& left, const std::wstring& right) {
    return left.size() == right.size() && LowerInvariant(left) == LowerInvariant(right);
}
