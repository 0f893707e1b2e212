#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads bytes written in the application framework's serialisation format (see
// ArchiveWriter). Every length is checked against the bytes that remain before
// anything is allocated or copied, so a truncated or crafted file fails cleanly.
// After the first failed read every further read fails too.
class ArchiveReader {
public:
    explicit ArchiveReader(std::string bytes) : bytes_(std::move(bytes)) {}

    // Reads the whole file; false when it cannot be opened or read.
    static bool LoadFile(const std::wstring& path, std::string& bytes);

    bool ReadByte(std::uint8_t& value);
    bool ReadUInt16(std::uint16_t& value);
    bool ReadUInt32(std::uint32_t& value);
    bool ReadUInt64(std::uint64_t& value);
    bool ReadCount(std::uint32_t& count);

    // Accepts UTF-16 strings and, as the framework does, 8-bit strings without the
    // UTF-16 marker (converted with the ANSI code page).
    bool ReadString(std::wstring& text);

    std::size_t Remaining() const { return failed_ ? 0 : bytes_.size() - position_; }
    bool Failed() const { return failed_; }

private:
    bool Take(std::size_t count, const char*& data);

    std::string bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};
