#pragma once

#include <string>
#include <vector>

// A pull reader over the well-formed subset of XML that our peers exchange: elements,
// text with the five entities and numeric references, CDATA, comments and
// processing instructions. A document type declaration is refused, so no entity
// can be defined by the sender; every character must be one XML 1.0 allows.
class XmlEventReader {
public:
    enum class Event { Start, End, Text, Finished, Error };

    explicit XmlEventReader(const std::wstring& text) : text_(text) {}

    Event Next();

    std::wstring name;   // of the element just started or ended, as written
    std::wstring text;   // of a Text event, decoded
    std::wstring attrs;  // raw attribute text of a start tag
    std::string error;

private:
    Event Fail(const char* why);
    bool CheckChars(const std::wstring& s) const;
    bool DecodeInto(const std::wstring& raw, std::wstring& out);
    Event ReadText();
    bool ReadName(std::wstring& out);
    Event ReadStartTag();
    Event CloseElement();
    Event ReadEndTag();

    const std::wstring& text_;
    size_t pos_ = 0;
    std::vector<std::wstring> stack_;
    bool sawRoot_ = false;
    bool pendingEnd_ = false;
};

// The name without its namespace prefix.
std::wstring XmlLocalName(const std::wstring& qualified);
