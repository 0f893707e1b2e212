#pragma once

#include <string>
#include <vector>

// A text split at a one-character separator. A trailing separator gives a last,
// empty piece; an empty text gives one empty piece; a separator that is not
// exactly one character gives one empty piece.
class SplitString {
public:
    SplitString(const std::wstring& text, const std::wstring& separator);

    int Result() const { return 0; }
    int GetCount() const { return static_cast<int>(pieces_.size()); }
    // Empty outside 0 .. count - 1.
    std::wstring GetAt(int index) const;
    const std::vector<std::wstring>& Pieces() const { return pieces_; }

private:
    std::vector<std::wstring> pieces_;
};
