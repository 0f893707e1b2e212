#include "foundation/markup.h"

#include <cwchar>

#include "foundation/markup_text.h"

namespace {

bool IsWhiteSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }
bool IsDelimiter(wchar_t c) { return std::wcschr(L"<>=\\/?!,", c) != nullptr && c != 0; }

constexpr wchar_t kLineBreak[] = L"\r\n";

}  // namespace

CMarkup::CMarkup() { SetDoc(nullptr); }

void CMarkup::ResetIndex() {
    freePosition_ = 1;
    parentPosition_ = 0;
    position_ = 0;
    childPosition_ = 0;
    nodeType_ = 0;
    positions_[0] = ElemPos{};
}

bool CMarkup::SetDoc(const wchar_t* text) {
    document_ = text ? text : L"";
    const size_t wanted = document_.size() / 64 + 8;
    if (positions_.size() < wanted) positions_.resize(wanted);
    ResetIndex();
    if (!document_.empty()) {
        const int root = ParseElem(0, 0);
        if (root > 0) {
            positions_[0].firstChild = root;
            positions_[0].endLeft = 0;
            error_.clear();
            return true;
        }
    }
    ResetIndex();
    return false;
}

int CMarkup::TakeEntry() {
    const int index = freePosition_++;
    if (static_cast<size_t>(index) >= positions_.size()) {
        positions_.resize(positions_.size() + positions_.size() / 2 + 1);
    }
    positions_[index] = ElemPos{};
    return index;
}

bool CMarkup::NextToken(int& position, Token& token) const {
    const int length = static_cast<int>(document_.size());
    int i = position;
    while (i < length && IsWhiteSpace(document_[i])) ++i;
    if (i >= length) {
        position = length;
        return false;
    }
    token.start = i;
    token.quoted = false;
    const wchar_t first = document_[i];
    if (first == L'"' || first == L'\'') {
        token.quoted = true;
        const int close = FindChar(i + 1, first);
        token.end = close < 0 ? length : close + 1;
    } else if (IsDelimiter(first)) {
        token.end = i + 1;
    } else {
        int end = i;
        while (end < length && !IsWhiteSpace(document_[end]) && !IsDelimiter(document_[end])) ++end;
        token.end = end;
    }
    position = token.end;
    return true;
}

bool CMarkup::TokenEquals(const Token& token, std::wstring_view text) const {
    return std::wstring_view(document_).substr(static_cast<size_t>(token.start),
                                               static_cast<size_t>(token.end - token.start)) == text;
}

