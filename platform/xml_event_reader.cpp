#include "platform/xml_event_reader.h"

namespace {

bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsAllowedXmlChar(unsigned long code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

}  // namespace

std::wstring XmlLocalName(const std::wstring& qualified) {
    const size_t colon = qualified.find(L':');
    return colon == std::wstring::npos ? qualified : qualified.substr(colon + 1);
}

XmlEventReader::Event XmlEventReader::Next() {
    if (pendingEnd_) {
        pendingEnd_ = false;
        return CloseElement();
    }
    for (;;) {
        if (pos_ >= text_.size()) {
            if (!stack_.empty()) return Fail("document ends inside an element");
            if (!sawRoot_) return Fail("no root element");
            return Event::Finished;
        }
        if (text_[pos_] != L'<') return ReadText();
        if (text_.compare(pos_, 4, L"<!--") == 0) {
            const size_t end = text_.find(L"-->", pos_ + 4);
            if (end == std::wstring::npos) return Fail("unterminated comment");
            pos_ = end + 3;
            continue;
        }
        if (text_.compare(pos_, 9, L"<![CDATA[") == 0) {
            if (stack_.empty()) return Fail("character data outside the root");
            const size_t end = text_.find(L"]]>", pos_ + 9);
            if (end == std::wstring::npos) return Fail("unterminated CDATA section");
            text = text_.substr(pos_ + 9, end - pos_ - 9);
            pos_ = end + 3;
            if (!CheckChars(text)) return Fail("forbidden character");
            return Event::Text;
        }
        if (text_.compare(pos_, 2, L"<!") == 0) return Fail("document type declarations are refused");
        if (text_.compare(pos_, 2, L"<?") == 0) {
            const size_t end = text_.find(L"?>", pos_ + 2);
            if (end == std::wstring::npos) return Fail("unterminated processing instruction");
            pos_ = end + 2;
            continue;
        }
        if (text_.compare(pos_, 2, L"</") == 0) return ReadEndTag();
        return ReadStartTag();
    }
}

XmlEventReader::Event XmlEventReader::Fail(const char* why) {
    error = why;
    return Event::Error;
}

bool XmlEventReader::CheckChars(const std::wstring& s) const {
    for (size_t i = 0; i < s.size(); ++i) {
        const wchar_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        if (!IsAllowedXmlChar(c)) return false;
    }
    return true;
}

bool XmlEventReader::DecodeInto(const std::wstring& raw, std::wstring& out) {
    out.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != L'&') {
            out += raw[i];
            continue;
        }
        const size_t semi = raw.find(L';', i);
        if (semi == std::wstring::npos || semi - i > 12) return false;
        const std::wstring entity = raw.substr(i + 1, semi - i - 1);
        if (entity == L"lt") out += L'<';
        else if (entity == L"gt") out += L'>';
        else if (entity == L"amp") out += L'&';
        else if (entity == L"quot") out += L'"';
        else if (entity == L"apos") out += L'\'';
        else if (entity.size() > 1 && entity[0] == L'#') {
            unsigned long code = 0;
            const bool hex = entity[1] == L'x';
            const size_t digitsStart = hex ? 2 : 1;
            if (digitsStart >= entity.size()) return false;
            for (size_t k = digitsStart; k < entity.size(); ++k) {
                const wchar_t c = entity[k];
                int digit;
                if (c >= L'0' && c <= L'9') digit = c - L'0';
                else if (hex && c >= L'a' && c <= L'f') digit = c - L'a' + 10;
                else if (hex && c >= L'A' && c <= L'F') digit = c - L'A' + 10;
                else return false;
                code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
                if (code > 0x10FFFF) return false;
            }
            if (!IsAllowedXmlChar(code)) return false;
            if (code >= 0x10000) {
                code -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (code >> 10));
                out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
            } else {
                out += static_cast<wchar_t>(code);
            }
        } else {
            return false;
        }
        i = semi;
    }
    return true;
}

XmlEventReader::Event XmlEventReader::ReadText() {
    const size_t end = text_.find(L'<', pos_);
    const std::wstring raw = text_.substr(pos_, end == std::wstring::npos ? std::wstring::npos : end - pos_);
    pos_ = end == std::wstring::npos ? text_.size() : end;
    if (stack_.empty()) {
        for (wchar_t c : raw) {
            if (!IsXmlSpace(c)) return Fail("text outside the root");
        }
        return Next();
    }
    if (!CheckChars(raw)) return Fail("forbidden character");
    // Line ends are normalised the way any XML reader does before decoding.
    std::wstring normalised;
    normalised.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == L'\r') {
            normalised += L'\n';
            if (i + 1 < raw.size() && raw[i + 1] == L'\n') ++i;
        } else {
            normalised += raw[i];
        }
    }
    if (!DecodeInto(normalised, text)) return Fail("unknown or malformed entity reference");
    return Event::Text;
}

bool XmlEventReader::ReadName(std::wstring& out) {
    const size_t start = pos_;
    while (pos_ < text_.size() && !IsXmlSpace(text_[pos_]) && text_[pos_] != L'>' && text_[pos_] != L'/' &&
           text_[pos_] != L'<' && text_[pos_] != L'=') {
        ++pos_;
    }
    out = text_.substr(start, pos_ - start);
    return !out.empty();
}

XmlEventReader::Event XmlEventReader::ReadStartTag() {
    if (sawRoot_ && stack_.empty()) return Fail("a second root element");
    ++pos_;
    if (!ReadName(name)) return Fail("malformed start tag");
    const size_t attrStart = pos_;
    wchar_t quote = 0;
    while (pos_ < text_.size()) {
        const wchar_t c = text_[pos_];
        if (quote) {
            if (c == quote) quote = 0;
            else if (c == L'<') return Fail("malformed attribute");
        } else if (c == L'"' || c == L'\'') {
            quote = c;
        } else if (c == L'>') {
            break;
        } else if (c == L'<') {
            return Fail("malformed start tag");
        }
        ++pos_;
    }
    if (pos_ >= text_.size()) return Fail("unterminated start tag");
    const bool selfClosing = pos_ > attrStart && text_[pos_ - 1] == L'/';
    attrs = text_.substr(attrStart, pos_ - attrStart - (selfClosing ? 1 : 0));
    ++pos_;
    sawRoot_ = true;
    stack_.push_back(name);
    pendingEnd_ = selfClosing;
    return Event::Start;
}

XmlEventReader::Event XmlEventReader::CloseElement() {
    name = stack_.back();
    stack_.pop_back();
    return Event::End;
}

XmlEventReader::Event XmlEventReader::ReadEndTag() {
    pos_ += 2;
    std::wstring endName;
    if (!ReadName(endName)) return Fail("malformed end tag");
    while (pos_ < text_.size() && IsXmlSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size() || text_[pos_] != L'>') return Fail("malformed end tag");
    ++pos_;
    if (stack_.empty() || stack_.back() != endName) return Fail("end tag does not match its start tag");
    return CloseElement();
}

