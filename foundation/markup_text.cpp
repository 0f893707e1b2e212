#include "foundation/markup_text.h"

#include <cstdint>
#include <cwchar>

namespace {

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool IsAllowedCodePoint(uint32_t code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

void AppendCodePoint(std::wstring& out, uint32_t code) {
    if (code < 0x10000) {
        out.push_back(static_cast<wchar_t>(code));
    } else {
        code -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    }
}

// Reads "&#NNN;" or "&#xHHH;" at `at`; the length of the reference, or 0 when it is
// not a reference to an allowed character.
size_t ReadCharacterReference(const std::wstring& text, size_t at, uint32_t& code) {
    size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == L'x');
    if (hex) ++i;
    const size_t digitsStart = i;
    uint32_t value = 0;
    while (i < text.size() && i - digitsStart < 8) {
        const wchar_t c = text[i];
        int digit;
        if (c >= L'0' && c <= L'9') {
            digit = c - L'0';
        } else if (hex && c >= L'a' && c <= L'f') {
            digit = c - L'a' + 10;
        } else if (hex && c >= L'A' && c <= L'F') {
            digit = c - L'A' + 10;
        } else {
            break;
        }
        value = value * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
        ++i;
    }
    if (i == digitsStart || i >= text.size() || text[i] != L';' || !IsAllowedCodePoint(value)) return 0;
    code = value;
    return i + 1 - at;
}

}  // namespace

std::wstring CleanMarkupText(const std::wstring& text) {
    std::wstring cleaned;
    cleaned.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t unit = text[i];
        if (IsHighSurrogate(unit)) {
            if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
                cleaned.push_back(unit);
                cleaned.push_back(text[++i]);
            }
            continue;
        }
        if (IsAllowedCodePoint(unit)) cleaned.push_back(unit);
    }
    return cleaned;
}

bool IsRefusedMarkupText(const std::wstring& cleaned) { return cleaned.find(L'\x7F') != std::wstring::npos; }

bool IsUsableTagName(const std::wstring& name) {
    return !name.empty() && name.find_first_of(L" \t\r\n<>=\\/?!,&\"'") == std::wstring::npos;
}

std::wstring EscapeMarkupText(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
            case L'<': escaped += L"&lt;"; break;
            case L'&': escaped += L"&amp;"; break;
            case L'>': escaped += L"&gt;"; break;
            default: escaped.push_back(c);
        }
    }
    return escaped;
}

std::wstring UnescapeMarkupText(const std::wstring& text) {
    static const struct {
        const wchar_t* entity;  // after the "&"
        wchar_t character;
    } kEntities[] = {{L"lt;", L'<'}, {L"amp;", L'&'}, {L"gt;", L'>'}, {L"apos;", L'\''}, {L"quot;", L'"'}};

    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'&') {
            out.push_back(text[i]);
            continue;
        }
        bool replaced = false;
        for (const auto& e : kEntities) {
            const size_t length = std::wcslen(e.entity);
            if (text.compare(i + 1, length, e.entity) == 0) {
                out.push_back(e.character);
                i += length;
                replaced = true;
                break;
            }
        }
        if (!replaced && i + 1 < text.size() && text[i + 1] == L'#') {
            uint32_t code = 0;
            if (const size_t length = ReadCharacterReference(text, i, code)) {
                AppendCodePoint(out, code);
                i += length - 1;
                replaced = true;
            }
        }
        if (!replaced) out.push_back(L'&');
    }
    return out;
}
