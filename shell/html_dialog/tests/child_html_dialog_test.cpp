#include "shell/html_dialog/child_html_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/html/browser_page_host.h"
#include "platform/html/recording_page_host.h"
#include "platform/html/script_page_host.h"
#include "platform/ui/message_pump.h"
#include "shell/html_dialog/key_state.h"
#include "tests/support/message_wait.h"
#include "tests/support/page_test_support.h"

namespace {

constexpr UINT kScreenTemplate = 9110;
constexpr UINT kBridgePage = 9001;  // a div#outer > a#button > span#label and an input#field

// Keys a test holds down, as both key-state readers report them.
class HeldKeys {
public:
    explicit HeldKeys(std::set<int> keys = {})
        : keys_(std::move(keys)),
          reader_(KeyStateReader{[this](int key) { return State(key); }, [this](int key) { return State(key); }}) {}
    void Hold(std::set<int> keys) { keys_ = std::move(keys); }

private:
    SHORT State(int key) const { return keys_.count(key) != 0 ? static_cast<SHORT>(0x8000) : 0; }
    std::set<int> keys_;
    ScopedKeyStateReader reader_;
};

std::unique_ptr<PageHost> MakeRecordingHost() { return std::make_unique<RecordingPageHost>(); }
std::unique_ptr<PageHost> MakeScriptHost() { return std::make_unique<ScriptPageHost>(); }

class BaseScreen : public CChildHtmlDialog {
public:
    BaseScreen() : CChildHtmlDialog(kScreenTemplate, kBridgePage) {}
    int readyCalls = 0;
    int unavailableCalls = 0;
    bool hadDocumentWhenReady = false;

protected:
    void OnDocumentReady() override {
        ++readyCalls;
        hadDocumentWhenReady = m_webPage.Document() != nullptr;
        m_webPage.InvokeScript2(L"two", L"ready", L"now");
    }
    void OnPageUnavailable() override { ++unavailableCalls; }
};

// A screen with a table of its own: it replaces the base's.
class TableScreen : public CChildHtmlDialog {
public:
    TableScreen() : CChildHtmlDialog(kScreenTemplate, kBridgePage) {}
    std::vector<std::wstring> handled;

protected:
    std::span<const HtmlEventEntry> EventTable() const override;

private:
    HRESULT OnButton(const PageElement& element) {
        handled.push_back(L"button:" + element.id);
        return S_OK;
    }
    HRESULT OnOuter(const PageElement& element) {
        handled.push_back(L"outer:" + element.id);
        return S_OK;
    }
    HRESULT OnInputMenu(const PageElement& element) {
        handled.push_back(L"input-menu:" + element.id);
        return S_FALSE;
    }
    static const HtmlEventEntry kEvents[];
};

const HtmlEventEntry TableScreen::kEvents[] = {
    OnElement(L"button", PageEvent::Click, &TableScreen::OnButton),
    OnElement(L"outer", PageEvent::Click, &TableScreen::OnOuter),
    OnTag(L"input", PageEvent::ContextMenu, &TableScreen::OnInputMenu),
};
std::span<const HtmlEventEntry> TableScreen::EventTable() const { return kEvents; }

class ChildHtmlDialogTest : public ::testing::Test {
protected:
    template <class Screen>
    void Open(Screen& screen) {
        ASSERT_TRUE(screen.Create(nullptr));
        SetWindowPos(screen.Handle(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        PumpMessagesUntilQuiet();
    }

    ScopedComApartment apartment;
};

TEST_F(ChildHtmlDialogTest, ThePageGetsTheFixedHostSettingsAndTheScreenItsDocument) {
    ScopedPageHostFactory factory(MakeScriptHost);
    BaseScreen screen;
    Open(screen);
    auto* host = dynamic_cast<ScriptPageHost*>(screen.Host());
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->ResourceId(), kBridgePage);
    EXPECT_EQ(host->HostFlags(), 0x0Du);
    EXPECT_TRUE(host->RefusesDrops());
    EXPECT_EQ(screen.readyCalls, 1);
    EXPECT_TRUE(screen.hadDocumentWhenReady);
    // The screen's call reached the page's own function.
    EXPECT_EQ(host->ElementText(L"received"), L"2:ready|now");
    EXPECT_EQ(screen.m_webPage.ErrorText(), L"");
    // Texts go in as text.
    EXPECT_TRUE(screen.SetElementText(L"count", L"<b>7</b>"));
    EXPECT_EQ(host->ElementText(L"count"), L"<b>7</b>");
    EXPECT_EQ(screen.unavailableCalls, 0);
}

TEST_F(ChildHtmlDialogTest, RefusesDropsBeforeAndAfterTheWindowStopsTakingFiles) {
    ScopedPageHostFactory factory(MakeRecordingHost);
    BaseScreen screen;
    Open(screen);
    auto* host = dynamic_cast<RecordingPageHost*>(screen.Host());
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->RefuseDropsCalls(), 2);
    EXPECT_EQ(GetWindowLongW(screen.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
    // A drop that comes anyway is let go of and refused once more.
    DragAcceptFiles(screen.Handle(), TRUE);
    HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + 4 * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    GlobalUnlock(drop);
    SendMessageW(screen.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(host->RefuseDropsCalls(), 3);
    EXPECT_EQ(GetWindowLongW(screen.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
    EXPECT_TRUE(screen.Exists());
}

// What reaches a control of the page after the pump's filters.
struct KeyArrivals {
    std::vector<std::pair<UINT, WPARAM>> messages;
};

LRESULT CALLBACK RecordKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    // The characters that translation makes of a passing key are not the key itself.
    const bool character = message == WM_CHAR || message == WM_SYSCHAR || message == WM_DEADCHAR;
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST && !character) {
        reinterpret_cast<KeyArrivals*>(data)->messages.push_back({message, wParam});
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(ChildHtmlDialogTest, KeyTableThroughTheProgramsPump) {
    ScopedPageHostFactory factory(MakeRecordingHost);
    BaseScreen screen;
    Open(screen);
    HWND control = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, screen.Handle(), nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    KeyArrivals arrivals;
    ASSERT_TRUE(SetWindowSubclass(control, RecordKeys, 1, reinterpret_cast<DWORD_PTR>(&arrivals)));

    constexpr WPARAM kSwallowed = ~WPARAM{0};
    struct Case {
        const char* what;
        UINT message;
        WPARAM key;
        std::set<int> held;
        WPARAM arrives;  // the key code that reaches the control, or kSwallowed
    };
    const Case cases[] = {
        {"F5", WM_KEYDOWN, VK_F5, {VK_F5}, kSwallowed},
        {"F4", WM_KEYDOWN, VK_F4, {VK_F4}, kSwallowed},
        {"Ctrl+P", WM_KEYDOWN, 'P', {VK_CONTROL, 'P'}, kSwallowed},
        {"Ctrl+N", WM_KEYDOWN, 'N', {VK_CONTROL, 'N'}, kSwallowed},
        {"Ctrl+F", WM_KEYDOWN, 'F', {VK_CONTROL, 'F'}, kSwallowed},
        {"Ctrl+A", WM_KEYDOWN, 'A', {VK_CONTROL, 'A'}, kSwallowed},
        {"Ctrl+O", WM_KEYDOWN, 'O', {VK_CONTROL, 'O'}, kSwallowed},
        {"Ctrl+5", WM_KEYDOWN, '5', {VK_CONTROL, '5'}, kSwallowed},
        {"Ctrl+keypad 5", WM_KEYDOWN, VK_NUMPAD5, {VK_CONTROL, VK_NUMPAD5}, kSwallowed},
        {"left Alt+G", WM_KEYDOWN, 'G', {VK_LMENU, 'G'}, kSwallowed},
        {"right Alt+H", WM_KEYDOWN, 'H', {VK_RMENU, 'H'}, kSwallowed},
        {"Ctrl+G is no browser key", WM_KEYDOWN, 'G', {VK_CONTROL, 'G'}, 'G'},
        {"Alt+N is no browser key", WM_KEYDOWN, 'N', {VK_LMENU, 'N'}, 'N'},
        {"P alone", WM_KEYDOWN, 'P', {'P'}, 'P'},
        {"Enter", WM_KEYDOWN, VK_RETURN, {VK_RETURN}, 0},
        {"Escape", WM_KEYDOWN, VK_ESCAPE, {VK_ESCAPE}, 0},
        {"Space", WM_KEYDOWN, VK_SPACE, {VK_SPACE}, 0},
        {"Alt+F4 down", WM_SYSKEYDOWN, VK_F4, {VK_MENU, VK_F4}, 0},
        {"Alt+F4 up", WM_SYSKEYUP, VK_F4, {VK_MENU}, 0},
        {"a key going up", WM_KEYUP, 'P', {VK_CONTROL}, 'P'},
    };
    HeldKeys keys;
    for (const Case& c : cases) {
        arrivals.messages.clear();
        keys.Hold(c.held);
        PostMessageW(control, c.message, c.key, 0);
        ui::PumpPendingMessages();
        if (c.arrives == kSwallowed) {
            EXPECT_TRUE(arrivals.messages.empty()) << c.what;
        } else {
            ASSERT_EQ(arrivals.messages.size(), 1u) << c.what;
            EXPECT_EQ(arrivals.messages[0].first, c.message) << c.what;
            EXPECT_EQ(arrivals.messages[0].second, c.arrives) << c.what;
        }
        EXPECT_TRUE(screen.IsVisible()) << c.what;
    }
    RemoveWindowSubclass(control, RecordKeys, 1);
}

TEST_F(ChildHtmlDialogTest, OkAndCancelWaitUntilEnterAndEscapeAreLetGo) {
    ScopedPageHostFactory factory(MakeRecordingHost);
    struct Case {
        const char* what;
        std::function<void(BaseScreen&)> request;
        int key;
    };
    const auto click = [](const wchar_t* id) {
        return [id](BaseScreen& s) { dynamic_cast<RecordingPageHost*>(s.Host())->Click(id); };
    };
    const Case cases[] = {
        {"OK command", [](BaseScreen& s) { s.Send(WM_COMMAND, IDOK); }, VK_RETURN},
        {"Cancel command", [](BaseScreen& s) { s.Send(WM_COMMAND, IDCANCEL); }, VK_ESCAPE},
        {"page's OK button", click(L"ButtonOK"), VK_ESCAPE},
        {"page's Cancel button", click(L"ButtonCancel"), VK_ESCAPE},
        {"page's Cancel button inside its row", [](BaseScreen& s) {
             dynamic_cast<RecordingPageHost*>(s.Host())->Click(L"cancelLabel", {L"ButtonCancel", L"footer"});
         }, VK_ESCAPE},
    };
    for (const Case& c : cases) {
        BaseScreen screen;
        Open(screen);
        {
            HeldKeys keys({c.key});
            c.request(screen);
            PumpMessagesUntilQuiet();
            EXPECT_TRUE(screen.IsVisible()) << c.what << ": closed while the key was held";
        }
        {
            // Let go again, though pressed since the last look: that must not hold it open.
            ScopedKeyStateReader pressedEarlier(
                KeyStateReader{[](int) { return SHORT{1}; }, [](int) { return SHORT{1}; }});
            c.request(screen);
            PumpMessagesUntil([&] { return !screen.IsVisible(); });
        }
        EXPECT_FALSE(screen.IsVisible()) << c.what << ": stayed open";
    }
}

TEST_F(ChildHtmlDialogTest, SelectingDraggingAndRightClickingOnlyInsideInputFields) {
    ScopedPageHostFactory factory(MakeScriptHost);
    BaseScreen screen;
    Open(screen);
    auto* host = dynamic_cast<ScriptPageHost*>(screen.Host());
    ASSERT_NE(host, nullptr);
    for (PageEvent event : {PageEvent::SelectStart, PageEvent::DragStart, PageEvent::ContextMenu}) {
        for (const wchar_t* id : {L"label", L"button", L"outer", L"received"}) {
            EXPECT_EQ(host->Fire(event, id), S_FALSE) << static_cast<long>(event) << " on " << std::string(id, id + wcslen(id));
        }
        EXPECT_EQ(host->Fire(event, L"field"), S_OK) << static_cast<long>(event);
    }
    // An element of a tag that the list lacks is left alone rather than guessed at.
    EXPECT_EQ(screen.DispatchPageEvent(PageEvent::ContextMenu, {{L"x", L"blorp", false}}), S_OK);
}

TEST_F(ChildHtmlDialogTest, AScreensTableReplacesTheBasesAndMatchesTheNearestElementWithTheId) {
    ScopedPageHostFactory factory(MakeScriptHost);
    TableScreen screen;
    Open(screen);
    auto* host = dynamic_cast<ScriptPageHost*>(screen.Host());
    ASSERT_NE(host, nullptr);

    host->Click(L"label");   // inside a#button inside div#outer: the first entry that matches
    host->Click(L"outer");
    EXPECT_EQ(host->Fire(PageEvent::ContextMenu, L"field"), S_FALSE);
    EXPECT_EQ(screen.handled, (std::vector<std::wstring>{L"button:button", L"outer:outer", L"input-menu:field"}));

    // The base's filter and buttons are gone with its table.
    EXPECT_EQ(host->Fire(PageEvent::SelectStart, L"label"), S_OK);
    screen.handled.clear();
    screen.DispatchPageEvent(PageEvent::Click, {{L"ButtonCancel", L"button", false}});
    PumpMessagesUntilQuiet();
    EXPECT_TRUE(screen.IsVisible());

    // No click handler runs while Escape is held.
    {
        HeldKeys keys({VK_ESCAPE});
        host->Click(L"label");
    }
    EXPECT_TRUE(screen.handled.empty());

    // An Escape let go earlier, anywhere on the desktop, only sets the key's low
    // "pressed since asked" bit: the next click is the user's and runs.
    {
        ScopedKeyStateReader pressedEarlier(KeyStateReader{[](int key) { return SHORT(key == VK_ESCAPE ? 1 : 0); },
                                                           [](int) { return SHORT(0); }});
        host->Click(L"label");
    }
    EXPECT_EQ(screen.handled, std::vector<std::wstring>{L"button:button"});
}

TEST_F(ChildHtmlDialogTest, WithoutAPageTheWindowStillShowsAndWorks) {
    // This machine's browser control has no document engine: the real host.
    BaseScreen screen;
    Open(screen);
    ASSERT_NE(dynamic_cast<BrowserPageHost*>(screen.Host()), nullptr);
    PumpMessagesUntilQuiet();
    EXPECT_TRUE(screen.IsVisible());
    EXPECT_EQ(screen.m_webPage.Document(), nullptr);
    EXPECT_FALSE(screen.m_webPage.InvokeScript(L"anything"));
    EXPECT_FALSE(screen.SetElementText(L"received", L"text"));
    // Keys still pass the filter and the buttons still close it.
    MSG key{screen.Handle(), WM_KEYDOWN, 'X', 0, 0, {}};
    EXPECT_FALSE(screen.PreTranslateMessage(key));
    screen.Send(WM_COMMAND, IDCANCEL);
    PumpMessagesUntil([&] { return !screen.IsVisible(); });
    EXPECT_FALSE(screen.IsVisible());
}

}  // namespace
