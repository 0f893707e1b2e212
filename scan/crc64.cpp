#include "scan/crc64.h"

#include <array>

#include "platform/text_case.h"

namespace {

constexpr uint64_t kPolynomial = 0x42F0E1EBA9EA3693ull;

constexpr std::array<uint64_t, 256> MakeTable() {
    std::array<uint64_t, 256> table{};
    for (uint64_t i = 0; i < 256; ++i) {
        uint64_t crc = i << 56;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000000000000000ull) ? (crc << 1) ^ kPolynomial : crc << 1;
        }
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint64_t, 256> kTable = MakeTable();

std::wstring TrimmedText(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

uint64_t Crc64(size_t length, const void* bytes) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    uint64_t crc = ~uint64_t{0};
    for (size_t i = 0; i < length; ++i) {
        crc = kTable[((crc >> 56) ^ p[i]) & 0xFF] ^ (crc << 8);
    }
    return ~crc;
}

uint64_t Crc64OfText(const std::wstring& text) {
    const std::wstring cleaned = TrimmedText(LowerInvariant(text));
    if (cleaned.empty()) {
        const unsigned char terminator[2] = {0, 0};
        return Crc64(sizeof(terminator), terminator);
    }
    std::string bytes;
    bytes.reserve(cleaned.size() * 2);
    for (wchar_t c : cleaned) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return Crc64(bytes.size(), bytes.data());
}
