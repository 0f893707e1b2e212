#include "platform/html/browser_page_host.h"

#include <gtest/gtest.h>

#include "tests/support/page_test_support.h"

namespace {

class CompletionCount : public PageHostEvents {
public:
    int completed = 0;
    int failed = 0;
    void OnDocumentComplete() override { ++completed; }
    void OnLoadFailed() override { ++failed; }
    HRESULT OnElementEvent(PageEvent, const std::vector<PageElement>&) override { return S_OK; }
};

// This machine's browser control has no document engine: the host must say so
// plainly, at once rather than by a window's time-out, and leave the window working.
TEST(BrowserPageHost, WithoutADocumentEngineThereIsNoDocumentAndNothingBreaks) {
    ScopedComApartment apartment;
    TestHostWindow window(400, 300);
    ASSERT_NE(window.Handle(), nullptr);
    CompletionCount events;
    {
        BrowserPageHost host;
        host.SetHostFlags(0x0D);
        host.Open(window.Handle(), GetModuleHandleW(nullptr), 9001, events);
        host.RefuseDrops();
        PumpMessagesUntil([&] { return events.failed > 0; }, 10000);
        EXPECT_EQ(events.failed, 1);
        EXPECT_EQ(events.completed, 0);
        EXPECT_FALSE(host.Document());
        EXPECT_FALSE(host.SetElementText(L"received", L"text"));
        MSG key{window.Handle(), WM_KEYDOWN, VK_F5, 0, 0, {}};
        host.TranslateKey(key);
        host.Close();
        host.Close();
    }
    // The control lets go of its windows and threads through the message queue.
    PumpMessagesUntilQuiet();
    EXPECT_TRUE(IsWindow(window.Handle()));
}

TEST(PageHostFactory, TheBrowserControlUnlessATestChoosesAnotherHost) {
    EXPECT_NE(dynamic_cast<BrowserPageHost*>(CreatePageHost().get()), nullptr);
    {
        ScopedPageHostFactory factory([] { return std::unique_ptr<PageHost>(); });
        EXPECT_EQ(CreatePageHost(), nullptr);
    }
    EXPECT_NE(dynamic_cast<BrowserPageHost*>(CreatePageHost().get()), nullptr);
}

}  // namespace
