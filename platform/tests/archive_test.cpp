#include <gtest/gtest.h>

#include <string>

#include "platform/archive_reader.h"
#include "platform/archive_writer.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) bytes.push_back(static_cast<char>(v));
    return bytes;
}

std::wstring TextOfLength(std::size_t length) {
    std::wstring text(length, L'a');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<wchar_t>(L'a' + i % 26);
    if (length > 0) text[0] = L'\x00E9';  // a character outside 8 bits shows byte order
    return text;
}

TEST(ArchiveTest, StringLengthPrefixAtEveryWidthBoundary) {
    struct Case {
        std::size_t length;
        std::string prefix;
    } cases[] = {
        {0, Bytes({0xFF, 0xFE, 0xFF, 0x00})},
        {1, Bytes({0xFF, 0xFE, 0xFF, 0x01})},
        {254, Bytes({0xFF, 0xFE, 0xFF, 0xFE})},
        {255, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00})},
        {65533, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF})},
        {65534, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {70000, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const auto& c : cases) {
        const std::wstring text = TextOfLength(c.length);
        ArchiveWriter writer;
        writer.WriteString(text);
        const std::string& bytes = writer.Bytes();
        ASSERT_EQ(bytes.size(), c.prefix.size() + 2 * c.length) << c.length;
        EXPECT_EQ(bytes.substr(0, c.prefix.size()), c.prefix) << c.length;
        if (c.length > 1) {
            EXPECT_EQ(bytes.substr(c.prefix.size(), 4), Bytes({0xE9, 0x00, 'b', 0x00})) << c.length;
        }

        ArchiveReader reader(bytes);
        std::wstring back;
        ASSERT_TRUE(reader.ReadString(back)) << c.length;
        EXPECT_EQ(back, text) << c.length;
        EXPECT_EQ(reader.Remaining(), 0u) << c.length;
    }
}

TEST(ArchiveTest, CountsAndNumbersAreLittleEndianWithEscapedWideCounts) {
    struct Case {
        std::uint32_t count;
        std::string bytes;
    } cases[] = {
        {0, Bytes({0x00, 0x00})},
        {300, Bytes({0x2C, 0x01})},
        {65534, Bytes({0xFE, 0xFF})},
        {65535, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00})},
        {0x12345678, Bytes({0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12})},
    };
    for (const auto& c : cases) {
        ArchiveWriter writer;
        writer.WriteCount(c.count);
        EXPECT_EQ(writer.Bytes(), c.bytes) << c.count;
        ArchiveReader reader(writer.Bytes());
        std::uint32_t back = 0;
        ASSERT_TRUE(reader.ReadCount(back));
        EXPECT_EQ(back, c.count);
    }

    ArchiveWriter writer;
    writer.WriteUInt32(0x01020304);
    writer.WriteUInt64(0x1122334455667788ull);
    EXPECT_EQ(writer.Bytes(), Bytes({0x04, 0x03, 0x02, 0x01, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
    ArchiveReader reader(writer.Bytes());
    std::uint32_t small = 0;
    std::uint64_t large = 0;
    ASSERT_TRUE(reader.ReadUInt32(small) && reader.ReadUInt64(large));
    EXPECT_EQ(small, 0x01020304u);
    EXPECT_EQ(large, 0x1122334455667788ull);
}

TEST(ArchiveTest, ReadsEightBitStringsWithoutTheWideMarker) {
    struct Case {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {Bytes({0x03, 'a', 'b', 'c'}), L"abc"},
        {Bytes({0x00}), L""},
        {Bytes({0xFF, 0x02, 0x00, 'h', 'i'}), L"hi"},
    };
    for (const auto& c : cases) {
        ArchiveReader reader(c.bytes);
        std::wstring text;
        ASSERT_TRUE(reader.ReadString(text));
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

TEST(ArchiveTest, TruncatedStreamFailsAtEveryOffsetAndStaysFailed) {
    ArchiveWriter writer;
    writer.WriteCount(70000);
    writer.WriteString(TextOfLength(300));
    writer.WriteString(TextOfLength(65534));
    writer.WriteUInt64(42);
    const std::string& full = writer.Bytes();

    for (std::size_t cut = 0; cut < full.size(); cut += (cut < 400 || cut > full.size() - 400) ? 1 : 97) {
        ArchiveReader reader(full.substr(0, cut));
        std::uint32_t count = 0;
        std::wstring first;
        std::wstring second;
        std::uint64_t tail = 0;
        const bool all = reader.ReadCount(count) && reader.ReadString(first) && reader.ReadString(second) &&
                         reader.ReadUInt64(tail);
        EXPECT_FALSE(all) << cut;
        EXPECT_TRUE(reader.Failed()) << cut;
        std::uint8_t byte = 0;
        EXPECT_FALSE(reader.ReadByte(byte)) << cut;
    }
}

TEST(ArchiveTest, CraftedLengthsBeyondTheDataAreRefused) {
    const std::string cases[] = {
        Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}),
        Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
        Bytes({0xFF, 0xFE, 0xFF, 0x05, 'a', 0}),
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}),
    };
    for (const auto& bytes : cases) {
        ArchiveReader reader(bytes);
        std::wstring text = L"unchanged";
        EXPECT_FALSE(reader.ReadString(text));
        EXPECT_EQ(text, L"unchanged");
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

}  // namespace
