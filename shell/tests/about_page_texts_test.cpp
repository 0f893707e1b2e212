#include "shell/about_page_texts.h"

#include <gtest/gtest.h>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "platform/html/script_page_host.h"
#include "tests/support/page_languages.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"

namespace {

constexpr UINT kAboutPage = 429;

class NoEvents : public PageHostEvents {
public:
    void OnDocumentComplete() override {}
    HRESULT OnElementEvent(PageEvent, const std::vector<PageElement>&) override { return S_OK; }
};

class AboutPageTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData.Active());
        languageFile = appData.Path() + L"\\about_texts.ini";
        const std::pair<const wchar_t*, const wchar_t*> texts[] = {
            {L"IDS_RETAIL", L"Retail edition"},
            {L"IDS_HV_APP_NAME_1", L"Halvenor"},
            {L"AFX_IDS_APP_TITLE", L"Halvenor Driver Backup"},
            {L"IDS_ABOUT_RIGHTS", L"\u00a9 Brennavik. All rights reserved."},
            {L"IDS_ABOUT_TRADEMARK", L"Halvenor is a trademark of Brennavik."},
            // A text from a language file must never become markup in the page.
            {L"IDS_ABOUT_WARNING", L"Warning: <b>copying</b> & passing on this program is <script>x()</script> "
                                   L"not allowed without written leave."},
        };
        for (const auto& [key, text] : texts) {
            WritePrivateProfileStringW(L"RESOURCESTRING", key, text, languageFile.c_str());
        }
        LanguageFileCache().SetPath(languageFile);
        LanguageFileCache().ClearCache();
    }

    ScopedComApartment apartment;
    ScopedAppDataFolder appData;
    std::wstring languageFile;
};

TEST_F(AboutPageTextsTest, EveryTextReachesItsElementOfTheAboutPageAsText) {
    NoEvents events;
    ScriptPageHost page;
    ASSERT_TRUE(page.Open(nullptr, GetModuleHandleW(nullptr), kAboutPage, events));
    EXPECT_TRUE(page.ScriptErrors().empty()) << page.ScriptErrors().front();

    PageContract contract{L"about.htm", L"english", {}, {}};
    for (const ElementText& entry : AboutPageTexts(false)) {
        EXPECT_TRUE(page.SetElementText(entry.elementId, entry.text)) << entry.elementId;
        EXPECT_EQ(page.ElementText(entry.elementId), entry.text) << entry.elementId;
        contract.elementTexts[entry.elementId] = entry.text;
    }
    EXPECT_EQ(page.ElementText(L"Span1"), L"Halvenor ");
    EXPECT_EQ(page.ElementText(L"producturl"), kProductWebAddress);
    EXPECT_NE(page.ElementText(L"Warning").find(L"<script>x()</script>"), std::wstring::npos);

    // The link leads to the product page once clicked.
    page.Click(L"producturl");
    EXPECT_EQ(page.ElementAttribute(L"producturl", L"href"), kProductWebAddress);
    EXPECT_TRUE(page.ScriptErrors().empty()) << page.ScriptErrors().front();
    EXPECT_TRUE(WritePageContract(contract));
}

// The about page with the program's own texts, for the pictures a person looks at
// and the check that every text fits.
TEST_F(AboutPageTextsTest, TheAboutPageIsRecordedInThePictureLanguages) {
    for (const PageLanguage& language : kPageLanguages) {
        UsePageLanguage(language);
        PageContract contract{L"about.htm", L"product", {}, {}};
        for (const ElementText& entry : AboutPageTexts(false)) contract.elementTexts[entry.elementId] = entry.text;
        EXPECT_TRUE(WritePageContract(contract, language.code));
    }
}

TEST_F(AboutPageTextsTest, BackupModeShowsTheProgramsOwnTitle) {
    const auto texts = AboutPageTexts(true);
    for (const ElementText& entry : texts) {
        if (entry.elementId == L"Span1" || entry.elementId == L"Span2") {
            EXPECT_EQ(entry.text, L"Halvenor Driver Backup ");
        }
    }
}

}  // namespace
