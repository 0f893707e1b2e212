#include "shell/toolkit/dlg_child_base.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/ui/message_pump.h"
#include "shell/toolkit/tests/fixtures/toolkit_test_ids.h"
#include "tests/support/message_wait.h"

namespace {

void SendKey(WORD key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

void PressKeys(std::initializer_list<WORD> keys) {
    for (WORD key : keys) SendKey(key, true);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) SendKey(*key, false);
}

// Runs messages until this thread has seen the key go down or up, and what it
// brought about is done.
bool PumpUntilKeyIs(WORD key, bool down) {
    const bool seen = PumpMessagesUntil([&] { return (GetKeyState(key) < 0) == down; });
    PumpMessagesUntilQuiet();
    return seen;
}

// Sends one key change to `focus` and waits until this thread has seen it. The
// display is shared with other test programs, whose windows may take the
// foreground for a moment: a key sent then goes to them, so the window is brought
// back to the front and the change sent again.
bool SendKeyUntilSeen(HWND frame, HWND focus, WORD key, bool down) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        SetForegroundWindow(frame);
        SetFocus(focus);
        PumpMessagesUntil([&] { return GetForegroundWindow() == frame && GetFocus() == focus; });
        SendKey(key, down);
        const bool seen = PumpMessagesUntil([&] { return (GetKeyState(key) < 0) == down; }, 2000);
        PumpMessagesUntilQuiet();
        if (seen) return true;
    }
    return false;
}

// What reached a window of the test: the commands and close requests that the
// keys must not produce.
struct Closing {
    std::vector<WPARAM> commands;
    int closeRequests = 0;
    bool pageStillShown = true;
};

LRESULT RecordClosing(Closing& record, UINT message, WPARAM wParam) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        record.commands.push_back(LOWORD(wParam));
    }
    if (message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)) ++record.closeRequests;
    return 0;
}

class RecordingFrame : public ui::Dialog {
public:
    RecordingFrame() : Dialog(IDD_TK_FRAME) {}
    Closing record;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        RecordClosing(record, message, wParam);
        if (message == WM_CLOSE || message == WM_COMMAND) return 0;  // the frame itself stays
        return Dialog::WindowProc(message, wParam, lParam);
    }
};

class FilteringPage : public CDlgChildBase {
public:
    explicit FilteringPage(UINT templateId = IDD_TK_PAGE) : CDlgChildBase(templateId) {}
    Closing record;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        RecordClosing(record, message, wParam);
        return CDlgChildBase::WindowProc(message, wParam, lParam);
    }
};

// The same page without the key filter shows that the keys do reach it.
class PlainPage : public ui::Dialog {
public:
    PlainPage() : Dialog(IDD_TK_PAGE) {}
    Closing record;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        RecordClosing(record, message, wParam);
        return Dialog::WindowProc(message, wParam, lParam);
    }
};

struct KeyCase {
    const char* name;
    std::initializer_list<WORD> keys;
    int focus;  // the page's control that has the focus
};

const KeyCase kKeyCases[] = {
    {"Enter", {VK_RETURN}, IDC_TK_EDIT},
    {"Escape", {VK_ESCAPE}, IDC_TK_EDIT},
    {"Space on a button", {VK_SPACE}, IDCANCEL},
    {"Alt+F4", {VK_MENU, VK_F4}, IDC_TK_EDIT},
};

template <typename Page>
Closing RunKeys(const KeyCase& c, int& frameCloses) {
    RecordingFrame frame;
    Page page;
    EXPECT_TRUE(frame.Create(nullptr));
    EXPECT_TRUE(page.Create(frame));
    page.Show(SW_SHOW);
    frame.Show(SW_SHOW);
    SetForegroundWindow(frame);
    SetFocus(page.Item(c.focus));
    PumpMessagesUntil([&] { return GetForegroundWindow() == frame.Handle() && GetFocus() == page.Item(c.focus); });
    EXPECT_EQ(GetForegroundWindow(), frame.Handle()) << c.name;
    EXPECT_EQ(GetFocus(), page.Item(c.focus)) << c.name;
    PressKeys(c.keys);
    for (WORD key : c.keys) EXPECT_TRUE(PumpUntilKeyIs(key, false)) << c.name;
    frameCloses = frame.record.closeRequests + static_cast<int>(frame.record.commands.size());
    Closing result = page.record;
    result.pageStillShown = page.IsVisible();
    return result;
}

