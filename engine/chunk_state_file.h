#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The resume file of a download: one "[Thread NN]" section per unfinished range
// and a "[Global]" section, UTF-16 little-endian text with a byte-order mark so
// that the system's INI reader can read it back.
struct ChunkRange {
    std::int32_t start = 0;
    std::int32_t length = 0;
};

struct ChunkState {
    std::vector<ChunkRange> ranges;  // in section-name order
    std::int32_t totalDownloaded = 0;
    std::wstring setupHash;
};

// "<file name>_chunks.txt". The dots stay, so that "a.b.zip" and "ab.zip" do not
// share one resume file.
std::wstring FormatChunkFileName(const std::wstring& fileName);
std::wstring FormatThreadSection(int index, std::int32_t position, std::int32_t remaining);
std::wstring FormatGlobalSection(std::int32_t totalDownloaded, const std::wstring& setupHash);

// Appends the text in full; a new file starts with the byte-order mark. With
// mustExist only an existing file is written to.
bool AppendChunkText(const std::wstring& path, const std::wstring& text, bool mustExist);

// False when the file is missing, holds no range, holds more "Thread " sections
// than maxConnections, or holds a value that is not a decimal number.
bool ReadChunkStateFile(const std::wstring& path, int maxConnections, ChunkState& out);
