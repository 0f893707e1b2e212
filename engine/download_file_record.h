#pragma once

#include "engine/download_settings.h"

#include <cstdint>
#include <string>

// The file side of one download: where it goes and what it must hash to.
struct DownloadFileRecord {
    std::wstring url;
    std::wstring expectedDigest;
    std::wstring targetPath;
    std::wstring fileName;  // after the last backslash
    std::wstring folder;    // up to and including the last backslash
    std::uint8_t connections = 1;
    std::int32_t contentLength = 0;
    std::wstring storedDigest;  // as read back from a resume file

    explicit DownloadFileRecord(std::uint8_t connectionCount) : connections(connectionCount) {}
    bool FillFromSettings(const DownloadSettings& settings);
};
