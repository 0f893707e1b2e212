#include "screens/scan/driver_feedback/dlg_nag_driver_feedback.h"

#include <commctrl.h>
#include <richedit.h>

#include "foundation/language_strings.h"
#include "foundation/text_codec.h"
#include "platform/ui/gdi.h"
#include "platform/ui/modal_popup.h"
#include "scan/update_service_helper.h"
#include "screens/scan/driver_feedback/driver_feedback_ids.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

std::atomic<bool> formVisible{false};
std::mutex uploadLock;

std::wstring LangText(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

std::wstring ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(item, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

constexpr RECT kStatusRect{12, 380, 420, 400};

}  // namespace

bool IsFeedbackFormVisible() { return formVisible.load(); }

std::wstring CDlgNagDriverFeedback::CategoryKey(int index) {
    static const wchar_t* const keys[kCategoryCount] = {
        L"IDS_SELECT_PRBTYPE", L"IDS_INSTALL_COMP",   L"IDS_PRB_DOWNLOADING",  L"IDS_PRB_INSTALLING",
        L"IDS_PRB_UNDERSTAND", L"IDS_PRB_SUGGESTION", L"IDS_GENERAL_FEEDBACK"};
    return index >= 0 && index < kCategoryCount ? keys[index] : L"";
}

CDlgNagDriverFeedback::CDlgNagDriverFeedback(FeedbackServices services)
    : CMainBorder(IDD_NAG_DRIVER_FEEDBACK), services_(std::move(services)) {
    // The text box is a rich edit control of the system's library.
    LoadLibraryW(L"riched20.dll");
    for (int i = 0; i < kCategoryCount; ++i) categories_[std::to_wstring(i)] = LangText(CategoryKey(i).c_str());
}

CDlgNagDriverFeedback::~CDlgNagDriverFeedback() {
    upload_.Join();
    if (tooltip_ != nullptr) DestroyWindow(tooltip_);
}

BOOL CDlgNagDriverFeedback::OnInitDialog() {
    m_bShowMinimize = false;
    CMainBorder::OnInitDialog();
    SetWindowPos(Handle(), nullptr, 0, 0, 568, 451, SWP_NOMOVE | SWP_NOZORDER);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HWND owner = GetWindow(Handle(), GW_OWNER);
    if (owner != nullptr) GetWindowRect(owner, &work);
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - 568) / 2,
                 work.top + (work.bottom - work.top - 451) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetText(LangText(L"AFX_IDS_APP_TITLE"));
    submit_.AttachDlgItem(Handle(), IDOK);
    cancel_.AttachDlgItem(Handle(), IDCANCEL);
    SetupDialogButtons(&submit_, &cancel_, LangText(L"IDS_SUBMIT"), LangText(L"IDS_BTN_CANCEL"), false);
    HWND type = Item(IDC_FEEDBACK_TYPE);
    for (int i = 0; i < kCategoryCount; ++i) {
        SendMessageW(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(categories_[std::to_wstring(i)].c_str()));
    }
    SendMessageW(type, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageW(Handle(), IDC_FEEDBACK_EMAIL, EM_LIMITTEXT, 400, 0);
    SendDlgItemMessageW(Handle(), IDC_FEEDBACK_TEXT, EM_EXLIMITTEXT, 0, 630);
    HDC dc = GetDC(Handle());
    SendDlgItemMessageW(Handle(), IDC_FEEDBACK_TEXT, EM_SETTARGETDEVICE, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(Handle(), dc);
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, nullptr, nullptr);
    const struct {
        HWND button;
        const wchar_t* key;
    } tips[] = {{submit_.Handle(), L"IDS_FEEDBACK_TOOLTIP1"}, {cancel_.Handle(), L"IDS_FEEDBACK_TOOLTIP2"}};
    for (const auto& tip : tips) {
        std::wstring text = LangText(tip.key);
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(tip.button);
        tool.lpszText = text.data();
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    Layout();
    return TRUE;
}

void CDlgNagDriverFeedback::Layout() {
    if (!submit_.Exists()) return;
    const RECT client = ClientRect();
    MoveWindow(Item(IDC_FEEDBACK_EMAIL), 187, 176, client.right - 199, 20, TRUE);
    MoveWindow(Item(IDC_FEEDBACK_TYPE), 187, 208, client.right - 199, 200, TRUE);
    MoveWindow(Item(IDC_FEEDBACK_TEXT), 12, 277, client.right - 24, 116, TRUE);
    MoveWindow(cancel_.Handle(), client.right - 12 - 120, 411, 120, 28, TRUE);
    MoveWindow(submit_.Handle(), client.right - 12 - 120 - 12 - 120, 411, 120, 28, TRUE);
}

void CDlgNagDriverFeedback::Paint(HDC dc, const RECT& client) {
    PaintBorderFrame(dc, client);
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    ui::SelectionScope selection(dc, font != nullptr ? font : ToolkitDialogFont());
    SetBkMode(dc, TRANSPARENT);
    const auto draw = [dc](const std::wstring& text, RECT rect, COLORREF colour, UINT format) {
        SetTextColor(dc, colour);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
    };
    draw(LangText(L"AFX_IDS_APP_TITLE"), {16, 8, client.right - 60, 30}, RGB(255, 255, 255), DT_SINGLELINE | DT_VCENTER);
    draw(LangText(L"IDS_FEEDBAKNAG_DESC"), {16, 90, client.right - 16, 122}, RGB(50, 50, 50), DT_WORDBREAK);
    draw(LangText(L"IDS_FEEDBACKNAG_DESC2"), {16, 126, client.right - 16, 168}, RGB(50, 50, 50), DT_WORDBREAK);
    draw(LangText(L"IDS_YOUR_EMAIL_ADDRESS"), {16, 178, 180, 196}, RGB(50, 50, 50), DT_SINGLELINE);
    draw(LangText(L"IDS_FEEDBACK_TYPE_STATIC"), {16, 210, 180, 228}, RGB(50, 50, 50), DT_SINGLELINE);
    draw(LangText(L"IDS_BRIEF_EXPRE"), {12, 250, client.right - 12, 274}, RGB(50, 50, 50), DT_SINGLELINE);
    draw(StatusText(), {kStatusRect.left, 414, client.right - 280, 436}, RGB(0, 90, 160), DT_SINGLELINE);
}

LRESULT CDlgNagDriverFeedback::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintBufferedOnWhite(Handle(), [this](HDC dc, const RECT& client) { Paint(dc, client); });
        return 0;
    case WM_SIZE: {
        const LRESULT result = CMainBorder::WindowProc(message, wParam, lParam);
        Layout();
        return result;
    }
    case WM_SHOWWINDOW:
        if (wParam != FALSE) {
            ResetFields();
            formVisible = true;
        } else {
            formVisible = false;
        }
        break;
    case kArmTimerMessage:
        SetTimer(static_cast<UINT_PTR>(wParam), static_cast<UINT>(lParam));
        return 0;
    case WM_TIMER:
        KillTimer(wParam);
        if (wParam == kUploadTimer) {
            if (!upload_.Start([this] { UploadFeedbackWorker(); })) CloseForm();
        } else if (wParam == kCloseTimer) {
            CloseForm();
        }
        return 0;
    case WM_COMMAND:
        if (lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) OnSubmit();
            if (LOWORD(wParam) == IDCANCEL) CloseForm();
            return 0;
        }
        break;
    default:
        if (ui::IsControlColourMessage(message)) return PageControlColour(wParam);
        break;
    }
    return CMainBorder::WindowProc(message, wParam, lParam);
}

