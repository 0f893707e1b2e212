#include "platform/html/script_page_host.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/html/script_call.h"
#include "tests/support/page_test_support.h"

namespace {

constexpr UINT kBridgePage = 9001;
constexpr UINT kBrokenPage = 9002;

class EventLog : public PageHostEvents {
public:
    int completed = 0;
    std::vector<std::pair<PageEvent, std::vector<PageElement>>> events;
    HRESULT answer = S_OK;

    void OnDocumentComplete() override { ++completed; }
    HRESULT OnElementEvent(PageEvent event, const std::vector<PageElement>& path) override {
        events.emplace_back(event, path);
        return answer;
    }
};

std::wstring CallForText(ScriptPageHost& host, const std::wstring& function,
                         const std::vector<std::wstring>& arguments = {}) {
    auto document = host.Document();
    ComPtr<IDispatch> script;
    if (!document || FAILED(document->get_Script(script.Put()))) return L"<no script>";
    ScopedVariant result;
    if (FAILED(CallScriptFunction(script.Get(), function, arguments, result.Get()))) return L"<failed>";
    if (FAILED(VariantChangeType(result.Get(), result.Get(), 0, VT_BSTR))) return L"<not text>";
    return result.Value().bstrVal;
}

class ScriptPageHostTest : public ::testing::Test {
protected:
    ScopedComApartment apartment;
    EventLog log;
    ScriptPageHost host;
};

TEST_F(ScriptPageHostTest, RunsThePagesScriptsAndReadyHandlersAgainstItsElements) {
    ASSERT_TRUE(host.Open(nullptr, GetModuleHandleW(nullptr), kBridgePage, log));
    EXPECT_TRUE(host.ScriptErrors().empty()) << host.ScriptErrors().front();
    EXPECT_EQ(log.completed, 1);
    EXPECT_EQ(host.ElementText(L"received"), L"nothing yet");
    EXPECT_EQ(host.ElementText(L"ready"), L"yes");
    EXPECT_EQ(CallForText(host, L"eval", {L"String(inlineRan)"}), L"true");
    // The ready handler's timeout has run once.
    EXPECT_TRUE(host.IsElementVisible(L"later"));
    EXPECT_EQ(host.ElementText(L"later"), L"shown");
    EXPECT_FALSE(host.HasElement(L"absent"));
}

TEST_F(ScriptPageHostTest, PagesRunInTheNewerLanguageModeOfTheirDocumentMode) {
    ASSERT_TRUE(host.Open(nullptr, GetModuleHandleW(nullptr), kBridgePage, log));
    EXPECT_EQ(CallForText(host, L"eval", {L"typeof [].map + ' ' + typeof Object.keys + ' ' + typeof JSON"}),
              L"function function object");
    EXPECT_EQ(CallForText(host, L"modern"), L"2,4,6;2");
}

TEST_F(ScriptPageHostTest, TextsGoInAsTextAndMarkupIsNeverRun) {
    ASSERT_TRUE(host.Open(nullptr, GetModuleHandleW(nullptr), kBridgePage, log));
    const std::wstring markup = L"<img src=x onerror=\"fails()\">Device & Co";
    EXPECT_TRUE(host.SetElementText(L"received", markup));
    EXPECT_EQ(host.ElementText(L"received"), markup);
    EXPECT_FALSE(host.SetElementText(L"absent", L"x"));
    CallForText(host, L"one", {markup});
    EXPECT_EQ(host.ElementText(L"received"), L"1:" + markup);
}

TEST_F(ScriptPageHostTest, KeepsWhatTheProgramGaveThePageInItsOrderForARunDrivenFromOutside) {
    ASSERT_TRUE(host.Open(nullptr, GetModuleHandleW(nullptr), kBridgePage, log));
    EXPECT_TRUE(host.SetElementText(L"ready", L"Ger\u00e4t \"A\"\\B\n"));
    EXPECT_FALSE(host.SetElementText(L"absent", L"x"));
    CallForText(host, L"one", {L"first"});
    CallForText(host, L"one", {L"<b>second</b>"});
    CallForText(host, L"modern");
    // The page's own reads through the script host are not the program's calls.
    host.ElementText(L"received");
    const ReceivedPageCalls& received = host.Received();
    EXPECT_EQ(received.elementTexts, (std::map<std::wstring, std::wstring>{{L"ready", L"Ger\u00e4t \"A\"\\B\n"}}));
    using Call = std::pair<std::wstring, std::vector<std::wstring>>;
    EXPECT_EQ(received.calls,
              (std::vector<Call>{{L"one", {L"first"}}, {L"one", {L"<b>second</b>"}}, {L"modern", {}}}));
    EXPECT_EQ(host.AnswerRequest(L"received"),
              L"{\"resource\": 9001, \"elementTexts\": {\"ready\": \"Ger\u00e4t \\\"A\\\"\\\\B\\n\"}, \"calls\": ["
              L"{\"function\": \"one\", \"arguments\": [\"first\"]}, "
              L"{\"function\": \"one\", \"arguments\": [\"<b>second</b>\"]}, "
              L"{\"function\": \"modern\", \"arguments\": []}]}");
    // A page opened again starts a new record.
    ASSERT_TRUE(host.Open(nullptr, GetModuleHandleW(nullptr), kBridgePage, log));
    EXPECT_TRUE(host.Received().calls.empty());
    EXPECT_TRUE(host.Received().elementTexts.empty());
}

TEST_F(ScriptPageHostTest, AClickRunsThePagesHandlerThenReachesTheWindowWithTheAncestors) {
    ASSERT_TRUE(host.Open(nullptr, GetModuleHandleW(nullptr), kBridgePage, log));
    host.Click(L"button");
    EXPECT_EQ(host.ElementText(L"received"), L"clicked");
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].first, PageEvent::Click);
    const auto& path = log.events[0].second;
    ASSERT_EQ(path.size(), 4u);
    EXPECT_EQ(path[0].id, L"button");
    EXPECT_EQ(path[0].tagName, L"a");
    EXPECT_EQ(path[1].id, L"outer");
    EXPECT_EQ(path[2].tagName, L"body");
    EXPECT_EQ(path[3].tagName, L"html");

    log.answer = S_FALSE;
    EXPECT_EQ(host.Fire(PageEvent::SelectStart, L"field"), S_FALSE);
    EXPECT_TRUE(log.events.back().second.front().isTextEdit);
}

