#include "shell/toolkit/dialog_font.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/tests/fixtures/toolkit_test_ids.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

HMODULE Module() { return GetModuleHandleW(nullptr); }

std::vector<BYTE> TemplateBytes(WORD id) {
    HRSRC resource = FindResourceW(Module(), MAKEINTRESOURCEW(id), RT_DIALOG);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), resource)));
    return std::vector<BYTE>(data, data + SizeofResource(Module(), resource));
}

RECT RectInDialog(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LOGFONTW FontOf(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

class PlainDialog : public ui::Dialog {
public:
    explicit PlainDialog(UINT id) : Dialog(id) {}
};

TEST(DialogFontTest, TemplateFontAt96DpiLaysOutAsTheDialogManagerDoes) {
    DialogTemplateLayout layout;
    const std::vector<BYTE> bytes = TemplateBytes(IDD_TK_ARIAL);
    ASSERT_TRUE(ReadDialogTemplate(bytes.data(), bytes.size(), layout));
    EXPECT_EQ(layout.font.faceName, L"Arial");
    EXPECT_EQ(layout.font.pointSize, 10);
    EXPECT_EQ(layout.font.weight, 700);
    EXPECT_TRUE(layout.font.italic);
    ASSERT_EQ(layout.items.size(), 4u);

    PlainDialog dialog(IDD_TK_ARIAL);
    ASSERT_TRUE(dialog.Create(nullptr));
    // Where the dialog manager put everything from the same template.
    std::vector<RECT> expected;
    for (const TemplateItem& item : layout.items) {
        // Place and size are each converted on their own.
        RECT place{item.x, item.y, item.cx, item.cy};
        MapDialogRect(dialog, &place);
        expected.push_back({place.left, place.top, place.left + place.right, place.top + place.bottom});
    }
    RECT client{0, 0, layout.cx, layout.cy};
    MapDialogRect(dialog, &client);

    // Move everything away first, so the scaler has to put it back.
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        MoveWindow(child, 0, 0, 5, 5, FALSE);
    }
    DialogFontState state;
    ScaleDialogFont(dialog, IDD_TK_ARIAL, 96.0, Module(), state);
    EXPECT_EQ(state.dialog, dialog.Handle());
    EXPECT_EQ(FontOf(dialog).lfHeight, -13);

    size_t index = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++index) {
        ASSERT_LT(index, expected.size());
        const RECT actual = RectInDialog(child);
        EXPECT_TRUE(EqualRect(&actual, &expected[index]))
            << "item " << index << ": " << actual.left << "," << actual.top << "," << actual.right << ","
            << actual.bottom << " expected " << expected[index].left << "," << expected[index].top << ","
            << expected[index].right << "," << expected[index].bottom;
    }
    const RECT scaledClient = dialog.ClientRect();
    EXPECT_EQ(scaledClient.right, client.right);
    EXPECT_EQ(scaledClient.bottom, client.bottom);
    RestoreDialogFont(state);
}

TEST(DialogFontTest, ScalingTwiceGivesTheFirstFontBackAndRestoreUndoesAll) {
    PlainDialog dialog(IDD_TK_ARIAL);
    ASSERT_TRUE(dialog.Create(nullptr));
    HWND edit = dialog.Item(IDC_TK_EDIT);
    const HFONT original = reinterpret_cast<HFONT>(dialog.Send(WM_GETFONT));

    DialogFontState state;
    ScaleDialogFont(dialog, IDD_TK_ARIAL, 120.0, Module(), state);
    const HFONT first = state.createdFont;
    EXPECT_EQ(state.previousFont, original);
    EXPECT_EQ(FontOf(edit).lfHeight, -17);  // 10 points at 120 dots per inch

    ScaleDialogFont(dialog, IDD_TK_ARIAL, 96.0, Module(), state);
    EXPECT_EQ(GetObjectType(first), 0u);     // the first font is gone
    EXPECT_EQ(state.previousFont, original);  // and never counted as the dialog's own
    EXPECT_EQ(FontOf(edit).lfHeight, -13);

    const HFONT second = state.createdFont;
    RestoreDialogFont(state);
    EXPECT_EQ(reinterpret_cast<HFONT>(dialog.Send(WM_GETFONT)), original);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), original);
    EXPECT_EQ(GetObjectType(second), 0u);
    EXPECT_EQ(state.dialog, nullptr);
    RestoreDialogFont(state);  // a cleared record is left alone
}

TEST(DialogFontTest, ATemplateWithoutAFontGetsTahomaEightPoints) {
    PlainDialog dialog(IDD_TK_NO_FONT);
    ASSERT_TRUE(dialog.Create(nullptr));
    DialogFontState state;
    ScaleDialogFont(dialog, IDD_TK_NO_FONT, 96.0, Module(), state);
    const LOGFONTW font = FontOf(dialog.Item(IDC_TK_STATIC));
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    RestoreDialogFont(state);
}

TEST(DialogFontTest, ATruncatedTemplateIsRefusedAtEveryLength) {
    const std::vector<BYTE> bytes = TemplateBytes(IDD_TK_ARIAL);
    DialogTemplateLayout layout;
    ASSERT_TRUE(ReadDialogTemplate(bytes.data(), bytes.size(), layout));
    // The template ends with the last item's creation-data count (a word), after
    // which the resource may carry up to two bytes of padding.
    for (size_t length = 0; length + 3 <= bytes.size(); ++length) {
        EXPECT_FALSE(ReadDialogTemplate(bytes.data(), length, layout)) << "length " << length;
    }
    std::vector<BYTE> plain = bytes;
    plain[2] = 0;  // not the extended form
    EXPECT_FALSE(ReadDialogTemplate(plain.data(), plain.size(), layout));
}

