#pragma once

#include <windows.h>

#include <zip.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Adds files to an open zip archive, deflated at the library's default level. The
// files are cut into pieces that several threads deflate at once, each piece primed
// with the end of the one before, so the entry is one deflate stream as a single
// pass would have made it; this thread reads ahead and writes the pieces in order.
// Entries appear in the order the files were added.
class ParallelZipPacker {
public:
    // `threads` deflating threads; 0 picks one per processor, a few at most.
    explicit ParallelZipPacker(zipFile archive, unsigned threads = 0);
    ~ParallelZipPacker();
    ParallelZipPacker(const ParallelZipPacker&) = delete;
    ParallelZipPacker& operator=(const ParallelZipPacker&) = delete;

    // Reads the file and hands its pieces on; false when the file cannot be opened
    // or read, or an earlier entry could not be written. After a false the archive
    // holds an unfinished entry and is good only for deleting.
    bool AddFile(const std::wstring& path, const std::string& utf8EntryName);
    // Writes what is still being deflated; true when every entry was written whole.
    bool Finish();

    static constexpr std::size_t kPieceBytes = 1 << 20;

private:
    struct Piece;
    struct EntryStart;

    bool ReadPiece(HANDLE file, Piece& piece);
    void Submit(std::shared_ptr<Piece> piece);
    bool WriteOldest();
    bool WritePiece(Piece& piece);
    void DeflateLoop();
    static void Deflate(Piece& piece, z_stream& stream);

    zipFile archive_;
    std::size_t maxInFlight_;
    std::deque<std::shared_ptr<Piece>> inOrder_;  // this thread only
    bool failed_ = false;
    std::uint32_t entryCrc_ = 0;
    std::uint64_t entryBytes_ = 0;

    std::mutex lock_;
    std::condition_variable workReady_;
    std::condition_variable pieceDone_;
    std::deque<std::shared_ptr<Piece>> toDeflate_;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};
