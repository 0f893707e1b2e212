#include "foundation/split_string.h"

SplitString::SplitString(const std::wstring& text, const std::wstring& separator) {
    if (separator.size() != 1) {
        pieces_.emplace_back();
        return;
    }
    std::wstring current;
    for (wchar_t c : text) {
        if (c == separator[0]) {
            pieces_.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    pieces_.push_back(std::move(current));
}

std::wstring SplitString::GetAt(int index) const {
    if (index < 0 || index >= GetCount()) return {};
    return pieces_[static_cast<size_t>(index)];
}
