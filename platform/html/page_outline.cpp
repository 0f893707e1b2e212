#include "platform/html/page_outline.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace {

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

bool IsVoidElement(const std::wstring& tag) {
    static const wchar_t* const kVoid[] = {L"area", L"base", L"br", L"col", L"embed", L"hr", L"img", L"input",
                                           L"link", L"meta", L"param", L"source", L"track", L"wbr", L"!doctype"};
    return std::any_of(std::begin(kVoid), std::end(kVoid), [&](const wchar_t* name) { return tag == name; });
}

// The attributes of one start tag, names in lower case.
std::map<std::wstring, std::wstring> ReadAttributes(const std::wstring& tag, size_t position, size_t end) {
    std::map<std::wstring, std::wstring> attributes;
    while (position < end) {
        while (position < end && (std::iswspace(tag[position]) || tag[position] == L'/')) ++position;
        const size_t nameStart = position;
        while (position < end && !std::iswspace(tag[position]) && tag[position] != L'=' && tag[position] != L'/') {
            ++position;
        }
        if (position == nameStart) break;
        const std::wstring name = Lower(tag.substr(nameStart, position - nameStart));
        while (position < end && std::iswspace(tag[position])) ++position;
        std::wstring value;
        if (position < end && tag[position] == L'=') {
            ++position;
            while (position < end && std::iswspace(tag[position])) ++position;
            if (position < end && (tag[position] == L'"' || tag[position] == L'\'')) {
                const wchar_t quote = tag[position++];
                const size_t close = tag.find(quote, position);
                const size_t valueEnd = close == std::wstring::npos || close > end ? end : close;
                value = tag.substr(position, valueEnd - position);
                position = valueEnd + 1;
            } else {
                const size_t valueStart = position;
                while (position < end && !std::iswspace(tag[position])) ++position;
                value = tag.substr(valueStart, position - valueStart);
            }
        }
        attributes.emplace(name, value);
    }
    return attributes;
}

bool HidesItself(const std::wstring& style) {
    std::wstring compact;
    for (wchar_t c : Lower(style)) {
        if (!std::iswspace(c)) compact.push_back(c);
    }
    return compact.find(L"display:none") != std::wstring::npos;
}

bool IsTextEditElement(const std::wstring& tag, const std::map<std::wstring, std::wstring>& attributes) {
    if (tag == L"textarea") return true;
    if (tag != L"input") return false;
    const auto type = attributes.find(L"type");
    const std::wstring kind = type == attributes.end() ? L"text" : Lower(type->second);
    return kind == L"text" || kind == L"password" || kind == L"email" || kind == L"search";
}

std::wstring TextUntilNextTag(const std::wstring& markup, size_t position) {
    const size_t next = markup.find(L'<', position);
    std::wstring text = markup.substr(position, next == std::wstring::npos ? std::wstring::npos : next - position);
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return std::wstring();
    const size_t last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

PageOutline ReadPageOutline(const std::wstring& markup) {
    PageOutline outline;
    std::vector<int> open;  // indexes of the elements not yet closed
    size_t position = 0;
    while ((position = markup.find(L'<', position)) != std::wstring::npos) {
        if (markup.compare(position, 4, L"<!--") == 0) {
            const size_t close = markup.find(L"-->", position + 4);
            if (close == std::wstring::npos) break;
            position = close + 3;
            continue;
        }
        const size_t tagEnd = markup.find(L'>', position);
        if (tagEnd == std::wstring::npos) break;
        if (markup[position + 1] == L'/') {
            size_t nameEnd = position + 2;
            while (nameEnd < tagEnd && !std::iswspace(markup[nameEnd])) ++nameEnd;
            const std::wstring tag = Lower(markup.substr(position + 2, nameEnd - position - 2));
            const auto match = std::find_if(open.rbegin(), open.rend(),
                                            [&](int index) { return outline.elements[index].tagName == tag; });
            if (match != open.rend()) open.erase(std::next(match).base(), open.end());
            position = tagEnd + 1;
            continue;
        }
        size_t nameEnd = position + 1;
        while (nameEnd < tagEnd && !std::iswspace(markup[nameEnd]) && markup[nameEnd] != L'/') ++nameEnd;
        const std::wstring tag = Lower(markup.substr(position + 1, nameEnd - position - 1));
        const auto attributes = ReadAttributes(markup, nameEnd, tagEnd);
        const bool selfClosing = markup[tagEnd - 1] == L'/';

        if (tag == L"script") {
            const size_t close = Lower(markup.substr(tagEnd + 1)).find(L"</script");
            const size_t bodyEnd = close == std::wstring::npos ? markup.size() : tagEnd + 1 + close;
            const auto source = attributes.find(L"src");
            outline.scripts.push_back({source == attributes.end() ? std::wstring() : source->second,
                                       source == attributes.end() ? markup.substr(tagEnd + 1, bodyEnd - tagEnd - 1)
                                                                  : std::wstring()});
            const size_t after = markup.find(L'>', bodyEnd);
            position = after == std::wstring::npos ? markup.size() : after + 1;
            continue;
        }

        OutlineElement element;
        element.tagName = tag;
        const auto id = attributes.find(L"id");
        if (id != attributes.end()) element.id = id->second;
        if (const auto found = attributes.find(L"class"); found != attributes.end()) element.className = found->second;
        if (const auto found = attributes.find(L"name"); found != attributes.end()) element.name = found->second;
        const auto style = attributes.find(L"style");
        element.hidden = style != attributes.end() && HidesItself(style->second);
        element.isTextEdit = IsTextEditElement(tag, attributes);
        element.text = TextUntilNextTag(markup, tagEnd + 1);
        element.parent = open.empty() ? -1 : open.back();
        outline.elements.push_back(std::move(element));
        if (!selfClosing && !IsVoidElement(tag)) open.push_back(static_cast<int>(outline.elements.size() - 1));
        position = tagEnd + 1;
    }
    return outline;
}
