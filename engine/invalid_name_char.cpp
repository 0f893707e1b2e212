#include "engine/invalid_name_char.h"

#include <algorithm>

std::wstring RemoveFirstInvalidNameChar(std::wstring text) {
    for (const wchar_t invalid : std::wstring(L"\\/:*?<>|")) {
        if (text.find(invalid) != std::wstring::npos) {
            text.erase(std::remove(text.begin(), text.end(), invalid), text.end());
            break;
        }
    }
    return text;
}
