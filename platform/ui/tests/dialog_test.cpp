#include "platform/ui/app.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_pump.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/tests/fixtures/dialog_ids.h"

namespace {

constexpr UINT kProbeMessage = WM_APP + 7;

std::vector<std::string> g_walk;

class RecordingApp : public ui::App {
public:
    bool PreTranslateMessage(MSG& message) override {
        if (message.message == kProbeMessage) g_walk.push_back("app");
        return false;
    }
};

class RecordingDialog : public ui::Dialog {
public:
    RecordingDialog(UINT templateId, std::string name) : Dialog(templateId), name_(std::move(name)) {}

    bool PreTranslateMessage(MSG& message) override {
        if (message.message == kProbeMessage) {
            g_walk.push_back(name_);
            // A page may change the message for those that come after it.
            message.wParam += 1;
            return swallow_;
        }
        return false;
    }

    bool swallow_ = false;
    int initCalls_ = 0;
    WPARAM delivered_ = 0;
    HBRUSH brush_ = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));

protected:
    BOOL OnInitDialog() override {
        ++initCalls_;
        return TRUE;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case kProbeMessage:
            delivered_ = wParam;
            return 0;
        case WM_APP + 1:
            return 0x12345;  // an answer that must travel through DWLP_MSGRESULT
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(brush_);
        default:
            return Dialog::WindowProc(message, wParam, lParam);
        }
    }

private:
    std::string name_;
};

// A control of the page's template that answers the messages its parent reflects.
class ReflectingControl : public ui::Control {
public:
    std::vector<UINT> reflected_;
    bool answerColour_ = true;
    HBRUSH brush_ = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));

protected:
    bool OnReflectedMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        reflected_.push_back(message);
        if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
            if (!answerColour_) return false;
            result = reinterpret_cast<LRESULT>(brush_);
            return true;
        }
        result = 77;
        return true;
    }
};

class DialogTest : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        g_walk.clear();
        ASSERT_TRUE(frame_.Create(nullptr));
        ASSERT_TRUE(page_.Create(frame_));
    }

    RecordingApp app_;
    RecordingDialog frame_{IDD_TEST_FRAME, "frame"};
    RecordingDialog page_{IDD_TEST_PAGE, "page"};
};

TEST_F(DialogTest, MessagesPassTheAppThenTheTargetThenEachParent) {
    HWND edit = page_.Item(IDC_TEST_EDIT);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(PostMessageW(edit, kProbeMessage, 10, 0));
    ASSERT_TRUE(ui::PumpPendingMessages());
    EXPECT_EQ(g_walk, (std::vector<std::string>{"app", "page", "frame"}));

    // The frame saw the page's change; a swallowed message goes no further.
    g_walk.clear();
    page_.swallow_ = true;
    ASSERT_TRUE(PostMessageW(page_, kProbeMessage, 20, 0));
    ASSERT_TRUE(ui::PumpPendingMessages());
    EXPECT_EQ(g_walk, (std::vector<std::string>{"app", "page"}));
    EXPECT_EQ(page_.delivered_, 0u);

    page_.swallow_ = false;
    ASSERT_TRUE(PostMessageW(page_, kProbeMessage, 30, 0));
    ASSERT_TRUE(ui::PumpPendingMessages());
    EXPECT_EQ(page_.delivered_, 32u);  // changed by the page and by the frame
}

TEST_F(DialogTest, AnswersTravelTheWayTheDialogManagerExpects) {
    EXPECT_EQ(page_.initCalls_, 1);
    EXPECT_EQ(SendMessageW(page_, WM_APP + 1, 0, 0), 0x12345);
    // A colour message answers with the brush itself.
    HDC dc = GetDC(page_);
    EXPECT_EQ(SendMessageW(page_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0),
              reinterpret_cast<LRESULT>(page_.brush_));
    ReleaseDC(page_, dc);
    // What the dialog leaves alone gets the dialog manager's own answer.
    wchar_t className[16] = {};
    EXPECT_EQ(SendMessageW(page_, WM_GETDLGCODE, 0, 0), DefDlgProcW(page_, WM_GETDLGCODE, 0, 0));
    GetClassNameW(page_, className, 16);
    EXPECT_STREQ(className, L"#32770");
}

