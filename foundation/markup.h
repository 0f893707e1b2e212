#pragma once

#include <string>
#include <string_view>
#include <vector>

// One small XML document held as a single UTF-16 text plus an index of its
// elements, navigated forward and appended to element by element. No namespaces,
// no attribute access, no validation; comments, processing instructions, CDATA and
// a document type declaration are only skipped. Text from the network goes through
// here, so every input ends in a parse or an error: no crash, no unbounded
// recursion, no loop that does not advance.
class CMarkup {
public:
    // Character offsets into the document of one element.
    struct ElemPos {
        int startLeft = 0;    // "<" of the start tag
        int startRight = 0;   // ">" of the start tag
        int endLeft = 0;      // "<" of the end tag; "/" of an empty element; scan position while parsing
        int endRight = 0;     // ">" of the end tag; equal to startRight for an empty element
        int reserved = 0;
        int parent = 0;       // 0 = top level
        int firstChild = 0;   // for entry 0: the root element
        int nextSibling = 0;
    };

    // Elements nested deeper than this are refused rather than parsed.
    static constexpr int kMaxDepth = 256;

    CMarkup();
    virtual ~CMarkup() = default;

    // Replaces the document and parses it; true when a root element was parsed. On a
    // parse error the document keeps the given text, the index is empty and
    // GetError() names the fault.
    bool SetDoc(const wchar_t* text);
    bool SetDoc(const std::wstring& text) { return SetDoc(text.c_str()); }
    std::wstring GetDoc() const { return document_; }
    const std::wstring& GetError() const { return error_; }

    bool FindElem();
    bool FindChildElem();
    bool IntoElem();
    bool OutOfElem();

    std::wstring GetTagName() const;
    std::wstring GetData() const { return ElementText(position_); }
    std::wstring GetChildData() const { return ElementText(childPosition_); }

    // Appends an element after the current element, or with asChild after the current
    // child of the current element, on a line of its own ended by CR LF.
    bool AddElem(const std::wstring& name, const std::wstring& value = L"", bool asChild = false);
    bool AddChildElem(const std::wstring& name, const std::wstring& value = L"") {
        return AddElem(name, value, true);
    }

private:
    struct Token {
        int start = 0;
        int end = 0;  // one past the last character
        bool quoted = false;
    };

    void ResetIndex();
    int TakeEntry();
    bool NextToken(int& position, Token& token) const;
    bool TokenEquals(const Token& token, std::wstring_view text) const;
    int FindChar(int from, wchar_t wanted) const;
    int FindText(int from, const wchar_t* wanted) const;
    int SkipNode(int lessThan) const;
    int FindTagEnd(int from) const;
    int ParseElem(int parent, int depth);
    int ParseError(const wchar_t* message, const std::wstring& name);

    std::wstring ElementText(int index) const;
    std::wstring NameOf(int index) const;
    int LastChildOf(int parent) const;
    void ShiftOffsets(int from, int delta, int except);

    std::wstring document_;
    std::wstring error_;
    std::vector<ElemPos> positions_;
    int parentPosition_ = 0;
    int position_ = 0;
    int childPosition_ = 0;
    int freePosition_ = 1;
    int nodeType_ = 0;
};
