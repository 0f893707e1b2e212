#pragma once

#include <cstdint>
#include <string>

// Builds bytes in the application framework's serialisation format: little-endian
// numbers, variable-width counts, and length-prefixed UTF-16 strings. The bytes are
// kept in memory and written out in one go, so a failed save never leaves half a
// file behind (SaveToFile replaces the target only once everything is on disk).
class ArchiveWriter {
public:
    void WriteByte(std::uint8_t value);
    void WriteUInt16(std::uint16_t value);
    void WriteUInt32(std::uint32_t value);
    void WriteUInt64(std::uint64_t value);

    // 16 bits below 0xFFFF; otherwise the marker 0xFFFF and 32 bits.
    void WriteCount(std::uint32_t count);

    // 0xFF, the UTF-16 marker 0xFFFE, the length in characters (8, 16 or 32 bits
    // behind 0xFF escapes), then the characters without terminator.
    void WriteString(const std::wstring& text);

    const std::string& Bytes() const { return bytes_; }

    bool SaveToFile(const std::wstring& path) const;

private:
    std::string bytes_;
};
