#include "foundation/text_helpers.h"

#include "platform/text_case.h"

#include <shlwapi.h>

#include <cwctype>
#include <new>

void MakeLowerInPlace(std::wstring& text) { text = LowerInvariant(text); }

void MakeUpperString(std::wstring& text) { text = UpperInvariant(text); }

void TrimString(std::wstring& text) {
    size_t end = text.size();
    while (end > 0 && std::iswspace(text[end - 1])) --end;
    size_t begin = 0;
    while (begin < end && std::iswspace(text[begin])) ++begin;
    text = text.substr(begin, end - begin);
}

std::wstring GetMidString(const std::wstring& text, int position) {
    if (position < 0) position = 0;
    if (static_cast<size_t>(position) >= text.size()) return {};
    return text.substr(static_cast<size_t>(position));
}

int ReplaceChar(std::wstring& text, wchar_t from, wchar_t to) {
    if (from == to) return 0;
    int count = 0;
    for (wchar_t& c : text) {
        if (c == from) {
            c = to;
            ++count;
        }
    }
    return count;
}

bool IsStringEqual(const std::wstring& left, const std::wstring& right) { return left == right; }

bool IsStringEqualLiteral(const std::wstring& left, const wchar_t* right) {
    return right != nullptr && left == right;
}

BSTR CStringToBstr(const std::wstring& text) {
    BSTR result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (result == nullptr) throw std::bad_alloc();
    return result;
}

void RemoveFileSpec(std::wstring& path) {
    std::wstring buffer = path;
    buffer.push_back(L'\0');
    PathRemoveFileSpecW(buffer.data());
    path = buffer.c_str();
}

std::wstring CStringFromWide(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

char* WideToNarrow(const wchar_t* text, UINT codePage, char* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) return nullptr;
    buffer[0] = '\0';
    if (text == nullptr) return nullptr;
    if (WideCharToMultiByte(codePage, 0, text, -1, buffer, bufferSize, nullptr, nullptr) == 0) {
        buffer[0] = '\0';
        return nullptr;
    }
    return buffer;
}

std::wstring LoadResourceString(UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || text == nullptr) return {};
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring BufferToString(const BYTE* bytes, size_t byteCount) {
    std::wstring text;
    if (bytes == nullptr) return text;
    for (size_t i = 0; i + 1 < byteCount; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

std::vector<BYTE> StringToBuffer(const std::wstring& text) {
    std::wstring trimmed = text;
    TrimString(trimmed);
    if (trimmed.empty()) return std::vector<BYTE>(2, 0);
    std::vector<BYTE> bytes;
    bytes.reserve(trimmed.size() * 2);
    for (wchar_t unit : trimmed) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}
