#include "engine/angle_base64_name_codec.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kNotInAlphabet = 0xFF;

const std::array<uint8_t, 256>& ReverseTable() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> built{};
        built.fill(kNotInAlphabet);
        for (uint8_t i = 0; i < 64; ++i) built[static_cast<unsigned char>(kAlphabet[i])] = i;
        return built;
    }();
    return table;
}

}  // namespace

bool HasEncodedNameRun(std::string_view name) { return name.find('<') != std::string_view::npos; }

std::wstring AngleBase64NameCodec::Decode(std::string_view name) const {
    const auto& table = ReverseTable();
    std::wstring decoded;
    decoded.reserve(name.size());
    bool inRun = false;
    bool runIsEmpty = false;
    uint32_t bits = 0;
    int bitCount = 0;
    for (const char byte : name) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (!inRun) {
            if (c == '<') {
                inRun = true;
                runIsEmpty = true;
                bits = 0;
                bitCount = 0;
            } else {
                decoded += static_cast<wchar_t>(c);
            }
            continue;
        }
        if (table[c] != kNotInAlphabet) {
            bits = (bits << 6) | table[c];
            bitCount += 6;
            runIsEmpty = false;
            if (bitCount >= 16) {
                bitCount -= 16;
                decoded += static_cast<wchar_t>((bits >> bitCount) & 0xFFFF);
                bits &= (1u << bitCount) - 1;
            }
            continue;
        }
        // Any other byte ends the run; bits left over are dropped.
        inRun = false;
        if (c == '>') {
            if (runIsEmpty) decoded += L'<';
        } else {
            decoded += static_cast<wchar_t>(c);
        }
    }
    return decoded;
}
