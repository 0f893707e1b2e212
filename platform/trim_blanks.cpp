#include "platform/trim_blanks.h"

std::wstring TrimBlanks(const std::wstring& text) {
    static constexpr wchar_t kBlanks[] = L" \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring::npos) return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}
