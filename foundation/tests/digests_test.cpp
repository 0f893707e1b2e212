#include <gtest/gtest.h>

#include <string>

#include "foundation/md5_checksum.h"
#include "foundation/sha1_digest.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring Sha1OfBytes(const std::string& bytes) {
    Sha1Digest sha1;
    sha1.Update(bytes.data(), bytes.size());
    sha1.Final();
    std::wstring text;
    EXPECT_TRUE(Sha1DigestToWString(sha1, text));
    return text;
}

// Bytes that are not the same in every block, so a lost or repeated block shows.
std::string PatternBytes(size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

struct DigestCase {
    std::string input;
    const char* md5;
    const char* sha1;
};

TEST(DigestsTest, PublishedVectorsAndBlockBoundaries) {
    const DigestCase cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"a", "0cc175b9c0f1b6a831c399e269772661", nullptr},
        {"abc", "900150983cd24fb0d6963f7d28e17f72", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0", nullptr},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b", nullptr},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f",
         nullptr},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a", nullptr},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", nullptr,
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21", "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
        // Padding fits, just fits, and spills into a second block.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65", "C1C8BBDC22796E28C0E15163D20899B65621D65A"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218", "C2DB330F6083854C99D4B5BFB6E8F29F201BE699"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5", "03F09F5B158A7A8CDAD920BDDC29B81C18A551F5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367", "0098BA824B5C16427BD7A1122A5A442A25EC644D"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435", "11655326C708D70319BE2610E8A57D9A5B959D3B"},
    };
    for (const auto& c : cases) {
        const std::string label = c.input.substr(0, 20) + " (" + std::to_string(c.input.size()) + ")";
        if (c.md5) {
            EXPECT_EQ(Md5OfString(c.input.data(), c.input.size()), Widen(c.md5)) << label;
        }
        if (c.sha1) {
            EXPECT_EQ(Sha1OfBytes(c.input), Widen(c.sha1)) << label;
        }
    }
}

TEST(DigestsTest, PiecewiseUpdatesEqualOneUpdate) {
    const std::string bytes = PatternBytes(1000);
    CMD5Checksum md5;
    Sha1Digest sha1;
    for (size_t at = 0, step = 1; at < bytes.size(); at += step, step = step * 2 % 97 + 1) {
        const size_t take = std::min(step, bytes.size() - at);
        md5.Update(bytes.data() + at, take);
        sha1.Update(bytes.data() + at, take);
    }
    sha1.Final();
    std::wstring sha1Text;
    ASSERT_TRUE(Sha1DigestToWString(sha1, sha1Text));
    const auto digest = md5.Final();
    std::wstring md5Text;
    for (BYTE b : digest) {
        wchar_t pair[3];
        swprintf(pair, 3, L"%02x", b);
        md5Text += pair;
    }
    EXPECT_EQ(md5Text, Md5OfString(bytes.data(), bytes.size()));
    EXPECT_EQ(sha1Text, Sha1OfBytes(bytes));
}

TEST(DigestsTest, FilesAcrossReadPieceBoundaries) {
    ScopedTempFolder folder;
    const struct {
        size_t size;
        const char* md5;
        const char* sha1;
    } cases[] = {
        {1024, "9ee0a0e0c0bc0f1ff29d663d1fdf0743", "0AC28084FF74933D05123496DAFD3791684D9B53"},
        {1025, "3f3789452b88cb32b8cbfbafe715e29a", "CA9FDC040579AFC74C0E6314FEE7AF12BD5C4284"},
        {8001, "1c0d0258920bfb8ac0f621f8e21358ef", "BCE1ABF4B4882159D458CDD5F5B04A4EE22ED941"},
        {16000, "a93f1ac0d0d4a3845929ba19f47c46b6", "434E5D5EFE70BBB8D63819344C762235DA7F9FD5"},
        {0, "d41d8cd98f00b204e9800998ecf8427e", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
    };
    for (const auto& c : cases) {
        const std::wstring path = folder.File(L"f" + std::to_wstring(c.size) + L".bin");
        ASSERT_TRUE(WriteFileBytes(path, PatternBytes(c.size)));
        EXPECT_EQ(Md5OfFile(path), Widen(c.md5)) << c.size;
        EXPECT_EQ(Sha1HexDigestOf(path), Widen(c.sha1)) << c.size;
        Sha1Digest sha1;
        EXPECT_TRUE(ComputeFileSha1(sha1, path)) << c.size;
    }
}

TEST(DigestsTest, UnreadableFileHasNoDigest) {
    ScopedTempFolder folder;
    const std::wstring missing = folder.File(L"missing.bin");
    EXPECT_EQ(Md5OfFile(missing), L"");
    EXPECT_EQ(Sha1HexDigestOf(missing), L"");
    Sha1Digest sha1;
    EXPECT_FALSE(ComputeFileSha1(sha1, missing));
    std::wstring text = L"unchanged";
    EXPECT_FALSE(Sha1DigestToWString(sha1, text));
    EXPECT_EQ(text, L"unchanged");
    // A folder opens as nothing readable either.
    EXPECT_EQ(Md5OfFile(folder.Path()), L"");
    EXPECT_EQ(Sha1HexDigestOf(folder.Path()), L"");
}

TEST(DigestsTest, LongPathsAreReadWhole) {
    ScopedTempFolder folder;
    std::wstring deep = folder.Path();
    while (deep.size() < 1100) {
        deep += L"\\" + std::wstring(60, L'd');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::wstring path = deep + L"\\abc.txt";
    HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "abc", 3, &written, nullptr);
    CloseHandle(file);

    EXPECT_EQ(Md5OfFile(path), L"900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Sha1HexDigestOf(path), L"A9993E364706816ABA3E25717850C26C9CD0D89D");

    DeleteFileW((L"\\\\?\\" + path).c_str());
    while (deep.size() > folder.Path().size()) {
        RemoveDirectoryW((L"\\\\?\\" + deep).c_str());
        deep.resize(deep.rfind(L'\\'));
    }
}

TEST(DigestsTest, TextDigestUsesUpperCaseDigits) {
    EXPECT_EQ(TextMd5UpperHex(L""), L"D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(TextMd5UpperHex(L"abc"), L"900150983CD24FB0D6963F7D28E17F72");
}

}  // namespace
