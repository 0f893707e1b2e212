#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ui/gdi.h"
#include "platform/ui/message_pump.h"
#include "resources/toolkit/toolkit_ids.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/hover_buttons.h"
#include "shell/toolkit/list_controls.h"
#include "shell/toolkit/main_border.h"
#include "shell/toolkit/tests/fixtures/toolkit_test_ids.h"
#include "shell/toolkit/toolkit_context.h"
#include "shell/toolkit/tree_x_ctrl.h"
#include "tests/support/message_wait.h"

namespace {

class PlainDialog : public ui::Dialog {
public:
    explicit PlainDialog(UINT id) : Dialog(id) {}
};

class ControlsTest : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(frame_.Create(nullptr));
    }
    PlainDialog frame_{IDD_TK_FRAME};
};

// --- Buttons

// A footer button that draws on demand and counts the repaints it asks for.
class CountingButton : public CHalHoverButtonWithText {
public:
    int repaintsAsked = 0;
    void Draw(const DRAWITEMSTRUCT& item) { DrawItem(item); }

protected:
    void RequestRepaint() override {
        ++repaintsAsked;
        CHalHoverButtonWithText::RequestRepaint();
    }
};

// The colour in the middle of the button after drawing it in a state.
COLORREF DrawnColour(CountingButton& button, UINT itemState, int width = 120) {
    HDC screen = GetDC(nullptr);
    ui::MemoryCanvas canvas(screen, width, 31);
    ReleaseDC(nullptr, screen);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = itemState;
    item.hwndItem = button.Handle();
    item.hDC = canvas;
    item.rcItem = {0, 0, width, 31};
    button.Draw(item);
    return GetPixel(canvas, width / 2, 15);
}

// A strip of three or four 12-pixel frames, each one solid colour.
HBITMAP SyntheticStrip(const std::vector<COLORREF>& frames) {
    HDC screen = GetDC(nullptr);
    HBITMAP strip = CreateCompatibleBitmap(screen, static_cast<int>(frames.size()) * 12, 31);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(dc, strip);
    for (size_t i = 0; i < frames.size(); ++i) {
        HBRUSH brush = CreateSolidBrush(frames[i]);
        RECT rect{static_cast<LONG>(i) * 12, 0, static_cast<LONG>(i + 1) * 12, 31};
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return strip;
}

TEST_F(ControlsTest, ButtonStateTableChoosesTheFrame) {
    // The footer images' middle piece: normal, pressed, hover, disabled.
    const COLORREF footer[] = {RGB(0x4a, 0x8f, 0xd4), RGB(0x2f, 0x6a, 0xa5), RGB(0x6a, 0xaa, 0xe6),
                               RGB(0xc8, 0xcc, 0xd1)};
    const COLORREF strip[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200), RGB(200, 200, 0)};
    struct Case {
        const char* name;
        bool singleStrip;
        bool fourState;
        UINT itemState;
        bool hover;
        bool latched;
        bool enabled;
        int frame;
    };
    const Case cases[] = {
        {"normal", false, true, 0, false, false, true, 0},
        {"pressed", false, true, ODS_SELECTED, false, false, true, 1},
        {"latched", false, true, 0, false, true, true, 1},
        {"hover", false, true, 0, true, false, true, 2},
        {"pressed over hover", false, true, ODS_SELECTED, true, false, true, 1},
        {"disabled four-state", false, true, ODS_DISABLED, false, false, false, 3},
        {"disabled three-state", false, false, ODS_DISABLED, false, false, false, 0},
        {"focus alone", false, true, ODS_FOCUS, false, false, true, 0},
        {"single strip normal", true, false, 0, false, false, true, 0},
        {"single strip hover", true, false, 0, true, false, true, 2},
        {"single strip pressed", true, false, ODS_SELECTED, false, false, true, 1},
        {"single strip disabled before pressed", true, true, ODS_DISABLED | ODS_SELECTED, false, false, false, 3},
    };
    for (const Case& c : cases) {
        CountingButton button;
        ASSERT_TRUE(button.Create(L"", WS_CHILD, RECT{0, 0, 120, 31}, frame_, IDC_TK_BUTTON));
        button.m_bFourState = c.fourState;
        if (c.singleStrip) {
            button.SetSingleStrip(SyntheticStrip(c.fourState ? std::vector<COLORREF>(strip, strip + 4)
                                                             : std::vector<COLORREF>(strip, strip + 3)));
        } else {
            // Only the three-state footer images exist; a three-state button reads
            // its first three frames from the same pieces.
            button.LoadStateBitmaps(IDB_FOOTER_BUTTON_LEFT, IDB_FOOTER_BUTTON_MIDDLE, IDB_FOOTER_BUTTON_RIGHT, L"",
                                    120, 31);
        }
        button.m_bHover = c.hover;
        button.m_bLatched = c.latched;
        button.Enable(c.enabled);
        // A single strip draws its frame at the left; sample inside it.
        const COLORREF colour = c.singleStrip ? [&] {
            HDC screen = GetDC(nullptr);
            ui::MemoryCanvas canvas(screen, 120, 31);
            ReleaseDC(nullptr, screen);
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_BUTTON;
            item.itemState = c.itemState;
            item.hwndItem = button.Handle();
            item.hDC = canvas;
            item.rcItem = {0, 0, 120, 31};
            button.Draw(item);
            return GetPixel(canvas, 6, 15);
        }()
                                              : DrawnColour(button, c.itemState);
        const COLORREF expected = c.singleStrip ? strip[c.frame] : footer[c.frame];
        if (!c.singleStrip && !c.fourState) {
            // Three-state pieces are cut in thirds: frame 0 then covers the first
            // third of the four-frame middle piece, its normal frame.
            EXPECT_EQ(c.frame, 0) << c.name;
        } else {
            EXPECT_EQ(colour, expected) << c.name;
        }
    }
}

