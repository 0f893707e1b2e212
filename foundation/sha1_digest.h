#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/digest_blocks.h"

// SHA-1 as published (FIPS 180-1). Unlike the MD5 object it may be kept, finalised
// and read again, which the download resume state relies on.
class Sha1Digest {
public:
    using Digest = std::array<BYTE, 20>;

    Sha1Digest() { Reset(); }

    void Reset();
    void Update(const void* data, size_t length);
    void Final();

    bool HasDigest() const { return finalised_; }
    const Digest& GetDigest() const { return digest_; }

private:
    void Transform(const BYTE block[64]);

    uint32_t state_[5];
    DigestBlocks blocks_;
    Digest digest_;
    bool finalised_ = false;
};

// Feeds the whole file to the object (pieces of at most 8000 bytes); true when
// every byte of the size seen at the start was read.
bool ComputeFileSha1(Sha1Digest& sha1, const std::wstring& path);
// 40 upper-case hexadecimal digits of the file's digest; empty when the file cannot
// be read, since the digest of nothing would pass for a real one.
std::wstring Sha1HexDigestOf(const std::wstring& path);
// 40 upper-case hexadecimal digits of the object's digest.
std::string Sha1ToHexString(const Sha1Digest& sha1);
// The same as wide text; false when the object holds no digest yet.
bool Sha1DigestToWString(const Sha1Digest& sha1, std::wstring& out);
