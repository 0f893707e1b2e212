#include "foundation/sha1_digest.h"

#include <algorithm>
#include <cstdio>
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
    blocks_.Reset();
    digest_.fill(0);
    finalised_ = false;
}

void Sha1Digest::Update(const void* data, size_t length) {
    blocks_.Add(data, length, [this](const BYTE* block) { Transform(block); });
}

void Sha1Digest::Final() {
    blocks_.Finish(DigestBlocks::LengthOrder::kHighByteFirst, [this](const BYTE* block) { Transform(block); });
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
