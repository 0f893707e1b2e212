#include "foundation/sha1_digest.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/extended_path.h"
#include "platform/scoped_handle.h"

namespace {

uint32_t RotateLeft(uint32_t value, uint32_t count) { return (value << count) | (value >> (32 - count)); }

constexpr DWORD kFilePieceSize = 8000;

}  // namespace

void Sha1Digest::Reset() {
    state_[0] = 0x67452301;
    state_[1] = 0xEFCDAB89;
    state_[2] = 0x98BADCFE;
    state_[3] = 0x10325476;
    state_[4] = 0xC3D2E1F0;
    bitCount_[0] = bitCount_[1] = 0;
    std::memset(buffer_, 0, sizeof(buffer_));
    digest_.fill(0);
    finalised_ = false;
}

void Sha1Digest::Update(const void* data, size_t length) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    size_t used = (bitCount_[0] >> 3) & 0x3F;
    const uint64_t addedBits = static_cast<uint64_t>(length) << 3;
    const uint32_t low = bitCount_[0] + static_cast<uint32_t>(addedBits);
    if (low < bitCount_[0]) ++bitCount_[1];
    bitCount_[0] = low;
    bitCount_[1] += static_cast<uint32_t>(addedBits >> 32);

    while (length > 0) {
        const size_t take = std::min<size_t>(64 - used, length);
        std::memcpy(buffer_ + used, bytes, take);
        used += take;
        bytes += take;
        length -= take;
        if (used == 64) {
            Transform(buffer_);
            used = 0;
        }
    }
}

void Sha1Digest::Final() {
    BYTE lengthBytes[8];
    for (int i = 0; i < 4; ++i) {
        lengthBytes[i] = static_cast<BYTE>(bitCount_[1] >> (24 - 8 * i));
        lengthBytes[4 + i] = static_cast<BYTE>(bitCount_[0] >> (24 - 8 * i));
    }
    const size_t used = (bitCount_[0] >> 3) & 0x3F;
    const size_t padLength = used < 56 ? 56 - used : 120 - used;
    BYTE padding[64] = {0x80};
    Update(padding, padLength);
    Update(lengthBytes, 8);
    for (int i = 0; i < 20; ++i) digest_[i] = static_cast<BYTE>(state_[i / 4] >> (24 - 8 * (i % 4)));
    finalised_ = true;
}

void Sha1Digest::Transform(const BYTE block[64]) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
        w[i] = (static_cast<uint32_t>(block[4 * i]) << 24) | (static_cast<uint32_t>(block[4 * i + 1]) << 16) |
               (static_cast<uint32_t>(block[4 * i + 2]) << 8) | static_cast<uint32_t>(block[4 * i + 3]);
    }
    for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f;
        uint32_t k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

bool ComputeFileSha1(Sha1Digest& sha1, const std::wstring& path) {
    UniqueHandle file(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return false;
    std::vector<BYTE> piece(kFilePieceSize);
    LONGLONG remaining = size.QuadPart;
    while (remaining > 0) {
        const DWORD want = static_cast<DWORD>(std::min<LONGLONG>(remaining, kFilePieceSize));
        DWORD read = 0;
        if (!ReadFile(file.Get(), piece.data(), want, &read, nullptr) || read == 0) return false;
        sha1.Update(piece.data(), read);
        remaining -= read;
    }
    return true;
}

std::wstring Sha1HexDigestOf(const std::wstring& path) {
    Sha1Digest sha1;
    if (!ComputeFileSha1(sha1, path)) return {};
    sha1.Final();
    std::wstring text;
    Sha1DigestToWString(sha1, text);
    return text;
}

std::string Sha1ToHexString(const Sha1Digest& sha1) {
    std::string text;
    char pair[3];
    for (BYTE b : sha1.GetDigest()) {
        std::snprintf(pair, sizeof(pair), "%02X", b);
        text += pair;
    }
    return text;
}

bool Sha1DigestToWString(const Sha1Digest& sha1, std::wstring& out) {
    if (!sha1.HasDigest()) return false;
    const std::string narrow = Sha1ToHexString(sha1);
    out.assign(narrow.begin(), narrow.end());
    return true;
}