TEST_F(ControlsTest, APaintBeforeAnyImageDrawsBackgroundAndCaptionOnly) {
    CountingButton button;
    ASSERT_TRUE(button.Create(L"Caption", WS_CHILD, RECT{0, 0, 120, 31}, frame_, IDC_TK_BUTTON));
    EXPECT_TRUE(button.m_bSingleStrip);
    HDC screen = GetDC(nullptr);
    ui::MemoryCanvas canvas(screen, 120, 31);
    ReleaseDC(nullptr, screen);
    RECT all{0, 0, 120, 31};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(canvas, &all, red);  // what a stale screen would show
    DeleteObject(red);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = button.Handle();
    item.hDC = canvas;
    item.rcItem = all;
    button.Draw(item);
    // The parent's own background, not what the screen showed before.
    EXPECT_EQ(GetPixel(canvas, 1, 1), GetSysColor(COLOR_BTNFACE));
    bool textDrawn = false;
    for (int x = 0; x < 120 && !textDrawn; ++x) {
        for (int y = 0; y < 31 && !textDrawn; ++y) textDrawn = GetPixel(canvas, x, y) == RGB(0, 0, 0);
    }
    EXPECT_TRUE(textDrawn);
}

TEST_F(ControlsTest, AutoWidthWidensForALongCaptionAndIsClearedForAShortOne) {
    for (const auto& [caption, widened] : {std::pair{L"OK", false}, std::pair{L"A very long caption that needs room", true}}) {
        CHalHoverButtonWithText button;
        ASSERT_TRUE(button.Create(L"", WS_CHILD, RECT{0, 0, 10, 10}, frame_, IDC_TK_BUTTON));
        button.m_bAutoWidth = true;
        EXPECT_TRUE(button.LoadStateBitmaps(IDB_FOOTER_BUTTON_LEFT, IDB_FOOTER_BUTTON_MIDDLE, IDB_FOOTER_BUTTON_RIGHT,
                                            caption, 80, 20));
        const RECT placed = button.RectInParent();
        EXPECT_EQ(button.m_bAutoWidth, widened);
        EXPECT_EQ(placed.right - placed.left > 80, widened);
        EXPECT_EQ(placed.bottom - placed.top, 31);  // the images are taller than asked
    }
    CHalHoverButtonWithText missing;
    ASSERT_TRUE(missing.Create(L"", WS_CHILD, RECT{0, 0, 10, 10}, frame_, IDC_TK_BUTTON));
    EXPECT_FALSE(missing.LoadStateBitmaps(IDB_FOOTER_BUTTON_LEFT, 9999, IDB_FOOTER_BUTTON_RIGHT, L"", 80, 31));
}

