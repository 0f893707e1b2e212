#include "engine/missing_program_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

// A language file as the program reads them: UTF-16LE with a byte-order mark.
std::string LanguageFileBytes(const std::wstring& text) {
    const std::wstring withMark = L"\xFEFF" + text;
    std::string bytes(withMark.size() * sizeof(wchar_t), '\0');
    std::memcpy(bytes.data(), withMark.data(), bytes.size());
    return bytes;
}

class MissingProgramMessageTest : public ::testing::Test {
protected:
    void UseLanguageFile(const std::wstring& path) {
        LanguageFileCache().SetPath(path);
        LanguageFileCache().ClearCache();
    }
    void TearDown() override { UseLanguageFile(L""); }
};

TEST_F(MissingProgramMessageTest, TheShippedEnglishTextNamesTheProgram) {
    UseLanguageFile(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
    EXPECT_EQ(L"A file that Halvenor needs is missing. Please install the program again.", MissingProgramMessage());
}

TEST_F(MissingProgramMessageTest, TheTitleFillsOnlyTheTextsOwnPlace) {
    struct Case {
        const wchar_t* languageFile;
        const wchar_t* expected;
    } cases[] = {
        // Conversions other than the title's are a translator's slip: shown, never read.
        {L"[RESOURCESTRING]\r\nAFX_IDS_APP_TITLE=Wizard\r\nIDS_UNABLEFIND=%ls: 100%% %d %s %ls\r\n",
         L"Wizard: 100% %d %s Wizard"},
        // A language file without the text still says what is wrong.
        {L"[RESOURCESTRING]\r\nAFX_IDS_APP_TITLE=Wizard\r\n",
         L"A file that Wizard needs is missing. Please install the program again."},
    };
    ScopedTempFolder folder;
    int number = 0;
    for (const Case& c : cases) {
        const std::wstring path = folder.File(L"lang" + std::to_wstring(++number) + L".ini");
        ASSERT_TRUE(WriteFileBytes(path, LanguageFileBytes(c.languageFile)));
        UseLanguageFile(path);
        EXPECT_EQ(c.expected, MissingProgramMessage()) << c.languageFile;
    }
}

}  // namespace
