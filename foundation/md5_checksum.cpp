#include "foundation/md5_checksum.h"

#include "foundation/extended_path.h"
#include "platform/scoped_handle.h"

namespace {

constexpr uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// floor(abs(sin(i + 1)) * 2^32)
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

uint32_t RotateLeft(uint32_t value, uint32_t count) { return (value << count) | (value >> (32 - count)); }

std::wstring HexOf(const CMD5Checksum::Digest& digest, const wchar_t* digits) {
    std::wstring text;
    text.reserve(32);
    for (BYTE b : digest) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

constexpr wchar_t kLowerDigits[] = L"0123456789abcdef";
constexpr wchar_t kUpperDigits[] = L"0123456789ABCDEF";

}  // namespace

CMD5Checksum::CMD5Checksum() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void CMD5Checksum::Update(const void* data, size_t length) {
    blocks_.Add(data, length, [this](const BYTE* block) { Transform(block); });
}

CMD5Checksum::Digest CMD5Checksum::Final() {
    blocks_.Finish(DigestBlocks::LengthOrder::kLowByteFirst, [this](const BYTE* block) { Transform(block); });

    Digest digest;
    for (int i = 0; i < 4; ++i) {
        for (int b = 0; b < 4; ++b) digest[4 * i + b] = static_cast<BYTE>(state_[i] >> (8 * b));
    }
    return digest;
}

void CMD5Checksum::Transform(const BYTE block[64]) {
    uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = static_cast<uint32_t>(block[4 * i]) | (static_cast<uint32_t>(block[4 * i + 1]) << 8) |
                   (static_cast<uint32_t>(block[4 * i + 2]) << 16) |
                   (static_cast<uint32_t>(block[4 * i + 3]) << 24);
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (uint32_t i = 0; i < 64; ++i) {
        uint32_t f;
        uint32_t g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t rotated = RotateLeft(a + f + kSine[i] + words[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

std::wstring Md5OfFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    CMD5Checksum md5;
    BYTE piece[1024];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), piece, sizeof(piece), &read, nullptr)) return {};
        if (read == 0) break;
        md5.Update(piece, read);
    }
    return HexOf(md5.Final(), kLowerDigits);
}

std::wstring Md5OfString(const void* bytes, size_t length) {
    CMD5Checksum md5;
    md5.Update(bytes, length);
    return HexOf(md5.Final(), kLowerDigits);
}

std::wstring TextMd5UpperHex(const std::wstring& text) {
    std::string narrow;
    if (!text.empty()) {
        const int size = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
        if (size > 0) {
            narrow.resize(static_cast<size_t>(size));
            WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                                size, nullptr, nullptr);
        }
    }
    CMD5Checksum md5;
    md5.Update(narrow.data(), narrow.size());
    return HexOf(md5.Final(), kUpperDigits);
}
