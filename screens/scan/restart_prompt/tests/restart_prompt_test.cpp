// The restart prompt's page runs its own script in the script host; the reboot is
// a seam, so no test ends the session.
#include "screens/scan/restart_prompt/dlg_nag_restart_html.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/product_shortcuts.h"
#include "platform/checked_format.h"
#include "platform/html/script_page_host.h"
#include "shell/html_dialog/key_state.h"
#include "tests/support/page_languages.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"

namespace {

std::wstring Key(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

class HeldKeys {
public:
    explicit HeldKeys(std::set<int> keys)
        : keys_(std::move(keys)),
          reader_(KeyStateReader{[this](int key) { return State(key); }, [this](int key) { return State(key); }}) {}

private:
    SHORT State(int key) const { return keys_.count(key) != 0 ? static_cast<SHORT>(0x8000) : 0; }
    std::set<int> keys_;
    ScopedKeyStateReader reader_;
};

class RestartPromptTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
    }

    RestartPromptActions Actions(int kind) {
        RestartPromptActions actions;
        actions.operationKind = kind;
        actions.pendingCount = [] { return 3; };
        actions.restartWindows = [this] { ++restarts; };
        return actions;
    }

    ScriptPageHost* Open(CDlg_NAG_RESTART_HTML& prompt) {
        if (!prompt.Create(nullptr)) return nullptr;
        SetWindowPos(prompt.Handle(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        PumpWaitingMessages();
        return dynamic_cast<ScriptPageHost*>(prompt.Host());
    }

    ScopedComApartment apartment_;
    ScopedAppDataFolder appData_;
    ScopedPageHostFactory factory_{[] { return std::make_unique<ScriptPageHost>(); }};
    int restarts = 0;
};

TEST_F(RestartPromptTest, TextsFollowTheKindOfOperation) {
    const std::wstring title = GetProductTitle();
    const struct {
        const wchar_t* state;
        int kind;
        const wchar_t* operationKey;
    } cases[] = {{L"install", 1, L"IDS_M_SINSTALLORRESTORE"}, {L"restore", 2, L"IDS_INCOMP_RESTORE"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        CDlg_NAG_RESTART_HTML prompt(Actions(c.kind));
        ScriptPageHost* host = Open(prompt);
        ASSERT_NE(host, nullptr);
        for (const auto& error : host->ScriptErrors()) ADD_FAILURE() << std::string(error.begin(), error.end());
        const auto texts = CDlg_NAG_RESTART_HTML::PageTexts(c.kind);
        EXPECT_EQ(host->ElementText(L"idText1"), Key(L"IDS_PLEASE_SAVE_WORK"));
        EXPECT_EQ(host->ElementText(L"idText2"), FormatChecked(Key(L"IDS_SYS_REBOOT"), {title}));
        EXPECT_EQ(host->ElementText(L"idText6"), Key(L"string407"));
        EXPECT_EQ(host->ElementText(L"idText8"), Key(L"IDS_NOTE"));
        EXPECT_EQ(host->ElementText(L"continueText"),
                  FormatChecked(Key(L"IDS_CONTINU_RUN_SYS"), {Key(c.operationKey), title}));
        EXPECT_EQ(host->ElementText(L"btnNameText"), Key(L"IDS_SRESTARTORLOGOFF") + L" button");
        EXPECT_EQ(host->ElementText(L"restartNowText"), Key(L"IDS_RESTART_NAG_RESTART_NOW"));
        EXPECT_EQ(host->ElementText(L"restartLaterText"), Key(L"IDS_RESTART_NAG_RESTART_LATER"));
        EXPECT_NE(texts[8].find(Key(c.operationKey)), std::wstring::npos);
        EXPECT_EQ(texts[8].find(L"%"), std::wstring::npos);

        PageContract contract{L"restart_prompt.htm", c.state, {}, {}};
        contract.calls = {{L"setlanguage", {L"en"}},
                          {L"setheaderImg", {L"0"}},
                          {L"settext", std::vector<std::wstring>(texts.begin(), texts.end())}};
        EXPECT_TRUE(WritePageContract(contract));
    }
}

// The prompt after an install with the program's own texts, for the pictures a
// person looks at and the check that every text fits.
TEST_F(RestartPromptTest, TheInstallPromptIsRecordedInThePictureLanguages) {
    for (const PageLanguage& language : kPageLanguages) {
        UsePageLanguage(language);
        const auto texts = CDlg_NAG_RESTART_HTML::PageTexts(1);
        for (size_t i = 0; i < texts.size(); ++i) EXPECT_FALSE(texts[i].empty()) << i;
        PageContract contract{L"restart_prompt.htm", L"install", {}, {}};
        contract.calls = {{L"setlanguage", {language.code}},
                          {L"setheaderImg", {L"0"}},
                          {L"settext", std::vector<std::wstring>(texts.begin(), texts.end())}};
        EXPECT_TRUE(WritePageContract(contract, language.code));
    }
}

TEST_F(RestartPromptTest, ButtonsAnswerThroughThePageAndOnlyRestartNowRestarts) {
    const struct {
        const wchar_t* button;
        int result;
        int restarts;
        int storedCount;
    } cases[] = {
        {L"btnRestart", 8, 1, 3},
        {L"btnRestartLater", 0, 0, -7},
        {L"btnClose", 0, 0, -7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.button, c.button + wcslen(c.button)));
        restarts = 0;
        SaveLastScanResultCount(-7);
        CDlg_NAG_RESTART_HTML prompt(Actions(1));
        ScriptPageHost* host = Open(prompt);
        ASSERT_NE(host, nullptr);
        {
            // A click that comes with Escape held does nothing.
            HeldKeys escape({VK_ESCAPE});
            host->Click(c.button);
        }
        PumpWaitingMessages();
        EXPECT_TRUE(prompt.IsVisible());
        EXPECT_EQ(restarts, 0);

        host->Click(c.button);
        PumpWaitingMessages();
        EXPECT_FALSE(prompt.IsVisible());
        EXPECT_EQ(prompt.Result(), c.result);
        EXPECT_EQ(restarts, c.restarts);
        EXPECT_EQ(GetLastScanResultCount(), c.storedCount) << "pending drivers stored before the restart";
    }
    EXPECT_TRUE(RestartWasChosen());
}

}  // namespace
