#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/digest_blocks.h"

// MD5 as published (RFC 1321). One object digests one input.
class CMD5Checksum {
public:
    using Digest = std::array<BYTE, 16>;

    CMD5Checksum();
    virtual ~CMD5Checksum() = default;

    void Update(const void* data, size_t length);
    // Pads, appends the bit count and gives the digest; the object is spent afterwards.
    Digest Final();

private:
    void Transform(const BYTE block[64]);

    DigestBlocks blocks_;
    uint32_t state_[4];
};

// 32 lower-case hexadecimal digits; empty when the file cannot be opened or a read
// fails part way (a file that cannot be read has no digest).
std::wstring Md5OfFile(const std::wstring& path);
// 32 lower-case hexadecimal digits of the bytes.
std::wstring Md5OfString(const void* bytes, size_t length);
// The digest of the text in the thread's 8-bit code page, 32 upper-case digits.
std::wstring TextMd5UpperHex(const std::wstring& text);
