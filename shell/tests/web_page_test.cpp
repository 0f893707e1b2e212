#include "shell/web_page.h"

#include <gtest/gtest.h>

#include "platform/html/recording_page_host.h"
#include "platform/html/script_page_host.h"
#include "tests/support/page_test_support.h"

namespace {

constexpr UINT kBridgePage = 9001;

class NoEvents : public PageHostEvents {
public:
    void OnDocumentComplete() override {}
    HRESULT OnElementEvent(PageEvent, const std::vector<PageElement>&) override { return S_OK; }
};

// The real script engine behind the bridge, running the test page's functions.
class WebPageOnScript : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Open(nullptr, GetModuleHandleW(nullptr), kBridgePage, events));
        page.SetDocument(host.Document());
    }

    ScopedComApartment apartment;
    NoEvents events;
    ScriptPageHost host;
    CWebPage page;
};

TEST_F(WebPageOnScript, ArgumentsArriveInOrderForEveryCallForm) {
    struct Case {
        const char* form;
        std::function<bool(CWebPage&)> call;
        std::wstring received;
    };
    const Case cases[] = {
        {"none", [](CWebPage& p) { return p.InvokeScript(L"none"); }, L"0:"},
        {"one", [](CWebPage& p) { return p.InvokeScript1(L"one", L"a"); }, L"1:a"},
        {"two", [](CWebPage& p) { return p.InvokeScript2(L"two", L"a", L"b"); }, L"2:a|b"},
        {"three", [](CWebPage& p) { return p.InvokeScript3(L"three", L"a", L"b", L"c"); }, L"3:a|b|c"},
        {"array", [](CWebPage& p) { return p.InvokeScriptArgs(L"three", {L"x", L"", L"z z"}); }, L"3:x||z z"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.call(page)) << c.form;
        EXPECT_EQ(host.ElementText(L"received"), c.received) << c.form;
    }
    EXPECT_EQ(page.ErrorText(), L"");
}

TEST_F(WebPageOnScript, ResultsComeBack) {
    int value = 0;
    EXPECT_TRUE(page.InvokeScriptInteger(L"answer", {}, value));
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(page.InvokeScriptInteger(L"argumentCount", {L"1", L"2", L"3"}, value));
    EXPECT_EQ(value, 3);

    ScopedVariant result;
    EXPECT_TRUE(page.InvokeScriptArgs(L"modern", {}, result.Get()));
    ASSERT_EQ(result.Value().vt, VT_BSTR);
    EXPECT_STREQ(result.Value().bstrVal, L"2,4,6;2");

    EXPECT_FALSE(page.InvokeScriptInteger(L"modern", {}, value));
    EXPECT_EQ(page.ErrorText().rfind(L"JSCall Error:\n", 0), 0u);
}

TEST_F(WebPageOnScript, FailedCallsAreRecordedAndAnsweredWithFalse) {
    struct Case {
        const char* what;
        std::wstring function;
        HRESULT reason;
    };
    const Case cases[] = {
        {"missing function", L"noSuchFunction", DISP_E_UNKNOWNNAME},
        {"throwing function", L"fails", DISP_E_EXCEPTION},
    };
    for (const Case& c : cases) {
        ScopedVariant result;
        EXPECT_FALSE(page.InvokeScriptArgs(c.function, {L"a"}, result.Get())) << c.what;
        EXPECT_EQ(page.ErrorText(), L"JSCall Error:\n" + ScriptErrorReason(c.reason)) << c.what;
    }
    // Calls go on working after a failure.
    EXPECT_TRUE(page.InvokeScript1(L"one", L"again"));
    EXPECT_EQ(host.ElementText(L"received"), L"1:again");
}

TEST(WebPage, WithoutADocumentEveryCallFails) {
    CWebPage page;
    EXPECT_FALSE(page.InvokeScript(L"anything"));
    EXPECT_EQ(page.ErrorText(), L"JSCall Error:\nCannot GetScript");

    CWebPage handed;
    handed.SetDocument(ComPtr<IHTMLDocument>());
    EXPECT_EQ(handed.ErrorText(), L"JSCall Error:\nNULL pointer");
    EXPECT_FALSE(handed.InvokeScript1(L"anything", L"a"));
    EXPECT_EQ(handed.ErrorText(), L"JSCall Error:\nCannot GetScript");
}

TEST(WebPage, SystemTextOrTheFallbackForAnUnknownCode) {
    EXPECT_EQ(ScriptErrorReason(static_cast<HRESULT>(0xA0BEEF01)), L"FormatMessage Native Error");
    EXPECT_NE(ScriptErrorReason(E_OUTOFMEMORY), L"FormatMessage Native Error");
}

TEST(WebPage, ANewDocumentReplacesTheOldOne) {
    ScopedComApartment apartment;
    NoEvents events;
    RecordingPageHost first;
    RecordingPageHost second;
    first.Open(nullptr, nullptr, 1, events);
    second.Open(nullptr, nullptr, 2, events);
    CWebPage page;
    page.SetDocument(first.Document());
    page.SetDocument(second.Document());
    EXPECT_TRUE(page.InvokeScript2(L"setText", L"a", L"b"));
    EXPECT_TRUE(first.Calls().empty());
    ASSERT_EQ(second.Calls().size(), 1u);
    EXPECT_EQ(second.Calls()[0], (RecordingPageHost::ScriptCall{L"setText", {L"a", L"b"}}));
}

}  // namespace
