#include "platform/checked_format.h"

#include <gtest/gtest.h>

namespace {

TEST(CheckedFormatTest, FillsOnlyConversionsThatMatchTheNextValue) {
    struct Case {
        const wchar_t* format;
        std::wstring expected;
    };
    // Values given in every case: the number 7, the text "a.inf" and the real 1.5.
    const Case cases[] = {
        {L"%d drivers", L"7 drivers"},
        {L"%i drivers", L"7 drivers"},
        {L"%d%% done", L"7% done"},
        {L"%d of %ls, %.2f MB", L"7 of a.inf, 1.50 MB"},
        {L"%d then %s then %f", L"7 then a.inf then 1.500000"},
        // A translator's mistakes and stray signs are printed as written.
        {L"%ls first", L"%ls first"},        // a text where the number comes
        {L"%d %d", L"7 %d"},                 // the second number is a text
        {L"100% sure %d", L"100% sure 7"},   // "% s" is not a conversion
        {L"%n %p %x %c %5d", L"%n %p %x %c %5d"},
        {L"%.99f %.2", L"%.99f %.2"},
        {L"ends with %", L"ends with %"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatChecked(c.format, {7, L"a.inf", 1.5}), c.expected)
            << "format: " << testing::PrintToString(std::wstring(c.format));
    }
}

TEST(CheckedFormatTest, MoreConversionsThanValuesLeavesTheRestAsWritten) {
    EXPECT_EQ(FormatChecked(L"%ls of %ls downloaded", {L"3 MB"}), L"3 MB of %ls downloaded");
    EXPECT_EQ(FormatChecked(L"%s %s %s %s %s %s %s %s", {}), L"%s %s %s %s %s %s %s %s");
    EXPECT_EQ(FormatChecked(L"%ls", {static_cast<const wchar_t*>(nullptr)}), L"");
}

TEST(CheckedFormatTest, NumbersKeepTheirFullRangeAndSign) {
    EXPECT_EQ(FormatChecked(L"%d", {-2147483647 - 1}), L"-2147483648");
    EXPECT_EQ(FormatChecked(L"%d", {4294967295u}), L"4294967295");
    // The largest real still comes out whole.
    const std::wstring largest = FormatChecked(L"%.2f", {-1.5e308});
    EXPECT_EQ(largest.size(), 1u + 309u + 3u);
    EXPECT_EQ(largest.substr(0, 2), L"-1");
    EXPECT_EQ(largest.substr(largest.size() - 3), L".00");
}

}  // namespace
