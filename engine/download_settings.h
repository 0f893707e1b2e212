#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The parameters of one download, built by RunDownload and freed when the job ends.
struct DownloadSettings {
    std::wstring url;
    std::wstring targetPath;      // with the ".unconfirmed" suffix
    std::wstring expectedDigest;  // hexadecimal text; may be empty
    bool verify = false;
    std::int32_t connections = 0;  // 1..10 replaces the process-wide count
    std::int32_t blockSize = 0;    // 0 keeps the process-wide block size

    std::wstring textBuffer;
    std::vector<std::unique_ptr<DownloadSettings>> nested;
};
