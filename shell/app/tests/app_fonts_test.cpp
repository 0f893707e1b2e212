#include "shell/app/app_fonts.h"

#include <gtest/gtest.h>

namespace {

TEST(AppFonts, TitleAndHeaderFontsFollowLanguageAndFace) {
    const struct {
        unsigned language;
        bool segoe;
        AppFontSpec title, large, header;
    } cases[] = {
        {0, true, {-19, 700, false}, {-23, 700, false}, {-14, 700, false}},
        {4, true, {-15, 700, false}, {-23, 700, false}, {-13, 700, false}},
        {14, true, {-15, 700, false}, {-23, 700, false}, {-13, 500, false}},
        {6, true, {-17, 700, false}, {-23, 700, false}, {-13, 500, false}},
        {10, false, {-11, 600, false}, {-23, 600, false}, {-13, 500, false}},
        {0, false, {-17, 600, false}, {-23, 600, false}, {-14, 700, false}},
        {3, false, {-11, 600, false}, {-23, 600, false}, {-13, 700, false}},
    };
    for (const auto& c : cases) {
        const auto specs = AppFontSpecs(c.language, c.segoe);
        SCOPED_TRACE(testing::Message() << "language " << c.language << " segoe " << c.segoe);
        EXPECT_EQ(specs[2].height, c.title.height);
        EXPECT_EQ(specs[2].weight, c.title.weight);
        EXPECT_EQ(specs[3].height, c.large.height);
        EXPECT_EQ(specs[3].weight, c.large.weight);
        EXPECT_EQ(specs[4].weight, c.large.weight);
        EXPECT_EQ(specs[18].height, c.header.height);
        EXPECT_EQ(specs[18].weight, c.header.weight);
    }
}

TEST(AppFonts, OnlyTheEighthIsItalicAndAllAreMade) {
    const auto specs = AppFontSpecs(0, false);
    for (std::size_t i = 0; i < kAppFontCount; ++i) EXPECT_EQ(specs[i].italic, i == 7) << i;

    LOGFONTW base{};
    base.lfCharSet = DEFAULT_CHARSET;
    AppFonts fonts;
    fonts.Create(base, 0, false, L"Tahoma");
    for (std::size_t i = 0; i < kAppFontCount; ++i) {
        LOGFONTW made{};
        ASSERT_NE(GetObjectW(fonts.Get(i), sizeof(made), &made), 0) << i;
        EXPECT_EQ(made.lfHeight, specs[i].height) << i;
        EXPECT_STREQ(made.lfFaceName, L"Tahoma") << i;
    }
    EXPECT_EQ(fonts.Get(kAppFontCount), nullptr);
    EXPECT_EQ(AppFontFace(true, L"Tahoma"), L"segoe UI");
}

}  // namespace