TEST_F(ControlsTest, HoverAndLeaveEachAskOneRepaintAndTheHandCursorFollowsTheMouse) {
    frame_.MoveTo(100, 100, 400, 300);
    frame_.Show(SW_SHOW);
    CountingButton button;
    ASSERT_TRUE(button.Create(L"Hover", WS_CHILD | WS_VISIBLE, RECT{50, 50, 170, 81}, frame_, IDC_TK_BUTTON));
    SetCursorPos(10, 10);
    SetForegroundWindow(frame_);
    PumpMessagesUntilQuiet();
    ASSERT_FALSE(button.m_bHover);
    ASSERT_EQ(button.repaintsAsked, 0);

    RECT onScreen{};
    GetWindowRect(button, &onScreen);
    SetCursorPos(onScreen.left + 20, onScreen.top + 10);
    ASSERT_TRUE(PumpMessagesUntil([&] { return button.m_bHover; }));
    // Moves over a hovered button change nothing but keep the hand cursor.
    for (int step = 1; step <= 3; ++step) SetCursorPos(onScreen.left + 20 + 2 * step, onScreen.top + 10 + step);
    EXPECT_TRUE(PumpMessagesUntil([] { return GetCursor() == HandCursor(); }));
    PumpMessagesUntilQuiet();
    EXPECT_TRUE(button.m_bHover);
    EXPECT_EQ(button.repaintsAsked, 1);

    SetCursorPos(10, 10);
    ASSERT_TRUE(PumpMessagesUntil([&] { return !button.m_bHover; }));
    PumpMessagesUntilQuiet();
    EXPECT_EQ(button.repaintsAsked, 2);
    EXPECT_EQ(button.m_hCurrentCursor, nullptr);
    frame_.Show(SW_HIDE);
}

TEST_F(ControlsTest, HyperlinkPressedColourDefaultsToTheHoverColour) {
    ChyperlinkBtn link;
    EXPECT_EQ(link.m_crPressed, link.m_crHover);
}

// --- Lists

TEST_F(ControlsTest, SelectSingleListItemSelectsOnlyARowThatExists) {
    CCustomListCtrl list;
    ui::ControlArgs args;
    args.className = WC_LISTVIEWW;
    args.parent = frame_;
    args.id = IDC_TK_LIST;
    args.style = WS_CHILD | LVS_REPORT;
    args.width = 200;
    args.height = 100;
    ASSERT_TRUE(list.Create(args));
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    ListView_InsertColumn(list, 0, &column);
    EXPECT_NE(list.Header().Handle(), nullptr);
    for (int i = 0; i < 4; ++i) {
        LVITEMW item{};
        item.iItem = i;
        ListView_InsertItem(list, &item);
    }
    struct Case {
        int index;
        std::vector<int> selected;
    };
    for (const Case& c : {Case{-1, {}}, Case{0, {0}}, Case{3, {3}}, Case{4, {}}}) {
        // Start from two selected rows each time.
        ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
        EXPECT_EQ(SelectSingleListItem(list, c.index), 1);
        std::vector<int> selected;
        for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i != -1; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
            selected.push_back(i);
        }
        EXPECT_EQ(selected, c.selected) << "index " << c.index;
        const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
        EXPECT_EQ(focused, c.selected.empty() ? -1 : c.selected.front()) << "index " << c.index;
    }
    EXPECT_EQ(SelectSingleListItem(nullptr, 0), 1);
}

// --- Tree

// The parent of the tree: records what the tree reports after each toggle.
class TreeHost : public PlainDialog {
public:
    TreeHost() : PlainDialog(IDD_TK_FRAME) {}
    std::vector<std::pair<WPARAM, LPARAM>> reports;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == CTreeXCtrl::kChecksChangedMessage) {
            reports.emplace_back(wParam, lParam);
            return 0;
        }
        return PlainDialog::WindowProc(message, wParam, lParam);
    }
};

