#include "engine/segmented_downloader.h"

#include "engine/chunk_state_file.h"
#include "engine/download_pacing.h"
#include "engine/download_worker.h"
#include "engine/package_digest.h"

#include <vector>

// The downloader's resume file and the digest check of the finished file.

std::wstring CSegmentedDownloader::ChunkFileName() const { return FormatChunkFileName(record_->fileName); }
std::wstring CSegmentedDownloader::ChunkFilePath() const { return workingFolder_ + ChunkFileName(); }

bool CSegmentedDownloader::WriteThreadSection(std::uint8_t index, std::int32_t position, std::int32_t remaining) {
    return AppendChunkText(ChunkFilePath(), FormatThreadSection(index, position, remaining), false);
}

bool CSegmentedDownloader::WriteGlobalSection() {
    const std::int32_t written = bytesWritten_;
    PaceDownload(100);
    return AppendChunkText(ChunkFilePath(), FormatGlobalSection(written, record_->expectedDigest), true);
}

bool CSegmentedDownloader::ReadChunkState() {
    bytesWritten_ = 0;
    ChunkState chunkState;
    if (!ReadChunkStateFile(ChunkFilePath(), record_->connections, chunkState)) return false;
    // Every stored range must lie inside the length, none may overlap another, and
    // together with the bytes written they must make up the whole file.
    const std::int64_t length = record_->contentLength;
    std::int64_t missing = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    for (const ChunkRange& range : chunkState.ranges) {
        if (range.start < 0 || range.length <= 0 || range.start + static_cast<std::int64_t>(range.length) > length)
            return false;
        for (const auto& [otherStart, otherEnd] : ranges) {
            if (range.start < otherEnd && otherStart < range.start + static_cast<std::int64_t>(range.length))
                return false;
        }
        ranges.emplace_back(range.start, range.start + static_cast<std::int64_t>(range.length));
        missing += range.length;
    }
    if (chunkState.totalDownloaded < 0 || chunkState.totalDownloaded + missing != length) return false;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(record_->targetPath.c_str(), GetFileExInfoStandard, &data) ||
        (static_cast<std::int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) != length)
        return false;

    std::uint8_t k = 0;
    for (const ChunkRange& range : chunkState.ranges) AddConnection(k++, range.start, range.length);
    bytesWritten_ = chunkState.totalDownloaded;
    record_->storedDigest = chunkState.setupHash;
    worker_.ReportTotalProgress(bytesWritten_);
    record_->connections = k;
    return k != 0;
}

void CSegmentedDownloader::DeleteChunkFile() {
    const std::wstring path = ChunkFilePath();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(path.c_str());
}

int CSegmentedDownloader::VerifyDigest() {
    const std::wstring& path = record_->targetPath;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        worker_.Prompt(0, L"IDS_SETUP_FILE_NOTFOUND", 0, MB_ICONERROR, 0);
        return 0;
    }
    if (record_->expectedDigest.empty()) {
        worker_.Prompt(0, L"IDS_PLZ_RETRY_SETUP_FILE", 0, MB_ICONERROR, 0);
        return 0;
    }
    return PackageDigestMatches(path, record_->expectedDigest) ? 1 : 0;
}
