#include "platform/archive_reader.h"

#include <windows.h>

#include "platform/file_replace.h"

bool ArchiveReader::LoadFile(const std::wstring& path, std::string& bytes) {
    return ReadWholeFile(path, bytes);
}

bool ArchiveReader::Take(std::size_t count, const char*& data) {
    if (failed_ || count > bytes_.size() - position_) {
        failed_ = true;
        return false;
    }
    data = bytes_.data() + position_;
    position_ += count;
    return true;
}

bool ArchiveReader::ReadByte(std::uint8_t& value) {
    const char* data = nullptr;
    if (!Take(1, data)) return false;
    value = static_cast<std::uint8_t>(data[0]);
    return true;
}

bool ArchiveReader::ReadUInt16(std::uint16_t& value) {
    const char* data = nullptr;
    if (!Take(2, data)) return false;
    value = static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[0]) |
                                       (static_cast<std::uint8_t>(data[1]) << 8));
    return true;
}

bool ArchiveReader::ReadUInt32(std::uint32_t& value) {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    if (!ReadUInt16(low) || !ReadUInt16(high)) return false;
    value = static_cast<std::uint32_t>(low) | (static_cast<std::uint32_t>(high) << 16);
    return true;
}

bool ArchiveReader::ReadUInt64(std::uint64_t& value) {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    if (!ReadUInt32(low) || !ReadUInt32(high)) return false;
    value = static_cast<std::uint64_t>(low) | (static_cast<std::uint64_t>(high) << 32);
    return true;
}

bool ArchiveReader::ReadCount(std::uint32_t& count) {
    std::uint16_t shortCount = 0;
    if (!ReadUInt16(shortCount)) return false;
    if (shortCount != 0xFFFF) {
        count = shortCount;
        return true;
    }
    return ReadUInt32(count);
}

bool ArchiveReader::ReadString(std::wstring& text) {
    bool wide = false;
    std::uint32_t length = 0;
    std::uint8_t shortLength = 0;
    if (!ReadByte(shortLength)) return false;
    length = shortLength;
    if (shortLength == 0xFF) {
        std::uint16_t midLength = 0;
        if (!ReadUInt16(midLength)) return false;
        if (midLength == 0xFFFE) {
            wide = true;
            if (!ReadByte(shortLength)) return false;
            length = shortLength;
            if (shortLength == 0xFF && !ReadUInt16(midLength)) return false;
        }
        if (shortLength == 0xFF) {
            length = midLength;
            if (midLength == 0xFFFF) {
                if (!ReadUInt32(length)) return false;
                // A 64-bit length would follow; no string of ours is that long.
                if (length == 0xFFFFFFFFu) {
                    failed_ = true;
                    return false;
                }
            }
        }
    }

    const std::size_t charSize = wide ? 2 : 1;
    if (length > Remaining() / charSize) {
        failed_ = true;
        return false;
    }
    const char* data = nullptr;
    Take(length * charSize, data);
    if (wide) {
        text.resize(length);
        for (std::uint32_t i = 0; i < length; ++i) {
            text[i] = static_cast<wchar_t>(static_cast<std::uint8_t>(data[2 * i]) |
                                           (static_cast<std::uint8_t>(data[2 * i + 1]) << 8));
        }
        return true;
    }
    text.clear();
    if (length == 0) return true;
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(length), nullptr, 0);
    text.resize(static_cast<std::size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(length), text.data(), wideLength);
    return true;
}