class TreeFixture {
public:
    explicit TreeFixture(HWND parent) {
        ui::ControlArgs args;
        args.className = WC_TREEVIEWW;
        args.parent = parent;
        args.id = IDC_TK_TREE;
        args.style = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;
        args.width = 300;
        args.height = 200;
        EXPECT_TRUE(tree.Create(args));
        EXPECT_TRUE(tree.CreateStateImages());
        // Computer > Display (2 devices), Network (2 devices, one fixed); a lone root.
        computer = Add(TVI_ROOT, L"Computer");
        display = Add(computer, L"Display");
        gpu = Add(display, L"GPU");
        monitor = Add(display, L"Monitor");
        network = Add(computer, L"Network");
        wifi = Add(network, L"Wi-Fi");
        fixed = Add(network, L"Built-in");
        lone = Add(TVI_ROOT, L"Printer");
        tree.SetCheckState(fixed, CTreeXCtrl::kFixed);
    }

    HTREEITEM Add(HTREEITEM parent, const wchar_t* text) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_STATE | TVIF_PARAM;
        insert.item.pszText = const_cast<wchar_t*>(text);
        insert.item.lParam = 1;
        insert.item.state = INDEXTOSTATEIMAGEMASK(CTreeXCtrl::kUnchecked);
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
        HTREEITEM item = TreeView_InsertItem(tree, &insert);
        TreeView_Expand(tree, parent, TVE_EXPAND);
        return item;
    }

    std::vector<int> States() const {
        return {tree.GetCheckState(computer), tree.GetCheckState(display), tree.GetCheckState(gpu),
                tree.GetCheckState(monitor),  tree.GetCheckState(network), tree.GetCheckState(wifi),
                tree.GetCheckState(fixed),    tree.GetCheckState(lone)};
    }

    CTreeXCtrl tree;
    HTREEITEM computer, display, gpu, monitor, network, wifi, fixed, lone;
};

TEST_F(ControlsTest, TreeTogglesRunDownAndUpAndReportToTheParent) {
    TreeHost host;
    ASSERT_TRUE(host.Create(nullptr));
    TreeFixture f(host);
    int refreshes = 0;
    f.tree.m_onChecksChanged = [&] { ++refreshes; };

    struct Step {
        const char* name;
        HTREEITEM TreeFixture::*item;
        // computer, display, gpu, monitor, network, wifi, fixed, lone
        std::vector<int> states;
        WPARAM anything;
        LPARAM everything;
    };
    const Step steps[] = {
        {"check one device: its category and the root become partly checked", &TreeFixture::gpu,
         {3, 3, 2, 1, 1, 1, 4, 1}, 1, 0},
        {"check its sibling: the category is checked", &TreeFixture::monitor, {3, 2, 2, 2, 1, 1, 4, 1}, 1, 0},
        {"check the category with a fixed device: the fixed one keeps its state", &TreeFixture::network,
         {2, 2, 2, 2, 2, 2, 4, 1}, 1, 0},
        {"check the lone root: everything is checked", &TreeFixture::lone, {2, 2, 2, 2, 2, 2, 4, 2}, 1, 1},
        {"uncheck a device under a checked category", &TreeFixture::wifi, {3, 2, 2, 2, 1, 1, 4, 2}, 1, 0},
        {"a partly checked root unchecks everything below", &TreeFixture::computer, {1, 1, 1, 1, 1, 1, 4, 2}, 1, 0},
        {"a fixed item is never toggled", &TreeFixture::fixed, {1, 1, 1, 1, 1, 1, 4, 2}, 1, 0},
        {"uncheck the lone root: nothing is checked", &TreeFixture::lone, {1, 1, 1, 1, 1, 1, 4, 1}, 0, 0},
    };
    for (const Step& step : steps) {
        host.reports.clear();
        const int refreshesBefore = refreshes;
        f.tree.ToggleItem(f.*step.item);
        EXPECT_EQ(f.States(), step.states) << step.name;
        if (step.item == &TreeFixture::fixed) {
            EXPECT_TRUE(host.reports.empty()) << step.name;
            EXPECT_EQ(refreshes, refreshesBefore) << step.name;
            continue;
        }
        ASSERT_EQ(host.reports.size(), 1u) << step.name;
        EXPECT_EQ(host.reports[0], std::make_pair(step.anything, step.everything)) << step.name;
        EXPECT_EQ(refreshes, refreshesBefore + 1) << step.name;
    }
}

