#pragma once

#include <cstdint>
#include <string>

// Building blocks for golden bytes worked out by hand from a file layout.

inline std::string LittleEndian32(std::uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    return bytes;
}

// A text as its 16-bit unit count followed by the UTF-16LE units.
inline std::string CountedUtf16(const std::wstring& text) {
    std::string bytes;
    bytes.push_back(static_cast<char>(text.size() & 0xFF));
    bytes.push_back(static_cast<char>((text.size() >> 8) & 0xFF));
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    return bytes;
}
