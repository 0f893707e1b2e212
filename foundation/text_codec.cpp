#include "foundation/text_codec.h"

#include <utility>
#include <vector>

#include "foundation/md5_checksum.h"

namespace {

constexpr BYTE kCodecKey[49] = {
    0x95, 0x0A, 0x3A, 0x76, 0x48, 0x3D, 0x0B, 0x3A, 0xFD, 0x24, 0xCC, 0xBD,
    0xE1, 0xFE, 0x25, 0x49, 0xFF, 0x5F, 0xF3, 0xC5, 0xAC, 0x53, 0x46, 0x64,
    0x65, 0xA0, 0xCC, 0x02, 0xDC, 0x08, 0x07, 0x93, 0x9C, 0x8E, 0xC3, 0x01,
    0x82, 0xB7, 0xDE, 0x42, 0x75, 0xFA, 0x95, 0x1E, 0xAD, 0x33, 0xAE, 0x7E,
    0xC6};

constexpr wchar_t kWhiteSpace[] = L" \t\r\n\v\f";

void Trim(std::wstring& text) {
    const size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::wstring::npos) {
        text.clear();
        return;
    }
    const size_t last = text.find_last_not_of(kWhiteSpace);
    text = text.substr(first, last - first + 1);
}

int DigitValue(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return -1;
}

// Non-ASCII code units are no hexadecimal digit in any 8-bit code page.
char NarrowDigit(wchar_t unit) { return unit < 0x80 ? static_cast<char>(unit) : '?'; }

}  // namespace

void Rc4CryptWithKey(BYTE* buffer, size_t length, const BYTE* key, size_t keyLength) {
    if (keyLength == 0) return;
    BYTE state[256];
    for (int i = 0; i < 256; ++i) state[i] = static_cast<BYTE>(i);
    BYTE j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<BYTE>(j + state[i] + key[static_cast<size_t>(i) % keyLength]);
        std::swap(state[i], state[j]);
    }
    BYTE i = 0;
    j = 0;
    for (size_t n = 0; n < length; ++n) {
        i = static_cast<BYTE>(i + 1);
        j = static_cast<BYTE>(j + state[i]);
        std::swap(state[i], state[j]);
        buffer[n] ^= state[static_cast<BYTE>(state[i] + state[j])];
    }
}

void Rc4Crypt(BYTE* buffer, size_t length) { Rc4CryptWithKey(buffer, length, kCodecKey, sizeof(kCodecKey)); }

void BytesToUpperHex(const BYTE* bytes, size_t count, std::string& out) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.clear();
    out.reserve(count * 2);
    for (size_t n = 0; n < count; ++n) {
        out.push_back(kDigits[bytes[n] >> 4]);
        out.push_back(kDigits[bytes[n] & 0x0F]);
    }
}

BYTE HexToBytes(char high, char low) {
    int value = 0;
    for (char digit : {high, low}) {
        const int d = DigitValue(digit);
        if (d < 0) break;
        value = value * 16 + d;
    }
    return static_cast<BYTE>(value);
}

bool EncodeScrambledString(std::wstring& text, std::wstring& result) {
    Trim(text);
    std::vector<BYTE> bytes(text.size() * 2);
    for (size_t n = 0; n < text.size(); ++n) {
        bytes[2 * n] = static_cast<BYTE>(text[n] & 0xFF);
        bytes[2 * n + 1] = static_cast<BYTE>(text[n] >> 8);
    }
    Rc4Crypt(bytes.data(), bytes.size());
    std::string hex;
    BytesToUpperHex(bytes.data(), bytes.size(), hex);
    result = TextMd5UpperHex(text);
    result.append(hex.begin(), hex.end());
    return true;
}

bool DecodeScrambledString(std::wstring& text) {
    constexpr size_t kPrefixLength = 32;
    if (text.size() < kPrefixLength) {
        text.clear();
        return false;
    }
    const size_t pairCount = (text.size() - kPrefixLength) / 2;
    std::vector<BYTE> bytes(pairCount);
    for (size_t n = 0; n < pairCount; ++n) {
        const size_t at = kPrefixLength + 2 * n;
        bytes[n] = HexToBytes(NarrowDigit(text[at]), NarrowDigit(text[at + 1]));
    }
    Rc4Crypt(bytes.data(), bytes.size());
    bytes.push_back(0);  // an odd last byte still forms a code unit
    std::wstring decoded;
    for (size_t n = 0; n + 1 < bytes.size(); n += 2) {
        const wchar_t unit = static_cast<wchar_t>(bytes[n] | (bytes[n + 1] << 8));
        if (unit == 0) break;
        decoded.push_back(unit);
    }
    text = std::move(decoded);
    return true;
}