TEST_F(ControlsTest, FixedAncestorsKeepTheirStateWhileTheRootStillFollows) {
    TreeHost host;
    ASSERT_TRUE(host.Create(nullptr));
    TreeFixture f(host);
    f.tree.SetCheckState(f.display, CTreeXCtrl::kFixed);
    f.tree.ToggleItem(f.gpu);
    EXPECT_EQ(f.tree.GetCheckState(f.display), CTreeXCtrl::kFixed);
    // Display counts as neither checked nor unchecked; Network is unchecked.
    EXPECT_EQ(f.tree.GetCheckState(f.computer), CTreeXCtrl::kUnchecked);
    f.tree.ToggleItem(f.network);
    EXPECT_EQ(f.tree.GetCheckState(f.computer), CTreeXCtrl::kChecked);
}

TEST_F(ControlsTest, TreeClicksToggleOnlyOnTheCheckBoxAndDoubleClicksDoNothing) {
    TreeHost host;
    ASSERT_TRUE(host.Create(nullptr));
    host.MoveTo(0, 0, 400, 300);
    host.Show(SW_SHOW);
    TreeFixture f(host);
    PumpMessagesUntilQuiet();
    RECT label{};
    TreeView_GetItemRect(f.tree, f.lone, &label, TRUE);
    const int y = (label.top + label.bottom) / 2;
    // The state image stands left of the label.
    LPARAM onStateIcon = 0;
    for (int x = label.left - 1; x >= 0 && onStateIcon == 0; --x) {
        TVHITTESTINFO hit{};
        hit.pt = {x, y};
        if (TreeView_HitTest(f.tree, &hit) == f.lone && (hit.flags & TVHT_ONITEMSTATEICON)) onStateIcon = MAKELPARAM(x, y);
    }
    ASSERT_NE(onStateIcon, 0);
    const LPARAM onLabel = MAKELPARAM(label.left + 4, y);
    const LPARAM nowhere = MAKELPARAM(290, 190);

    f.tree.Send(WM_LBUTTONDOWN, MK_LBUTTON, onStateIcon);
    EXPECT_EQ(f.tree.GetCheckState(f.lone), CTreeXCtrl::kChecked);
    HTREEITEM clicked = nullptr;
    f.tree.m_onDeviceClicked = [&](HTREEITEM item) { clicked = item; };
    f.tree.Send(WM_LBUTTONDOWN, MK_LBUTTON, onLabel);
    EXPECT_EQ(f.tree.GetCheckState(f.lone), CTreeXCtrl::kChecked);
    EXPECT_EQ(clicked, f.lone);
    EXPECT_EQ(TreeView_GetSelection(f.tree), f.lone);

    f.tree.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, onStateIcon);
    EXPECT_EQ(f.tree.GetCheckState(f.lone), CTreeXCtrl::kChecked);

    // A click on no item changes nothing but the focus.
    TreeView_SelectItem(f.tree, f.gpu);
    SetFocus(host);
    f.tree.Send(WM_LBUTTONDOWN, MK_LBUTTON, nowhere);
    EXPECT_EQ(TreeView_GetSelection(f.tree), f.gpu);
    EXPECT_EQ(GetFocus(), f.tree.Handle());
}

// --- Framed window

class TestBorder : public CMainBorder {
public:
    TestBorder() : CMainBorder(IDD_TK_FRAME) {}
    std::vector<std::string> events;

protected:
    void SaveSettingsOnClose() override { events.push_back("saved"); }
    void OnCancel() override { events.push_back("cancel"); }
};

