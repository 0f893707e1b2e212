#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// What MD5 and SHA-1 share: the input gathered into 64-byte blocks for the
// digest's own compression step, and the closing padding (0x80, zeros up to 56
// bytes into the last block, then the input's length in bits).
class DigestBlocks {
public:
    enum class LengthOrder { kLowByteFirst, kHighByteFirst };

    void Reset() {
        std::memset(buffer_, 0, sizeof(buffer_));
        bitCount_ = 0;
    }

    // Calls `compress(block)` for every block the bytes complete.
    template <typename Compress>
    void Add(const void* data, size_t length, Compress&& compress) {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        size_t used = static_cast<size_t>(bitCount_ >> 3) & 0x3F;
        bitCount_ += static_cast<uint64_t>(length) << 3;
        while (length > 0) {
            const size_t take = std::min<size_t>(64 - used, length);
            std::memcpy(buffer_ + used, bytes, take);
            used += take;
            bytes += take;
            length -= take;
            if (used == 64) {
                compress(static_cast<const BYTE*>(buffer_));
                used = 0;
            }
        }
    }

    // Pads and compresses the last blocks; the length goes in the digest's byte order.
    template <typename Compress>
    void Finish(LengthOrder order, Compress&& compress) {
        BYTE lengthBytes[8];
        for (int i = 0; i < 8; ++i) {
            const int shift = order == LengthOrder::kLowByteFirst ? 8 * i : 56 - 8 * i;
            lengthBytes[i] = static_cast<BYTE>(bitCount_ >> shift);
        }
        const size_t used = static_cast<size_t>(bitCount_ >> 3) & 0x3F;
        const size_t padLength = used < 56 ? 56 - used : 120 - used;
        BYTE padding[64] = {0x80};
        Add(padding, padLength, compress);
        Add(lengthBytes, 8, compress);
    }

private:
    BYTE buffer_[64] = {};
    uint64_t bitCount_ = 0;  // wraps at 2^64 bits, as both digests define
};
