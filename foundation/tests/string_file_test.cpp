#include "foundation/string_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scoped_temp_folder.h"

namespace {

std::vector<std::wstring> ReadAll(const std::wstring& path) {
    CStringFile file;
    EXPECT_TRUE(file.Open(path));
    std::vector<std::wstring> lines;
    std::wstring line;
    UINT expected = 1;
    while (const UINT number = file.ReadLine(line)) {
        EXPECT_EQ(number, expected++);
        lines.push_back(line);
    }
    EXPECT_EQ(line, L"");
    EXPECT_EQ(file.ReadLine(line), 0u) << "stays at the end";
    return lines;
}

std::string Utf16(const std::wstring& text, bool bigEndian) {
    std::string bytes;
    for (wchar_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(StringFileTest, LineEndingsAndEncodings) {
    ScopedTempFolder folder;
    const std::vector<std::wstring> inf = {L"[Version]", L"Signature=\"$Windows NT$\"", L"Class=Net"};
    const std::wstring text = L"[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\nClass=Net\r\n";
    const struct {
        const wchar_t* name;
        std::string bytes;
        std::vector<std::wstring> lines;
    } cases[] = {
        {L"crlf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\nClass=Net\r\n", inf},
        {L"lf", "[Version]\nSignature=\"$Windows NT$\"\n\nClass=Net\n", inf},
        {L"cr", "[Version]\rSignature=\"$Windows NT$\"\r\rClass=Net", inf},
        {L"no final newline", "[Version]\nSignature=\"$Windows NT$\"\nClass=Net", inf},
        {L"zero bytes", std::string("[Vers\0ion]\nClass=Net", 20), {L"[Version]", L"Class=Net"}},
        {L"utf8 mark", "\xEF\xBB\xBF" "Ger\xC3\xA4t\n\xE6\x97\xA5\xE6\x9C\xAC", {L"Ger\u00e4t", L"\u65e5\u672c"}},
        {L"utf16le mark", "\xFF\xFE" + Utf16(text + L"\u65e5\U0001F600", false),
         {L"[Version]", L"Signature=\"$Windows NT$\"", L"Class=Net", L"\u65e5\U0001F600"}},
        {L"utf16be mark", "\xFE\xFF" + Utf16(L"a\u00e4\r\nb", true), {L"a\u00e4", L"b"}},
        {L"only breaks", "\r\n\n\r\r", {}},
        {L"empty", "", {}},
        {L"short", "x", {L"x"}},
    };
    for (const auto& c : cases) {
        const std::wstring path = folder.File(std::wstring(c.name) + L".inf");
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        EXPECT_EQ(ReadAll(path), c.lines) << c.name;
    }
}

TEST(StringFileTest, AnsiTextUsesTheCodePage) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"ansi.txt");
    ASSERT_TRUE(WriteFileBytes(path, "caf\xE9\r\n"));
    wchar_t expected[4] = {};
    char byte = static_cast<char>(0xE9);
    MultiByteToWideChar(CP_THREAD_ACP, 0, &byte, 1, expected, 4);
    EXPECT_EQ(ReadAll(path), (std::vector<std::wstring>{std::wstring(L"caf") + expected}));
}

TEST(StringFileTest, LongLinesComeBackWhole) {
    ScopedTempFolder folder;
    std::string longLine;
    for (int i = 0; i < 9000; ++i) longLine.push_back(static_cast<char>('a' + i % 26));
    const std::wstring path = folder.File(L"long.txt");
    // The break of the first line falls on a read-buffer boundary.
    const std::string first(2047, 'x');
    ASSERT_TRUE(WriteFileBytes(path, first + "\r\n" + longLine + "\nend"));
    const auto lines = ReadAll(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::wstring(2047, L'x'));
    EXPECT_EQ(lines[1], std::wstring(longLine.begin(), longLine.end()));
    EXPECT_EQ(lines[2], L"end");
}

TEST(StringFileTest, MissingFilesDoNotOpen) {
    ScopedTempFolder folder;
    CStringFile file;
    EXPECT_FALSE(file.Open(folder.File(L"missing.inf")));
    std::wstring line = L"x";
    EXPECT_EQ(file.ReadLine(line), 0u);
    EXPECT_EQ(line, L"");
}

}  // namespace