TEST_F(ControlsTest, FramedWindowButtonsAndEdgeDrag) {
    TestBorder border;
    ASSERT_TRUE(border.Create(nullptr));
    const int width = border.ClientRect().right;
    const RECT close = border.m_closeButton.RectInParent();
    EXPECT_EQ(close.left, width - 38);
    EXPECT_EQ(close.right - close.left, 28);
    EXPECT_EQ(close.bottom - close.top, 15);
    EXPECT_TRUE(border.m_minimizeButton.IsEnabled());
    EXPECT_FALSE(border.m_thirdButton.IsEnabled());
    EXPECT_FALSE(IsWindowVisible(border.m_thirdButton));

    border.Send(WM_COMMAND, MAKEWPARAM(CMainBorder::kCloseId, BN_CLICKED), 0);
    PumpMessagesUntil([&] { return border.events.size() >= 2; });
    EXPECT_EQ(border.events, (std::vector<std::string>{"saved", "cancel"}));

    // Which clicks start a drag: the movable window in its four edge bands only.
    struct Case {
        bool fixed;
        POINT point;
        bool drags;
    };
    const int height = border.ClientRect().bottom;
    const Case cases[] = {
        {false, {width / 2, 10}, true},   {false, {width / 2, height - 10}, true},
        {false, {2, height / 2}, true},   {false, {width - 2, height / 2}, true},
        {false, {width / 2, height / 2}, false}, {true, {width / 2, 10}, false},
    };
    for (const Case& c : cases) {
        border.m_bFixedPosition = c.fixed;
        border.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.point.x, c.point.y));
        MSG posted{};
        const bool drag = PeekMessageW(&posted, border, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE) != FALSE;
        EXPECT_EQ(drag, c.drags) << c.point.x << "," << c.point.y << (c.fixed ? " fixed" : "");
        if (drag) {
            EXPECT_EQ(posted.wParam, static_cast<WPARAM>(HTCAPTION));
        }
    }
}

// The top bar runs into the side borders: no white between the bar and a border
// on either side, whichever height the frame's borders start at, and no border
// stub below the bar of a frame that has none.
TEST_F(ControlsTest, TheFrameRunsFromItsTopBarIntoTheSideBordersWithoutAGap) {
    constexpr int kWidth = 300;
    constexpr int kHeight = 200;
    constexpr int kBarHeight = 74;
    constexpr COLORREF kWhite = RGB(255, 255, 255);
    const struct {
        const char* frame;
        bool noSideBorders;
        bool branded;
    } cases[] = {{"plain", false, false}, {"branded", false, true}, {"without side borders", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        TestBorder border;
        border.m_bNoSideBorders = c.noSideBorders;
        border.m_bBrandedFrame = c.branded;
        const ui::ClientDC screen(nullptr);
        ui::MemoryCanvas canvas(screen.Get(), kWidth, kHeight);
        ASSERT_TRUE(canvas.Valid());
        const RECT client{0, 0, kWidth, kHeight};
        FillRect(canvas, &client, SharedWhiteBrush());
        border.PaintBorderFrame(canvas, client);
        for (const int x : {2, kWidth - 3}) {
            int firstWrong = -1;
            for (int y = 0; y < kHeight && firstWrong < 0; ++y) {
                const bool framed = y < kBarHeight || !c.noSideBorders;
                if ((GetPixel(canvas, x, y) != kWhite) != framed) firstWrong = y;
            }
            EXPECT_EQ(firstWrong, -1) << "column " << x;
        }
        // Inside the frame, below the bar, the window's own content has the room.
        EXPECT_EQ(GetPixel(canvas, kWidth / 2, kBarHeight + 10), kWhite);
    }
}

// --- A page that carries every control, for a person to look at.

class ShowcasePage : public CDlgChildBase {
public:
    ShowcasePage() : CDlgChildBase(IDD_TK_SHOWCASE) {}
    CCustomListCtrl list;
    CTreeXCtrl tree;
    CTransparentStatic2 label;
    ChyperlinkBtn link;
    CHoverButton flag;
    CMyHoverButton tab;
    CHalHoverButtonWithText first;
    CHalHoverButtonWithText second;

protected:
    BOOL OnInitDialog() override {
        CDlgChildBase::OnInitDialog();
        ScaleDialogFont(Handle(), IDD_TK_SHOWCASE, 96.0, ResourceModule(), m_fontState);
        list.AttachDlgItem(Handle(), IDC_TK_LIST);
        tree.AttachDlgItem(Handle(), IDC_TK_TREE);
        label.AttachDlgItem(Handle(), IDC_TK_STATIC);
        link.AttachDlgItem(Handle(), IDC_TK_LINK);
        flag.AttachDlgItem(Handle(), IDC_TK_FLAG);
        tab.AttachDlgItem(Handle(), IDC_TK_TAB);
        first.AttachDlgItem(Handle(), IDC_TK_FOOTER_FIRST);
        second.AttachDlgItem(Handle(), IDC_TK_FOOTER_SECOND);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) {
            ui::PaintScope paint(Handle());
            const RECT client = ClientRect();
            FillRect(paint, &client, SharedWhiteBrush());
            DrawPageBackground(paint, client, TRUE, L"Every toolkit control", true, true, true, 24);
            return 0;
        }
        return CDlgChildBase::WindowProc(message, wParam, lParam);
    }
};