bool CDlgNagDriverFeedback::PreTranslateMessage(MSG& message) {
    // Alt+F4 does not close the form: only its buttons do.
    if ((message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN || message.message == WM_SYSKEYUP) &&
        message.wParam == VK_F4) {
        message.wParam = 0;
    }
    if (tooltip_ != nullptr) SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
    return CMainBorder::PreTranslateMessage(message);
}

void CDlgNagDriverFeedback::ResetFields() {
    SetDlgItemTextW(Handle(), IDC_FEEDBACK_EMAIL, L"");
    SendDlgItemMessageW(Handle(), IDC_FEEDBACK_TYPE, CB_SETCURSEL, 0, 0);
    SetDlgItemTextW(Handle(), IDC_FEEDBACK_TEXT, L"");
    SetStatusText(L"");
    EnableWindow(Handle(), TRUE);
    submit_.Enable(true);
}

std::wstring CDlgNagDriverFeedback::StatusText() const {
    std::lock_guard<std::mutex> lock(statusLock_);
    return status_;
}

void CDlgNagDriverFeedback::SetStatusText(const std::wstring& text) {
    {
        std::lock_guard<std::mutex> lock(statusLock_);
        status_ = text;
    }
    Invalidate();
}

int CDlgNagDriverFeedback::BuildFeedbackDocument() {
    document_.clear();
    FeedbackFields fields;
    fields.email = ItemText(Handle(), IDC_FEEDBACK_EMAIL);
    fields.category = static_cast<int>(SendDlgItemMessageW(Handle(), IDC_FEEDBACK_TYPE, CB_GETCURSEL, 0, 0));
    fields.categoryText = categories_[std::to_wstring(fields.category)];
    fields.text = ItemText(Handle(), IDC_FEEDBACK_TEXT);
    const FeedbackSources sources = services_.sources ? services_.sources() : FeedbackSources{};
    return BuildFeedbackDocumentText(fields, sources, document_);
}

