#include "engine/parallel_zip_packer.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "platform/scoped_handle.h"

namespace {

constexpr DWORD kZipUtf8NameFlag = 0x800;
// Deflate looks back at most this far, so this much of the piece before is all a
// piece needs to compress as it would have in one pass.
constexpr std::size_t kWindowBytes = 32768;

unsigned DeflateThreads(unsigned asked) {
    if (asked > 0) return asked;
    const unsigned processors = std::thread::hardware_concurrency();
    return std::clamp(processors, 1u, 4u);
}

}  // namespace

// What the entry's header needs; carried by an entry's first piece.
struct ParallelZipPacker::EntryStart {
    std::string name;
    zip_fileinfo info{};
    bool zip64 = false;
};

struct ParallelZipPacker::Piece {
    std::unique_ptr<EntryStart> start;  // set on an entry's first piece
    bool last = false;                  // an entry's last piece ends the stream
    std::vector<unsigned char> input;
    std::vector<unsigned char> window;  // the end of the piece before
    std::vector<unsigned char> output;
    std::uint32_t crc = 0;
    bool deflated = false;  // under the packer's lock
    bool ok = false;
};

ParallelZipPacker::ParallelZipPacker(zipFile archive, unsigned threads) : archive_(archive) {
    const unsigned count = DeflateThreads(threads);
    maxInFlight_ = static_cast<std::size_t>(count) * 3;
    for (unsigned i = 0; i < count; ++i) {
        try {
            threads_.emplace_back([this] { DeflateLoop(); });
        } catch (const std::system_error&) {
            break;  // fewer threads, or none: Submit then deflates on this one
        }
    }
}

ParallelZipPacker::~ParallelZipPacker() {
    {
        std::lock_guard guard(lock_);
        closing_ = true;
    }
    workReady_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

bool ParallelZipPacker::AddFile(const std::wstring& path, const std::string& utf8EntryName) {
    if (failed_) return false;
    UniqueHandle input(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!input) return false;
    LARGE_INTEGER size{};
    FILETIME written{};
    FILETIME localWritten{};
    SYSTEMTIME stamp{};
    if (!GetFileSizeEx(input.Get(), &size) || !GetFileTime(input.Get(), nullptr, nullptr, &written) ||
        !FileTimeToLocalFileTime(&written, &localWritten) || !FileTimeToSystemTime(&localWritten, &stamp)) {
        return false;
    }
    auto start = std::make_unique<EntryStart>();
    start->name = utf8EntryName;
    start->info.tmz_date.tm_year = stamp.wYear;
    start->info.tmz_date.tm_mon = stamp.wMonth - 1;
    start->info.tmz_date.tm_mday = stamp.wDay;
    start->info.tmz_date.tm_hour = stamp.wHour;
    start->info.tmz_date.tm_min = stamp.wMinute;
    start->info.tmz_date.tm_sec = stamp.wSecond;
    start->zip64 = size.QuadPart >= 0xFFFFFFFFLL;

    // A piece goes out once the next read shows whether more follows, so the last
    // one knows to end the stream; an empty file is one empty last piece.
    auto pending = std::make_shared<Piece>();
    pending->start = std::move(start);
    if (!ReadPiece(input.Get(), *pending)) return false;
    for (;;) {
        std::shared_ptr<Piece> next;
        if (!pending->input.empty()) {
            next = std::make_shared<Piece>();
            if (!ReadPiece(input.Get(), *next)) return false;
        }
        if (!next || next->input.empty()) {
            pending->last = true;
            Submit(std::move(pending));
            return !failed_;
        }
        const std::size_t keep = std::min(kWindowBytes, pending->input.size());
        next->window.assign(pending->input.end() - static_cast<std::ptrdiff_t>(keep), pending->input.end());
        Submit(std::move(pending));
        if (failed_) return false;
        pending = std::move(next);
    }
}

bool ParallelZipPacker::ReadPiece(HANDLE file, Piece& piece) {
    piece.input.resize(kPieceBytes);
    DWORD read = 0;
    if (!ReadFile(file, piece.input.data(), static_cast<DWORD>(kPieceBytes), &read, nullptr)) {
        failed_ = true;
        return false;
    }
    piece.input.resize(read);
    return true;
}

bool ParallelZipPacker::Finish() {
    while (!inOrder_.empty()) WriteOldest();
    return !failed_;
}

void ParallelZipPacker::Submit(std::shared_ptr<Piece> piece) {
    // Bounded: a large folder never sits in memory, only a few pieces per thread.
    while (inOrder_.size() >= maxInFlight_) WriteOldest();
    inOrder_.push_back(piece);
    if (threads_.empty()) {
        z_stream stream{};
        if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL,
                         Z_DEFAULT_STRATEGY) == Z_OK) {
            Deflate(*piece, stream);
            deflateEnd(&stream);
        }
        piece->deflated = true;
        return;
    }
    {
        std::lock_guard guard(lock_);
        toDeflate_.push_back(std::move(piece));
    }
    workReady_.notify_one();
}

