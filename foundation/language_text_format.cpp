#include "foundation/language_text_format.h"

std::wstring FormatTextWithOneString(const std::wstring& format, const std::wstring& argument) {
    std::wstring text;
    text.reserve(format.size() + argument.size());
    bool filled = false;
    for (size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (c != L'%' || i + 1 >= format.size()) {
            text.push_back(c);
            continue;
        }
        const wchar_t next = format[i + 1];
        if (next == L'%') {
            text.push_back(L'%');
            ++i;
        } else if (!filled && next == L's') {
            text += argument;
            filled = true;
            ++i;
        } else if (!filled && next == L'l' && i + 2 < format.size() && format[i + 2] == L's') {
            text += argument;
            filled = true;
            i += 2;
        } else {
            text.push_back(c);
        }
    }
    return text;
}