void CDlgNagDriverFeedback::OnSubmit() {
    const int result = BuildFeedbackDocument();
    const wchar_t* problem = nullptr;
    switch (result) {
    case FeedbackResult::kNoEmail: problem = L"IDS_IDEMAIL_NOTEMPTY"; break;
    case FeedbackResult::kInvalidEmail: problem = L"IDS_EMAIL_ADDRESS_INVALID"; break;
    case FeedbackResult::kNoCategory: problem = L"IDS_FEEDBACK_TYPE"; break;
    case FeedbackResult::kBuilt: break;
    default: problem = L"IDS_FEEDBACK_NOEMPTY"; break;
    }
    if (problem != nullptr) {
        if (services_.showMessage) services_.showMessage(Handle(), LangText(problem), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    EnableWindow(Handle(), FALSE);
    submit_.Enable(false);
    SetStatusText(LangText(L"IDS_FEEBACK_UPLOAD_STATUS"));
    SetTimer(kUploadTimer, 64);
}

void CDlgNagDriverFeedback::UploadFeedbackWorker() {
    // One upload at a time in the process.
    std::lock_guard<std::mutex> lock(uploadLock);
    bool ok = false;
    std::wstring text = document_;
    std::wstring enciphered;
    if (!text.empty() && services_.service != nullptr && EncodeScrambledString(text, enciphered)) {
        const std::wstring name = services_.service->MakeFeedbackFileName(L"");
        ok = services_.service->UploadFeedbackFile(enciphered, name) != 0;
    }
    SetStatusText(LangText(ok ? L"IDS_FEEBACK_UPLOAD_SUCCESS" : L"IDS_FEBAK_UPLOADFAIL_CHKINTERNET"));
    if (services_.showMessage) {
        services_.showMessage(Handle(), LangText(ok ? L"IDS_THANK_FEEDBACK" : L"IDS_FEBAK_UPLOADFAIL_CHKINTERNET"),
                              MB_OK | MB_ICONINFORMATION);
    }
    Post(kArmTimerMessage, kCloseTimer, 64);
}

void CDlgNagDriverFeedback::CloseForm() {
    if (GetOpenPopupCount() > 0) CloseModalPopup(Handle());
    EndDialog(IDCANCEL);
}