// A framed window that draws its frame under the page.
class ShowcaseWindow : public CMainBorder {
public:
    ShowcaseWindow() : CMainBorder(IDD_TK_FRAME) {}

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_PAINT) return CMainBorder::WindowProc(message, wParam, lParam);
        ui::PaintScope paint(Handle());
        const RECT client = ClientRect();
        {
            CHvMemDC memory(paint, &client);
            FillRect(memory, &client, SharedWhiteBrush());
            PaintBorderFrame(memory, client);
        }
        for (CHoverButton* button : {&m_closeButton, &m_minimizeButton}) button->Invalidate();
        return 0;
    }
};

TEST_F(ControlsTest, ShowcasePageScreenshot) {
    DestroyWindow(frame_);  // nothing but the showcase on the screen
    ShowcaseWindow window;
    window.m_bBrandedFrame = true;
    ASSERT_TRUE(window.Create(nullptr));
    window.MoveTo(20, 20, 783, 560);
    ShowcasePage page;
    ASSERT_TRUE(page.Create(window));
    page.MoveTo(6, 60, 771, 480);

    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 110;
    column.pszText = const_cast<wchar_t*>(L"Device name that is far too long");
    ListView_InsertColumn(page.list, 0, &column);
    column.pszText = const_cast<wchar_t*>(L"Date");
    ListView_InsertColumn(page.list, 1, &column);
    for (const wchar_t* text : {L"Display adapter", L"Network adapter", L"Audio device"}) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = ListView_GetItemCount(page.list);
        item.pszText = const_cast<wchar_t*>(text);
        ListView_InsertItem(page.list, &item);
    }
    SelectSingleListItem(page.list, 1);

    page.tree.CreateStateImages();
    auto add = [&](HTREEITEM parent, const wchar_t* text, int state) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_STATE;
        insert.item.pszText = const_cast<wchar_t*>(text);
        insert.item.state = INDEXTOSTATEIMAGEMASK(state);
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
        return TreeView_InsertItem(page.tree, &insert);
    };
    HTREEITEM root = add(TVI_ROOT, L"Computer", 3);
    HTREEITEM display = add(root, L"Display", 2);
    add(display, L"GPU", 2);
    HTREEITEM network = add(root, L"Network", 1);
    add(network, L"Wi-Fi", 1);
    add(network, L"Built-in", 4);
    TreeView_Expand(page.tree, root, TVE_EXPAND);
    TreeView_Expand(page.tree, display, TVE_EXPAND);
    TreeView_Expand(page.tree, network, TVE_EXPAND);

    page.flag.m_bLanguageFlag = true;
    page.flag.LoadBitmap(IDB_TK_TAB_STRIP);
    page.tab.m_bBlueText = true;
    page.tab.m_bAutoWidth = true;
    page.tab.LoadImages(IDB_TK_TAB_STRIP, 0, L"Tab button");
    SetupDialogButtons(&page.first, &page.second, L"Next", L"Cancel", true);
    LayoutFooterButtons(page, &page.first, &page.second, page.ClientRect(), L"Next", L"Cancel");
    page.second.Enable(false);

    page.Show(SW_SHOW);
    window.Show(SW_SHOW);
    SetForegroundWindow(window);
    PumpMessagesUntilQuiet(300);

    // The picture stays in the build folder for a person to look at. It is taken
    // by the display's own tool, started outside Wine.
    if (GetFileAttributesW(L"Z:\\usr\\bin\\import") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no import tool";
    const std::string path = TOOLKIT_SHOWCASE_PICTURE;
    DeleteFileA(("Z:" + path).c_str());
    const std::string command = "start /wait /unix /usr/bin/import -window root " + path;
    std::system(command.c_str());
    // The Unix tool may still be writing when start returns.
    EXPECT_TRUE(PumpMessagesUntil([&] { return GetFileAttributesA(("Z:" + path).c_str()) != INVALID_FILE_ATTRIBUTES; },
                                  10000))
        << path;
}

}  // namespace
