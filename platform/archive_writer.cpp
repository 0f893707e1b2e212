#include "platform/archive_writer.h"

#include "platform/file_replace.h"

void ArchiveWriter::WriteByte(std::uint8_t value) {
    bytes_.push_back(static_cast<char>(value));
}

void ArchiveWriter::WriteUInt16(std::uint16_t value) {
    WriteByte(static_cast<std::uint8_t>(value & 0xFF));
    WriteByte(static_cast<std::uint8_t>(value >> 8));
}

void ArchiveWriter::WriteUInt32(std::uint32_t value) {
    WriteUInt16(static_cast<std::uint16_t>(value & 0xFFFF));
    WriteUInt16(static_cast<std::uint16_t>(value >> 16));
}

void ArchiveWriter::WriteUInt64(std::uint64_t value) {
    WriteUInt32(static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
    WriteUInt32(static_cast<std::uint32_t>(value >> 32));
}

void ArchiveWriter::WriteCount(std::uint32_t count) {
    if (count < 0xFFFF) {
        WriteUInt16(static_cast<std::uint16_t>(count));
        return;
    }
    WriteUInt16(0xFFFF);
    WriteUInt32(count);
}

void ArchiveWriter::WriteString(const std::wstring& text) {
    const std::size_t length = text.size();
    WriteByte(0xFF);
    WriteUInt16(0xFFFE);
    if (length < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else {
        WriteByte(0xFF);
        if (length < 0xFFFE) {
            WriteUInt16(static_cast<std::uint16_t>(length));
        } else {
            WriteUInt16(0xFFFF);
            WriteUInt32(static_cast<std::uint32_t>(length));
        }
    }
    for (wchar_t ch : text) WriteUInt16(static_cast<std::uint16_t>(ch));
}

bool ArchiveWriter::SaveToFile(const std::wstring& path) const {
    return ReplaceFileContents(path, bytes_);
}
