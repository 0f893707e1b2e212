#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

std::string UpperHex(const std::vector<BYTE>& bytes) {
    std::string hex;
    BytesToUpperHex(bytes.data(), bytes.size(), hex);
    return hex;
}

TEST(TextCodecTest, Rc4CoreMatchesPublishedVectors) {
    const struct {
        std::vector<BYTE> key;
        std::vector<BYTE> plain;
        const char* cipher;
    } cases[] = {
        {Bytes("Key"), Bytes("Plaintext"), "BBF316E8D940AF0AD3"},
        {Bytes("Wiki"), Bytes("pedia"), "1021BF0420"},
        {Bytes("Secret"), Bytes("Attack at dawn"), "45A01F645FC35B383552544B9BF5"},
        // 40-bit key, first 16 bytes of keystream.
        {{0x01, 0x02, 0x03, 0x04, 0x05}, std::vector<BYTE>(16, 0), "B2396305F03DC027CCC3524A0A1118A8"},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> buffer = c.plain;
        Rc4CryptWithKey(buffer.data(), buffer.size(), c.key.data(), c.key.size());
        EXPECT_EQ(UpperHex(buffer), c.cipher);
        // A fresh state per call: the same call deciphers.
        Rc4CryptWithKey(buffer.data(), buffer.size(), c.key.data(), c.key.size());
        EXPECT_EQ(buffer, c.plain);
    }
}

TEST(TextCodecTest, KnownEncodingOfTheProgramKey) {
    // Worked out independently of this code: MD5 of the text, then RC4 with the
    // program's key over its UTF-16LE bytes.
    std::wstring text = L"  Intel(R) PRO/1000 MT Network Connection\t";
    std::wstring encoded;
    ASSERT_TRUE(EncodeScrambledString(text, encoded));
    EXPECT_EQ(text, L"Intel(R) PRO/1000 MT Network Connection");
    EXPECT_EQ(encoded,
              L"D562F021787729848A11DD809AB59E1E"
              L"D6DE7DE5B659801FA0282C83D22C4777E54121D3AD3348D2C4F6124A119657DA1906FA15ECF81B7D817DD867A2"
              L"F94A26B19CAC99D34C887108C7D710ACCE210E64FE3E5C84AEF8A8BE0844EE9561");

    // The cipher part covers every UTF-16 unit, surrogates included, whatever the
    // 8-bit code page does to the digest prefix.
    std::wstring wide = L"Ger\u00e4t \u65e5\u672c \U0001F600";
    ASSERT_TRUE(EncodeScrambledString(wide, encoded));
    ASSERT_EQ(encoded.size(), 32 + 4 * wide.size());
    EXPECT_EQ(encoded.substr(32), L"D8DE76E5B059011FB828248365494210E5414C0BFFED");
}

TEST(TextCodecTest, RoundTrips) {
    const std::wstring texts[] = {
        L"",
        L"a",
        L"Realtek PCIe GBE Family Controller",
        L"C:\\Users\\J\u00fcrgen\\AppData\\oem12.inf",
        L"\u30c7\u30d0\u30a4\u30b9 \u540d",
        L"\U0001F600\U00010437 pair",
        L"tab\tinside",
    };
    for (const auto& original : texts) {
        std::wstring text = original;
        std::wstring encoded;
        ASSERT_TRUE(EncodeScrambledString(text, encoded));
        std::wstring again;
        std::wstring copy = original;
        EncodeScrambledString(copy, again);
        EXPECT_EQ(encoded, again) << "encoding is not stable";
        EXPECT_TRUE(DecodeScrambledString(encoded));
        EXPECT_EQ(encoded, original);
    }
}

TEST(TextCodecTest, DecodingOfShortAndDamagedTexts) {
    std::wstring empty;
    std::wstring encoded;
    EncodeScrambledString(empty, encoded);
    EXPECT_EQ(encoded, L"D41D8CD98F00B204E9800998ECF8427E");

    std::wstring text = encoded;
    EXPECT_TRUE(DecodeScrambledString(text));
    EXPECT_EQ(text, L"");

    text = encoded.substr(0, 31);
    EXPECT_FALSE(DecodeScrambledString(text));
    EXPECT_EQ(text, L"");

    // The prefix is not checked; only upper-case digits are understood.
    std::wstring original = L"Display";
    EncodeScrambledString(original, encoded);
    std::wstring otherPrefix = std::wstring(32, L'0') + encoded.substr(32);
    EXPECT_TRUE(DecodeScrambledString(otherPrefix));
    EXPECT_EQ(otherPrefix, L"Display");

    std::wstring lower = encoded;
    for (size_t i = 32; i < lower.size(); ++i) lower[i] = static_cast<wchar_t>(towlower(lower[i]));
    if (lower != encoded) {
        EXPECT_TRUE(DecodeScrambledString(lower));
        EXPECT_NE(lower, L"Display");
    }

    // A trailing odd digit is ignored; non-hex units decode to something, never crash.
    std::wstring odd = encoded + L"F";
    EXPECT_TRUE(DecodeScrambledString(odd));
    EXPECT_EQ(odd, L"Display");
    std::wstring junk = std::wstring(32, L'0') + L"\u00e9Z-x\U0001F600";
    EXPECT_TRUE(DecodeScrambledString(junk));
}

TEST(TextCodecTest, HexPairsStopAtTheFirstForeignDigit) {
    const struct {
        char high, low;
        BYTE value;
    } cases[] = {{'0', '0', 0x00}, {'F', 'F', 0xFF}, {'9', 'A', 0x9A}, {'A', 'g', 0x0A},
                 {'a', 'F', 0x00}, {'G', '1', 0x00}, {'7', ' ', 0x07}};
    for (const auto& c : cases) EXPECT_EQ(HexToBytes(c.high, c.low), c.value) << c.high << c.low;
}

}  // namespace