int CMarkup::FindChar(int from, wchar_t wanted) const {
    const size_t at = document_.find(wanted, static_cast<size_t>(from));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CMarkup::FindText(int from, const wchar_t* wanted) const {
    const size_t at = document_.find(wanted, static_cast<size_t>(from));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

// The offset just past a comment, processing instruction, CDATA section or
// declaration that starts at `lessThan`; -1 when it does not close.
int CMarkup::SkipNode(int lessThan) const {
    const std::wstring_view rest(document_.data() + lessThan, document_.size() - lessThan);
    const wchar_t* closer = nullptr;
    if (rest.starts_with(L"<?")) {
        closer = L"?>";
    } else if (rest.starts_with(L"<!-")) {
        closer = L"-->";
    } else if (rest.starts_with(L"<![")) {
        closer = L"]]>";
    }
    if (closer) {
        const int at = FindText(lessThan + 2, closer);
        return at < 0 ? -1 : at + static_cast<int>(std::wcslen(closer));
    }
    int depth = 0;
    for (size_t i = static_cast<size_t>(lessThan) + 2; i < document_.size(); ++i) {
        const wchar_t c = document_[i];
        if (c == L'[') {
            ++depth;
        } else if (c == L']') {
            if (depth > 0) --depth;
        } else if (c == L'>' && depth == 0) {
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

// The ">" that closes a start tag, skipping quoted attribute values; -1 when none.
int CMarkup::FindTagEnd(int from) const {
    for (size_t i = static_cast<size_t>(from); i < document_.size(); ++i) {
        const wchar_t c = document_[i];
        if (c == L'>') return static_cast<int>(i);
        if (c == L'"' || c == L'\'') {
            const size_t close = document_.find(c, i + 1);
            if (close == std::wstring::npos) return -1;
            i = close;
        }
    }
    return -1;
}

int CMarkup::ParseError(const wchar_t* message, const std::wstring& name) {
    std::wstring text = message;
    const size_t slot = text.find(L"%s");
    if (slot != std::wstring::npos) text.replace(slot, 2, name);
    error_ = text;
    --freePosition_;
    return -1;
}

int CMarkup::ParseElem(int parent, int depth) {
    const int index = TakeEntry();
    positions_[index].parent = parent;
    int scan = positions_[parent].endLeft;

    Token name;
    for (;;) {
        const int lessThan = FindChar(scan, L'<');
        if (lessThan < 0) {
            // Under an element this only means its children are over; the missing
            // end tag is reported for the element itself.
            if (parent != 0) {
                --freePosition_;
                return 0;
            }
            return ParseError(L"Element tag not found", L"");
        }
        positions_[index].startLeft = lessThan;
        positions_[parent].endLeft = lessThan;

        int tokenPosition = lessThan + 1;
        if (!NextToken(tokenPosition, name)) return ParseError(L"Abrupt end within tag", L"");
        if (name.quoted) return ParseError(L"Tag starts with quote", L"");

        const wchar_t kind = document_[lessThan + 1];
        if (kind == L'!' || kind == L'?') {
            const int after = SkipNode(lessThan);
            if (after < 0) return ParseError(L"Invalid node", L"");
            scan = after;
            positions_[parent].endLeft = after;
            continue;
        }
        if (kind == L'/') {
            // An end tag before any element leaves the document without a root;
            // say so instead of failing silently.
            if (parent == 0) return ParseError(L"Element tag not found", L"");
            --freePosition_;
            return 0;
        }
        break;
    }

    ElemPos& element = positions_[index];
    const std::wstring tagName = document_.substr(name.start, name.end - name.start);
    const int greaterThan = FindTagEnd(name.start);
    if (greaterThan < 0) return ParseError(L"End of tag not found", L"");
    element.startRight = greaterThan;
    if (document_[greaterThan - 1] == L'/') {
        element.endLeft = greaterThan - 1;
        element.endRight = greaterThan;
        return index;
    }
    if (depth >= kMaxDepth) return ParseError(L"Element %s nested too deeply", tagName);

    element.endLeft = greaterThan + 1;
    int previous = 0;
    for (;;) {
        const int child = ParseElem(index, depth + 1);
        if (child < 0) return -1;
        if (child == 0) break;
        if (previous == 0) {
            positions_[index].firstChild = child;
        } else {
            positions_[previous].nextSibling = child;
        }
        previous = child;
        positions_[index].endLeft = positions_[child].endRight + 1;
    }

    const int endTag = FindChar(positions_[index].endLeft, L'<');
    if (endTag < 0) return ParseError(L"End tag of %s element not found", tagName);
    int tokenPosition = endTag + 1;
    Token token;
    if (!NextToken(tokenPosition, token) || !TokenEquals(token, L"/")) {
        return ParseError(L"Expecting end tag of element %s", tagName);
    }
    if (!NextToken(tokenPosition, token) || token.quoted || !TokenEquals(token, tagName)) {
        return ParseError(L"End tag does not correspond to %s", tagName);
    }
    while (NextToken(tokenPosition, token)) {
        if (!token.quoted && TokenEquals(token, L">")) {
            positions_[index].endLeft = endTag;
            positions_[index].endRight = token.start;
            return index;
        }
    }
    return ParseError(L"End tag not completed for element %s", tagName);
}

bool CMarkup::FindElem() {
    const int candidate = position_ ? positions_[position_].nextSibling : positions_[parentPosition_].firstChild;
    if (candidate == 0) return false;
    position_ = candidate;
    parentPosition_ = positions_[candidate].parent;
    childPosition_ = 0;
    nodeType_ = 1;
    return true;
}

bool CMarkup::FindChildElem() {
    if (position_ == 0 && !FindElem()) return false;
    const int candidate =
        childPosition_ ? positions_[childPosition_].nextSibling : positions_[position_].firstChild;
    if (candidate == 0) return false;
    childPosition_ = candidate;
    position_ = positions_[candidate].parent;
    parentPosition_ = positions_[position_].parent;
    if (position_ != 0) nodeType_ = 1;
    return true;
}

bool CMarkup::IntoElem() {
    if (position_ == 0 || nodeType_ != 1) return false;
    parentPosition_ = position_;
    position_ = childPosition_;
    childPosition_ = 0;
    nodeType_ = position_ != 0 ? 1 : 0;
    return true;
}

bool CMarkup::OutOfElem() {
    if (parentPosition_ == 0) return false;
    childPosition_ = position_;
    position_ = parentPosition_;
    parentPosition_ = positions_[position_].parent;
    return true;
}

std::wstring CMarkup::NameOf(int index) const {
    if (index <= 0 || index >= freePosition_) return {};
    int position = positions_[index].startLeft + 1;
    Token token;
    if (!NextToken(position, token)) return {};
    return document_.substr(token.start, token.end - token.start);
}

std::wstring CMarkup::GetTagName() const { return NameOf(position_); }

std::wstring CMarkup::ElementText(int index) const {
    if (index <= 0 || index >= freePosition_) return {};
    const ElemPos& element = positions_[index];
    if (element.firstChild != 0 || element.startRight == element.endLeft + 1) return {};
    size_t content = static_cast<size_t>(element.startRight) + 1;
    const size_t contentEnd = static_cast<size_t>(element.endLeft);
    if (content >= contentEnd) return {};

    size_t first = content;
    while (first < contentEnd && IsWhiteSpace(document_[first])) ++first;
    static constexpr wchar_t kCdataOpen[] = L"<![CDATA[";
    constexpr size_t kOpenLength = 9;
    if (contentEnd - first >= 12 && document_.compare(first, kOpenLength, kCdataOpen) == 0) {
        const size_t close = document_.find(L"]]>", first + kOpenLength);
        if (close != std::wstring::npos && close + 3 <= contentEnd) {
            return document_.substr(first + kOpenLength, close - first - kOpenLength);
        }
    }
    return UnescapeMarkupText(document_.substr(content, contentEnd - content));
}

int CMarkup::LastChildOf(int parent) const {
    int child = positions_[parent].firstChild;
    if (child == 0) return 0;
    while (positions_[child].nextSibling != 0) child = positions_[child].nextSibling;
    return child;
}

void CMarkup::ShiftOffsets(int from, int delta, int except) {
    for (int i = 1; i < freePosition_; ++i) {
        if (i == except) continue;
        ElemPos& e = positions_[i];
        for (int* offset : {&e.startLeft, &e.startRight, &e.endLeft, &e.endRight}) {
            if (*offset >= from) *offset += delta;
        }
    }
}

bool CMarkup::AddElem(const std::wstring& rawName, const std::wstring& rawValue, bool asChild) {
    const std::wstring name = CleanMarkupText(rawName);
    if (IsRefusedMarkupText(name) || !IsUsableTagName(name)) return false;
    std::wstring value = CleanMarkupText(rawValue);
    if (IsRefusedMarkupText(value)) value.clear();

    int parent;
    int after;
    if (asChild) {
        if (position_ == 0) return false;
        parent = position_;
        after = childPosition_;
    } else {
        parent = parentPosition_;
        after = position_;
        if (parent == 0 && positions_[0].firstChild != 0) return false;
    }

    const std::wstring escaped = EscapeMarkupText(value);
    std::wstring text;
    if (!value.empty()) {
        text = L"<" + name + L">" + escaped + L"</" + name + L">" + kLineBreak;
    } else {
        text = L"<" + name + L"/>" + kLineBreak;
    }

    const int nameLength = static_cast<int>(name.size());
    int place;               // where the inserted text begins
    int elementStart;        // where the new element's "<" lands
    std::wstring insertion;  // what goes into the document at `place`
    int replaced = 0;        // characters of the document that the insertion replaces
    bool parentWasEmpty = false;
    const int documentLength = static_cast<int>(document_.size());

    if (after != 0) {
        place = positions_[after].endRight + 1;
        int next = place;
        while (next < documentLength && IsWhiteSpace(document_[next])) ++next;
        if (next == documentLength || document_[next] == L'<') place = next;
        insertion = text;
        elementStart = place;
    } else if (parent == 0) {
        place = documentLength;
        insertion = text;
        elementStart = place;
    } else if (positions_[parent].startRight == positions_[parent].endLeft + 1) {
        // "<p/>" becomes "<p>", a line break, the child's line and "</p>".
        parentWasEmpty = true;
        place = positions_[parent].endLeft;
        replaced = 1;
        insertion = std::wstring(L">") + kLineBreak + text + L"</" + NameOf(parent);
        elementStart = place + 3;
    } else if (positions_[parent].endLeft == positions_[parent].startRight + 1) {
        place = positions_[parent].startRight + 1;
        insertion = kLineBreak + text;
        elementStart = place + 2;
    } else {
        place = positions_[parent].endLeft;
        insertion = text;
        elementStart = place;
    }

    const int delta = static_cast<int>(insertion.size()) - replaced;
    document_.replace(static_cast<size_t>(place), static_cast<size_t>(replaced), insertion);
    if (parentWasEmpty) {
        ElemPos& p = positions_[parent];
        const std::wstring parentName = NameOf(parent);
        p.startRight = place;
        p.endLeft = elementStart + static_cast<int>(text.size());
        p.endRight = p.endLeft + static_cast<int>(parentName.size()) + 2;
        ShiftOffsets(place + 1, delta, parent);
    } else {
        ShiftOffsets(place, delta, 0);
    }

    const int index = TakeEntry();
    ElemPos& element = positions_[index];
    element.startLeft = elementStart;
    if (!value.empty()) {
        element.startRight = elementStart + nameLength + 1;
        element.endLeft = element.startRight + static_cast<int>(escaped.size()) + 1;
        element.endRight = element.endLeft + nameLength + 2;
    } else {
        element.startRight = elementStart + nameLength + 2;
        element.endLeft = element.startRight - 1;
        element.endRight = element.startRight;
    }
    element.parent = parent;

    if (after != 0) {
        element.nextSibling = positions_[after].nextSibling;
        positions_[after].nextSibling = index;
    } else if (const int last = LastChildOf(parent)) {
        positions_[last].nextSibling = index;
    } else {
        positions_[parent].firstChild = index;
    }

    if (asChild) {
        childPosition_ = index;
    } else {
        position_ = index;
        childPosition_ = 0;
    }
    nodeType_ = 1;
    return true;
}