bool ParallelZipPacker::WriteOldest() {
    std::shared_ptr<Piece> piece = std::move(inOrder_.front());
    inOrder_.pop_front();
    {
        std::unique_lock guard(lock_);
        pieceDone_.wait(guard, [&piece] { return piece->deflated; });
    }
    if (failed_) return false;
    if (!WritePiece(*piece)) failed_ = true;
    return !failed_;
}

bool ParallelZipPacker::WritePiece(Piece& piece) {
    if (!piece.ok) return false;
    if (piece.start) {
        // Raw: the pieces arrive deflated, and the sizes and CRC are given at the close.
        if (zipOpenNewFileInZip4_64(archive_, piece.start->name.c_str(), &piece.start->info, nullptr, 0, nullptr, 0,
                                    nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 1, -MAX_WBITS, DEF_MEM_LEVEL,
                                    Z_DEFAULT_STRATEGY, nullptr, 0, 0, kZipUtf8NameFlag,
                                    piece.start->zip64 ? 1 : 0) != ZIP_OK) {
            return false;
        }
        entryCrc_ = 0;
        entryBytes_ = 0;
    }
    if (!piece.output.empty() &&
        zipWriteInFileInZip(archive_, piece.output.data(), static_cast<unsigned>(piece.output.size())) != ZIP_OK) {
        return false;
    }
    entryCrc_ = static_cast<std::uint32_t>(
        crc32_combine(entryCrc_, piece.crc, static_cast<z_off_t>(piece.input.size())));
    entryBytes_ += piece.input.size();
    if (piece.last) return zipCloseFileInZipRaw64(archive_, entryBytes_, entryCrc_) == ZIP_OK;
    return true;
}

void ParallelZipPacker::DeflateLoop() {
    z_stream stream{};
    const bool ready = deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL,
                                    Z_DEFAULT_STRATEGY) == Z_OK;
    for (;;) {
        std::shared_ptr<Piece> piece;
        {
            std::unique_lock guard(lock_);
            workReady_.wait(guard, [this] { return closing_ || !toDeflate_.empty(); });
            if (toDeflate_.empty()) break;
            piece = std::move(toDeflate_.front());
            toDeflate_.pop_front();
        }
        try {
            if (ready) Deflate(*piece, stream);
        } catch (const std::bad_alloc&) {
            piece->ok = false;
        }
        {
            std::lock_guard guard(lock_);
            piece->deflated = true;
        }
        pieceDone_.notify_all();
    }
    if (ready) deflateEnd(&stream);
}

void ParallelZipPacker::Deflate(Piece& piece, z_stream& stream) {
    piece.ok = false;
    piece.crc = static_cast<std::uint32_t>(crc32(0, piece.input.data(), static_cast<uInt>(piece.input.size())));
    if (deflateReset(&stream) != Z_OK) return;
    if (!piece.window.empty() &&
        deflateSetDictionary(&stream, piece.window.data(), static_cast<uInt>(piece.window.size())) != Z_OK) {
        return;
    }
    // A piece that does not end the entry ends on a byte boundary (a sync flush), so
    // the next one's output simply follows it.
    piece.output.resize(deflateBound(&stream, static_cast<uLong>(piece.input.size())) + 16);
    stream.next_in = piece.input.data();
    stream.avail_in = static_cast<uInt>(piece.input.size());
    stream.next_out = piece.output.data();
    stream.avail_out = static_cast<uInt>(piece.output.size());
    const int flush = piece.last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        const int result = deflate(&stream, flush);
        if (result == Z_STREAM_ERROR) return;
        if (piece.last ? result == Z_STREAM_END : (stream.avail_in == 0 && stream.avail_out > 0)) break;
        if (stream.avail_out == 0) {
            const std::size_t used = piece.output.size();
            piece.output.resize(used * 2);
            stream.next_out = piece.output.data() + used;
            stream.avail_out = static_cast<uInt>(piece.output.size() - used);
        }
    }
    piece.output.resize(piece.output.size() - stream.avail_out);
    piece.ok = true;
}