TEST_F(DialogTest, ParentsReflectOwnerDrawNotifyAndColourToTheControl) {
    auto drawn = std::make_unique<ReflectingControl>();
    ReflectingControl label;
    ReflectingControl list;
    ASSERT_TRUE(drawn->AttachDlgItem(page_, IDC_TEST_OWNERDRAWN));
    ASSERT_TRUE(label.AttachDlgItem(page_, IDC_TEST_LABEL));
    ASSERT_TRUE(list.AttachDlgItem(page_, IDC_TEST_LIST));
    EXPECT_EQ(ui::Window::FromHandle(page_.Item(IDC_TEST_LABEL)), &label);

    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = IDC_TEST_OWNERDRAWN;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.hwndItem = drawn->Handle();
    EXPECT_EQ(SendMessageW(page_, WM_DRAWITEM, IDC_TEST_OWNERDRAWN, reinterpret_cast<LPARAM>(&draw)), 77);
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_BUTTON;
    measure.CtlID = IDC_TEST_OWNERDRAWN;
    EXPECT_EQ(SendMessageW(page_, WM_MEASUREITEM, IDC_TEST_OWNERDRAWN, reinterpret_cast<LPARAM>(&measure)), 77);
    NMHDR notify{list.Handle(), IDC_TEST_LIST, NM_CLICK};
    EXPECT_EQ(SendMessageW(page_, WM_NOTIFY, IDC_TEST_LIST, reinterpret_cast<LPARAM>(&notify)), 77);
    EXPECT_EQ(drawn->reflected_, (std::vector<UINT>{WM_DRAWITEM, WM_MEASUREITEM}));

    HDC dc = GetDC(page_);
    const WPARAM dcParam = reinterpret_cast<WPARAM>(dc);
    const LPARAM labelParam = reinterpret_cast<LPARAM>(label.Handle());
    EXPECT_EQ(SendMessageW(page_, WM_CTLCOLORSTATIC, dcParam, labelParam), reinterpret_cast<LRESULT>(label.brush_));
    // A control without a brush leaves the colour to its parent.
    label.answerColour_ = false;
    EXPECT_EQ(SendMessageW(page_, WM_CTLCOLORSTATIC, dcParam, labelParam), reinterpret_cast<LRESULT>(page_.brush_));
    ReleaseDC(page_, dc);

    // Once the wrapper ends the control is the page's again, unsubclassed.
    drawn.reset();
    EXPECT_EQ(ui::Window::FromHandle(page_.Item(IDC_TEST_OWNERDRAWN)), nullptr);
    EXPECT_TRUE(IsWindow(page_.Item(IDC_TEST_OWNERDRAWN)));
}

TEST_F(DialogTest, EndDialogOnAModelessPageHidesIt) {
    page_.Show(SW_SHOW);
    ASSERT_TRUE(page_.IsVisible() || !frame_.IsVisible());
    page_.EndDialog(IDOK);
    EXPECT_TRUE(page_.Exists());
    EXPECT_FALSE(IsWindowVisible(page_));
    EXPECT_FALSE(page_.IsModal());
}

// A pop-up that ends itself from a timer, recording what it saw meanwhile.
class TimedPopup : public RecordingDialog {
public:
    TimedPopup() : RecordingDialog(IDD_TEST_POPUP, "popup") {}
    HWND owner_ = nullptr;
    bool ownerDisabledMeanwhile_ = false;
    bool quitInstead_ = false;

protected:
    BOOL OnInitDialog() override {
        SetTimer(1, 30);
        PostMessageW(Item(IDC_TEST_EDIT), kProbeMessage, 0, 0);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && wParam == 1) {
            KillTimer(1);
            ownerDisabledMeanwhile_ = !IsWindowEnabled(owner_);
            if (quitInstead_) {
                PostQuitMessage(9);
            } else {
                EndDialog(4321);
            }
            return 0;
        }
        return RecordingDialog::WindowProc(message, wParam, lParam);
    }
};

TEST_F(DialogTest, ModalRunsOurLoopWithTheOwnerDisabledAndReturnsTheResult) {
    frame_.Show(SW_SHOW);
    TimedPopup popup;
    popup.owner_ = frame_;
    // The page's handle stands for the owner: the modal loop takes its top level.
    EXPECT_EQ(popup.DoModal(page_), 4321);
    EXPECT_TRUE(popup.ownerDisabledMeanwhile_);
    EXPECT_TRUE(IsWindowEnabled(frame_));
    EXPECT_FALSE(popup.Exists());
    // The pop-up's own filters ran in the modal loop.
    EXPECT_EQ(g_walk, (std::vector<std::string>{"app", "popup"}));
    // And it can run again.
    EXPECT_EQ(popup.DoModal(frame_), 4321);
}

TEST_F(DialogTest, AQuitMessageEndsTheModalLoopAndReachesTheOuterLoop) {
    TimedPopup popup;
    popup.owner_ = frame_;
    popup.quitInstead_ = true;
    EXPECT_EQ(popup.DoModal(frame_), IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(frame_));
    int quitCode = 0;
    EXPECT_FALSE(ui::RunMessageLoop([] { return false; }, &quitCode));
    EXPECT_EQ(quitCode, 9);
    MSG leftover;
    PeekMessageW(&leftover, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(DialogTest, AMissingTemplateIsAnError) {
    RecordingDialog missing(999, "missing");
    EXPECT_FALSE(missing.Create(nullptr));
    EXPECT_EQ(missing.DoModal(frame_), -1);
    EXPECT_TRUE(IsWindowEnabled(frame_));
}

}  // namespace