// Footer layout: the expected widths come from the caption's own text width in
// the button font, as the layout measures it.
class FooterLayoutTest : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        font_ = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
        Toolkit().buttonFont = font_;
        ASSERT_TRUE(frame_.Create(nullptr));
        ASSERT_TRUE(page_.Create(frame_));
        page_.MoveTo(0, 0, 600, 450);
    }
    void TearDown() override {
        Toolkit() = ToolkitContext{};
        DeleteObject(font_);
    }

    int TextWidth(const std::wstring& text) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, font_);
        RECT bounds{};
        DrawTextW(dc, text.c_str(), -1, &bounds, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, previous);
        ReleaseDC(nullptr, dc);
        return bounds.right;
    }

    // The footer width of a caption on a 31-pixel button.
    int FooterWidth(const std::wstring& caption, int minimum) {
        const int text = TextWidth(caption);
        const int measured = text <= 31 - 6 ? 31 : text + 9;
        return std::max(measured + 10, minimum);
    }

    void MakeButton(CHalHoverButtonWithText& button, int id) {
        ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE, RECT{0, 0, 60, 31}, page_, id));
    }

    HFONT font_ = nullptr;
    PlainDialog frame_{IDD_TK_FRAME};
    CDlgChildBase page_{IDD_TK_PAGE};
};

TEST_F(FooterLayoutTest, ButtonsStandRightAlignedAndTheSecondIsNeverNarrower) {
    const std::wstring longCaption = L"Back up the selected drivers now";
    struct Case {
        const char* name;
        std::wstring first;
        std::wstring second;
        bool compact;
        int windowsMajor;
        bool withFirst;
    };
    const Case cases[] = {
        {"short captions", L"Next", L"Back", false, 6, true},
        {"long first, short second", longCaption, L"Back", false, 6, true},
        {"long second", L"Next", longCaption, false, 6, true},
        {"compact page", L"Next", L"Back", true, 6, true},
        {"Windows XP", L"Next", L"Back", false, 5, true},
        {"XP compact", L"Next", L"Back", true, 5, true},
        {"empty second keeps its size", L"Next", L"", false, 6, true},
        {"no first button", L"", L"Back", false, 6, false},
    };
    const RECT client = page_.ClientRect();
    for (const Case& c : cases) {
        CHalHoverButtonWithText first;
        CHalHoverButtonWithText second;
        if (c.withFirst) MakeButton(first, IDC_TK_FOOTER_FIRST);
        MakeButton(second, IDC_TK_FOOTER_SECOND);
        page_.m_bCompactFooter = c.compact;
        Toolkit().windowsMajorVersion = c.windowsMajor;

        LayoutFooterButtons(page_, c.withFirst ? &first : nullptr, &second, client, c.first, c.second);

        const int top = (c.compact ? 374 : 398) - (c.windowsMajor == 5 ? 2 : 0);
        int firstWidth = 120;
        int firstX = 427;
        if (c.withFirst) {
            firstWidth = FooterWidth(c.first, 120);
            firstX = client.right - firstWidth - 18;
            const RECT placed = first.RectInParent();
            EXPECT_EQ(placed.left, firstX) << c.name;
            EXPECT_EQ(placed.top, top) << c.name;
            EXPECT_EQ(placed.right - placed.left, firstWidth) << c.name;
            EXPECT_EQ(placed.bottom - placed.top, 31) << c.name;
        }
        const int secondWidth = c.second.empty() ? 60 : FooterWidth(c.second, firstWidth);
        const RECT placed = second.RectInParent();
        EXPECT_EQ(placed.right - placed.left, secondWidth) << c.name;
        EXPECT_EQ(placed.left, firstX - secondWidth - 18) << c.name;
        EXPECT_EQ(placed.top, top) << c.name;
        if (!c.second.empty()) {
            EXPECT_GE(secondWidth, firstWidth) << c.name;
        }
    }
}

TEST_F(FooterLayoutTest, SetupStartsFromAWiderBaseForGermanItalianAndSpanish) {
    struct Case {
        unsigned language;
        int width;
    };
    for (const Case c : {Case{0, 108}, Case{5, 162}, Case{6, 162}, Case{10, 162}, Case{14, 108}}) {
        Toolkit().languageIndex = c.language;
        CHalHoverButtonWithText first;
        CHalHoverButtonWithText second;
        MakeButton(first, IDC_TK_FOOTER_FIRST);
        MakeButton(second, IDC_TK_FOOTER_SECOND);
        SetupDialogButtons(&first, &second, L"OK", L"Back", true);
        for (const CHalHoverButtonWithText* button : {&first, &second}) {
            const RECT placed = button->RectInParent();
            EXPECT_EQ(placed.right - placed.left, c.width) << "language " << c.language;
            EXPECT_EQ(placed.bottom - placed.top, 31) << "language " << c.language;
            EXPECT_TRUE(button->m_bFourState);
            EXPECT_FALSE(button->m_bSingleStrip);
            EXPECT_TRUE(GetWindowLongW(*button, GWL_STYLE) & WS_VISIBLE);
        }
    }
}

}  // namespace