TEST_F(ScriptPageHostTest, DocumentCompleteComesFromTheWindowsMessagePump) {
    TestHostWindow window(400, 300);
    ASSERT_NE(window.Handle(), nullptr);
    ASSERT_TRUE(host.Open(window.Handle(), GetModuleHandleW(nullptr), kBridgePage, log));
    EXPECT_EQ(log.completed, 0);
    EXPECT_TRUE(PumpMessagesUntil([&] { return log.completed == 1; }));
    host.Close();
    host.Click(L"button");
    EXPECT_TRUE(log.events.empty());
}

TEST_F(ScriptPageHostTest, ReportsScriptsThatDoNotParseOrDoNotExist) {
    ASSERT_TRUE(host.Open(nullptr, GetModuleHandleW(nullptr), kBrokenPage, log));
    const auto& errors = host.ScriptErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind(L"broken.js: line 1:", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1].rfind(L"absent.js:", 0), 0u) << errors[1];
    EXPECT_EQ(host.ElementText(L"still"), L"still here");
}

TEST_F(ScriptPageHostTest, APageTheModuleLacksGivesNoDocument) {
    EXPECT_FALSE(host.Open(nullptr, GetModuleHandleW(nullptr), 9999, log));
    EXPECT_FALSE(host.Document());
    EXPECT_EQ(log.completed, 0);
}

}  // namespace
