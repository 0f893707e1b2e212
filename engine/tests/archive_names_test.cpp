#include <gtest/gtest.h>

#include "engine/angle_base64_name_codec.h"
#include "engine/archive_member_name.h"

namespace {

TEST(ArchiveMemberName, AcceptsOnlyNamesBelowTheTargetFolder) {
    const struct {
        const wchar_t* name;
        bool safe;
    } cases[] = {
        {L"driver.inf", true},
        {L"x64\\driver.sys", true},
        {L"docs/readme.txt", true},
        {L"sub\\", true},
        {L"a..b\\c.txt", true},
        {L".\\file", true},
        {L"", false},
        {L"..\\evil.txt", false},
        {L"sub\\..\\..\\evil.txt", false},
        {L"../evil.txt", false},
        {L"sub/.. /evil.txt", false},
        {L"...\\evil.txt", false},
        {L"\\Windows\\evil.txt", false},
        {L"/etc/evil", false},
        {L"C:\\evil.txt", false},
        {L"C:evil.txt", false},
        {L"\\\\server\\share\\evil.txt", false},
        {L"file.txt:stream", false},
        {L"CON", false},
        {L"sub\\nul.txt", false},
        {L"com1", false},
        {L"LPT9.inf", false},
        {L"CONOUT$", false},
        {L"console.txt", true},
        {L"com10", true},
        {L"lpt", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSafeArchiveMemberName(c.name), c.safe) << testing::PrintToString(std::wstring(c.name));
    }
}

TEST(AngleBase64NameCodec, DecodesRunsAndCopiesTheRest) {
    const struct {
        const char* encoded;
        const wchar_t* decoded;
    } cases[] = {
        {"plain.inf", L"plain.inf"},
        {"<>", L"<"},
        {"a<>b", L"a<b"},
        {"x<AEEAQg>.inf", L"xAB.inf"},
        {"<APwgrA>", L"\u00FC\u20AC"},
        {"<AEEAQg.inf", L"AB.inf"},  // a byte outside the alphabet ends the run and is kept
        {"<AE>z", L"z"},             // bits left over at the end of a run are dropped
        {"a>b", L"a>b"},
    };
    const AngleBase64NameCodec codec;
    for (const auto& c : cases) {
        EXPECT_EQ(codec.Decode(c.encoded), c.decoded) << c.encoded;
    }
    EXPECT_TRUE(HasEncodedNameRun("a<b"));
    EXPECT_FALSE(HasEncodedNameRun("ab>"));
}

}  // namespace
