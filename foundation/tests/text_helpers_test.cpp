#include "foundation/text_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/guid_text.h"
#include "foundation/sort_string_array.h"
#include "foundation/split_path.h"
#include "foundation/split_string.h"

namespace {

TEST(TextHelpersTest, SplitsAtOneCharacterSeparators) {
    const struct {
        std::wstring text;
        std::wstring separator;
        std::vector<std::wstring> pieces;
    } cases[] = {
        {L"a|b|c", L"|", {L"a", L"b", L"c"}},
        {L"no separator", L"|", {L"no separator"}},
        {L"trailing|", L"|", {L"trailing", L""}},
        {L"||", L"|", {L"", L"", L""}},
        {L"", L"|", {L""}},
        {L"a||b", L"||", {L""}},
        {L"a|b", L"", {L""}},
    };
    for (const auto& c : cases) {
        const SplitString split(c.text, c.separator);
        EXPECT_EQ(split.Result(), 0);
        EXPECT_EQ(split.Pieces(), c.pieces) << c.text << " / " << c.separator;
        EXPECT_EQ(split.GetCount(), static_cast<int>(c.pieces.size()));
        EXPECT_EQ(split.GetAt(-1), L"");
        EXPECT_EQ(split.GetAt(split.GetCount()), L"");
    }
}

TEST(TextHelpersTest, EditsTextInPlace) {
    std::wstring text = L"  \tMixed Case \u00c4\r\n";
    TrimString(text);
    EXPECT_EQ(text, L"Mixed Case \u00c4");
    MakeLowerInPlace(text);
    EXPECT_EQ(text, L"mixed case \u00e4");
    MakeUpperString(text);
    EXPECT_EQ(text, L"MIXED CASE \u00c4");

    std::wstring path = L"a/b/c";
    EXPECT_EQ(ReplaceChar(path, L'/', L'\\'), 2);
    EXPECT_EQ(path, L"a\\b\\c");
    EXPECT_EQ(ReplaceChar(path, L'\\', L'\\'), 0);

    EXPECT_EQ(GetMidString(L"abcdef", 2), L"cdef");
    EXPECT_EQ(GetMidString(L"abc", 3), L"");
    EXPECT_EQ(GetMidString(L"abc", 10), L"");
    EXPECT_EQ(GetMidString(L"abc", -1), L"abc");

    EXPECT_TRUE(IsStringEqual(L"Abc", L"Abc"));
    EXPECT_FALSE(IsStringEqual(L"Abc", L"abc"));
    EXPECT_TRUE(IsStringEqualLiteral(L"x", L"x"));
    EXPECT_FALSE(IsStringEqualLiteral(L"x", nullptr));
    EXPECT_EQ(CStringFromWide(nullptr), L"");

    const struct {
        std::wstring in;
        std::wstring out;
    } specs[] = {{L"C:\\dir\\file.txt", L"C:\\dir"}, {L"C:\\dir\\", L"C:\\dir"}, {L"C:\\", L"C:\\"},
                 {L"file.txt", L""}, {L"C:\\" + std::wstring(300, L'x') + L"\\f", L"C:\\" + std::wstring(300, L'x')}};
    for (const auto& s : specs) {
        std::wstring p = s.in;
        RemoveFileSpec(p);
        EXPECT_EQ(p, s.out) << s.in;
    }
}

TEST(TextHelpersTest, ConvertsBetweenTextsAndBuffers) {
    const std::vector<BYTE> stored = StringToBuffer(L"  ID\u00e9 ");
    EXPECT_EQ(stored, (std::vector<BYTE>{'I', 0, 'D', 0, 0xE9, 0}));
    EXPECT_EQ(BufferToString(stored.data(), stored.size()), L"ID\u00e9");
    EXPECT_EQ(StringToBuffer(L"   "), (std::vector<BYTE>{0, 0}));

    const BYTE withZero[] = {'a', 0, 0, 0, 'b', 0};
    EXPECT_EQ(BufferToString(withZero, sizeof(withZero)), L"a");
    const BYTE odd[] = {'a', 0, 'b'};
    EXPECT_EQ(BufferToString(odd, sizeof(odd)), L"a");
    EXPECT_EQ(BufferToString(nullptr, 4), L"");

    char buffer[8] = "garbage";
    EXPECT_EQ(WideToNarrow(L"abc", CP_UTF8, buffer, sizeof(buffer)), buffer);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(WideToNarrow(L"far too long", CP_UTF8, buffer, sizeof(buffer)), nullptr);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(WideToNarrow(L"abc", CP_UTF8, nullptr, 8), nullptr);

    BSTR automation = CStringToBstr(std::wstring(L"a\0b", 3));
    ASSERT_NE(automation, nullptr);
    EXPECT_EQ(SysStringLen(automation), 3u);
    SysFreeString(automation);
}

TEST(TextHelpersTest, SplitsPathsWithoutCuttingThem) {
    const struct {
        std::wstring path;
        const wchar_t *drive, *directory, *name, *extension;
    } cases[] = {
        {L"C:\\Windows\\inf\\oem12.inf", L"C:", L"\\Windows\\inf\\", L"oem12", L".inf"},
        {L"relative/dir/archive.tar.gz", L"", L"relative/dir/", L"archive.tar", L".gz"},
        {L"D:name", L"D:", L"", L"name", L""},
        {L"\\\\server\\share\\.hidden", L"", L"\\\\server\\share\\", L"", L".hidden"},
        {L"", L"", L"", L"", L""},
    };
    for (const auto& c : cases) {
        const CSplitPath split(c.path);
        EXPECT_EQ(split.GetDrive(), c.drive) << c.path;
        EXPECT_EQ(split.GetDirectory(), c.directory) << c.path;
        EXPECT_EQ(split.GetFileName(), c.name) << c.path;
        EXPECT_EQ(split.GetExtension(), c.extension) << c.path;
    }
    const std::wstring longName(400, L'n');
    const CSplitPath longPath(L"C:\\" + longName + L"\\" + longName + L".inf");
    EXPECT_EQ(longPath.GetDirectory(), L"\\" + longName + L"\\");
    EXPECT_EQ(longPath.GetFileName(), longName);
}

TEST(TextHelpersTest, SortsWithoutRegardToCaseKeepingEqualsInOrder) {
    CSortStringArray array;
    for (const wchar_t* text : {L"b", L"A", L"a", L"\u00e4", L"B", L"c", L"\u00c4"}) array.Add(text);
    array.Sort();
    EXPECT_EQ(array.Items(), (std::vector<std::wstring>{L"A", L"a", L"b", L"B", L"c", L"\u00e4", L"\u00c4"}));
}

TEST(TextHelpersTest, GuidTexts) {
    const GUID display = {0x4d36e968, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    GUID guid{};
    ASSERT_TRUE(GuidFromString(L"4d36e968-e325-11ce-bfc1-08002be10318", guid));
    EXPECT_TRUE(IsEqualGUID(guid, display));
    EXPECT_FALSE(GuidFromString(L"{4d36e968-e325-11ce-bfc1-08002be10318}", guid)) << "braces are added, not expected";
    EXPECT_FALSE(GuidFromString(L"not a guid", guid));

    std::wstring text;
    ASSERT_TRUE(GuidToString(display, text));
    EXPECT_EQ(text, L"{4D36E968-E325-11CE-BFC1-08002BE10318}");

    guid = GUID{};
    ASSERT_TRUE(GuidFromDriverKey(L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0003", guid));
    EXPECT_TRUE(IsEqualGUID(guid, display));
    EXPECT_FALSE(GuidFromDriverKey(L"\\0003", guid));
}

}  // namespace