class PageKeysTest : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
    }
};

TEST_F(PageKeysTest, EnterEscapeSpaceAndAltF4NeitherPressNorClose) {
    for (const KeyCase& c : kKeyCases) {
        int frameCloses = 0;
        const Closing filtered = RunKeys<FilteringPage>(c, frameCloses);
        EXPECT_TRUE(filtered.commands.empty()) << c.name;
        EXPECT_EQ(filtered.closeRequests + frameCloses, 0) << c.name;
        EXPECT_TRUE(filtered.pageStillShown) << c.name;

        // Without the filter the same keys do press or close something.
        const Closing plain = RunKeys<PlainPage>(c, frameCloses);
        EXPECT_GT(plain.commands.size() + plain.closeRequests + frameCloses, 0u) << c.name << " unfiltered";
    }
}

TEST_F(PageKeysTest, OkAndCancelWaitWhileTheirKeyIsHeld) {
    RecordingFrame frame;
    ASSERT_TRUE(frame.Create(nullptr));
    struct Case {
        WORD key;
        WPARAM command;
    };
    for (const Case c : {Case{VK_RETURN, IDOK}, Case{VK_ESCAPE, IDCANCEL}}) {
        FilteringPage page;
        ASSERT_TRUE(page.Create(frame));
        page.Show(SW_SHOW);
        frame.Show(SW_SHOW);
        ASSERT_TRUE(SendKeyUntilSeen(frame, page.Item(IDC_TK_EDIT), c.key, true));
        page.Send(WM_COMMAND, c.command, 0);
        EXPECT_TRUE(page.IsVisible()) << "held key " << c.key;
        ASSERT_TRUE(SendKeyUntilSeen(frame, page.Item(IDC_TK_EDIT), c.key, false));
        page.Send(WM_COMMAND, c.command, 0);
        EXPECT_FALSE(page.IsVisible()) << "released key " << c.key;
    }
}

// A pop-up page run modally: keys arrive while it is up, then it ends itself.
class KeyedPopup : public FilteringPage {
public:
    KeyedPopup() : FilteringPage(IDD_TK_POPUP) {}

protected:
    BOOL OnInitDialog() override {
        FilteringPage::OnInitDialog();
        SetTimer(1, 200);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && wParam == 1) {
            KillTimer(1);
            SetForegroundWindow(Handle());
            SetFocus(Item(IDC_TK_EDIT));
            PressKeys({VK_RETURN});
            PressKeys({VK_ESCAPE});
            PressKeys({VK_MENU, VK_F4});
            SetTimer(2, 800);
            return 0;
        }
        if (message == WM_TIMER && wParam == 2) {
            KillTimer(2);
            EndDialog(77);
            return 0;
        }
        return FilteringPage::WindowProc(message, wParam, lParam);
    }
};

TEST_F(PageKeysTest, AModalPopupKeepsTheFilter) {
    RecordingFrame frame;
    ASSERT_TRUE(frame.Create(nullptr));
    frame.Show(SW_SHOW);
    KeyedPopup popup;
    EXPECT_EQ(popup.DoModal(frame), 77);
    EXPECT_TRUE(popup.record.commands.empty());
    EXPECT_EQ(popup.record.closeRequests, 0);
}

TEST_F(PageKeysTest, EveryPageSharesOneIconThatOutlivesThem) {
    RecordingFrame frame;
    ASSERT_TRUE(frame.Create(nullptr));
    HICON first = nullptr;
    {
        FilteringPage page;
        ASSERT_TRUE(page.Create(frame));
        first = SharedPageIcon();
        ASSERT_NE(first, nullptr);
    }
    FilteringPage second;
    ASSERT_TRUE(second.Create(frame));
    EXPECT_EQ(SharedPageIcon(), first);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(first, &info));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
}

}  // namespace
