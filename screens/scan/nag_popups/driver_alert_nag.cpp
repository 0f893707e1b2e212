#include "screens/scan/nag_popups/driver_alert_nag.h"

#include <vector>

#include "foundation/app_settings.h"
#include "foundation/email_address.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/modal_prompts.h"
#include "foundation/window_helpers.h"
#include "platform/trim_blanks.h"
#include "platform/ui/modal_popup.h"
#include "shell/html_dialog/key_state.h"
#include "shell/web_requests/driver_alert_signup.h"
#include "shell/web_requests/web_request_host.h"

namespace {

constexpr int kAnsiBufferBytes = 260;

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

}  // namespace

const wchar_t CDlgDriverAlertNag::kPrivacyAddress[] = L"https://www.brennavik.com/privacy";

std::optional<std::string> AnsiEmailAddress(const std::wstring& address) {
    if (address.empty()) return std::string();
    const int length = static_cast<int>(address.size());
    BOOL lossy = FALSE;
    const int needed = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, address.data(), length, nullptr, 0,
                                           nullptr, &lossy);
    // The check reads what fits its buffer with its terminating zero; a longer
    // address would be cut to another one.
    if (needed <= 0 || needed >= kAnsiBufferBytes || lossy) return std::nullopt;
    std::string bytes(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, address.data(), length, bytes.data(), needed, nullptr,
                        &lossy);
    if (lossy) return std::nullopt;
    return bytes;
}

bool IsAcceptableEmailAddress(const std::wstring& trimmedAddress) {
    const std::optional<std::string> bytes = AnsiEmailAddress(trimmedAddress);
    return bytes && !bytes->empty() && IsValidEmailAddress(*bytes);
}

CDlgDriverAlertNag::CDlgDriverAlertNag(WebRequestHost& host) : CChildHtmlDialog(kTemplateId, kPageId), host_(host) {}

std::span<const HtmlEventEntry> CDlgDriverAlertNag::EventTable() const {
    static const std::vector<HtmlEventEntry> table = [] {
        std::vector<HtmlEventEntry> entries;
        for (const wchar_t* id : {L"idGreyOkBtnLeftDiv", L"btnOK", L"idGreyOkBtnMiddleDiv", L"idGreyOkBtnRightDiv"}) {
            entries.push_back(OnElement(id, PageEvent::Click, &CDlgDriverAlertNag::OnOk));
        }
        entries.push_back(OnElement(L"btnCloseme", PageEvent::Click, &CDlgDriverAlertNag::OnCloseMe));
        entries.push_back(OnElement(L"string326", PageEvent::Click, &CDlgDriverAlertNag::OnPrivacy));
        for (const wchar_t* tag : AllHtmlTagNames()) {
            for (PageEvent event : {PageEvent::SelectStart, PageEvent::DragStart, PageEvent::ContextMenu}) {
                entries.push_back(OnTag(tag, event, &CDlgDriverAlertNag::OnSelectDragOrMenu));
            }
        }
        return entries;
    }();
    return table;
}

BOOL CDlgDriverAlertNag::OnInitDialog() {
    CChildHtmlDialog::OnInitDialog();
    HWND owner = GetWindow(Handle(), GW_OWNER);
    RECT around{};
    if (owner == nullptr || !GetWindowRect(owner, &around)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    SetWindowPos(Handle(), nullptr, around.left + (around.right - around.left - kWidth) / 2,
                 around.top + (around.bottom - around.top - kHeight) / 2, kWidth, kHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (!pageless_) SetTimer(kPageWatchTimer, kPageWatchMs);
    return TRUE;
}

void CDlgDriverAlertNag::OnDocumentReady() {
    documentSeen_ = true;
    m_webPage.InvokeScript1(L"setlanguage", GetLanguageCode());
    m_webPage.InvokeScriptArgs(L"settext", {LangText(L"IDS_HLV_APP_NAME"), LangText(L"IDS_HLV_TEXT"), LangText(L"IDS_HLV_EMAIL"),
                                            LangText(L"IDS_HLV_EMAIL_TEXT"), LangText(L"IDS_HLV_EMAIL_NOT_VAL"),
                                            LangText(L"IDS_HLV_SUBSCRIBE"), LangText(L"IDS_HLV_BTN_SIGNUP"),
                                            LangText(L"IDS_GETTING_RESULTS"), IsDriverBackupModeEnabled() ? L"1" : L"0",
                                            LangText(L"string326")});
}

HRESULT CDlgDriverAlertNag::OnOk(const PageElement&) {
    Submit();
    return S_OK;
}

void CDlgDriverAlertNag::Submit() {
    if (IsKeyHeld(ReadAsyncKeyState(VK_ESCAPE)) || signupRunning_) return;
    emailAddress_ = TrimBlanks(TypedAddress());
    if (!IsAcceptableEmailAddress(emailAddress_)) {
        CallPage(L"onSubmit", L"1");
        return;
    }
    CallPage(L"onSubmit", L"0");
    CallPage(L"showhideProcessingText", L"1");
    Enable(false);
    signupRunning_ = true;
    // The worker knows only this window: it posts its result here and touches
    // nothing else of the popup.
    if (!StartDriverAlertSignupWorker(Handle(), kSignupReturned, emailAddress_, false, host_).Valid()) {
        signupResult_ = -1;
        SetTimer(kDoneTimer, 90);
    }
}

void CDlgDriverAlertNag::OnSignupEnded() {
    KillTimer(kDoneTimer);
    signupRunning_ = false;
    CallPage(L"showhideProcessingText", L"0");
    Enable(true);
    if (signupResult_ != 0) {
        // Closing as if it had worked would lose the address the user typed.
        CallPage(L"showSignupFailed", LangText(L"IDS_HLV_SIGNUP_FAILED"));
        return;
    }
    ClosePopup(kClosedResult);
}

std::wstring CDlgDriverAlertNag::TypedAddress() {
    if (pageless_) {
        wchar_t typed[512] = {};
        GetDlgItemTextW(Handle(), kPlainEdit, typed, 512);
        return typed;
    }
    VARIANT answer;
    VariantInit(&answer);
    std::wstring typed;
    if (m_webPage.InvokeScriptArgs(L"getEmailAddress", {}, &answer) &&
        SUCCEEDED(VariantChangeType(&answer, &answer, 0, VT_BSTR)) && answer.bstrVal != nullptr) {
        typed.assign(answer.bstrVal, SysStringLen(answer.bstrVal));
    }
    VariantClear(&answer);
    return typed;
}

void CDlgDriverAlertNag::CallPage(const std::wstring& function, const std::wstring& argument) {
    if (!pageless_) {
        m_webPage.InvokeScript1(function, argument);
        return;
    }
    std::wstring note;
    if (function == L"onSubmit" && argument == L"1") note = LangText(L"IDS_HLV_EMAIL_NOT_VAL");
    if (function == L"showhideProcessingText" && argument == L"1") note = LangText(L"IDS_GETTING_RESULTS");
    if (function == L"showSignupFailed") note = argument;
    SetDlgItemTextW(Handle(), kPlainNote, note.c_str());
    if (function == L"showhideProcessingText") EnableWindow(Item(kPlainSignUp), argument == L"1" ? FALSE : TRUE);
}

void CDlgDriverAlertNag::OnPageUnavailable() {
    // The popup must still take an address and close: plain controls in its place.
    if (pageless_) return;
    pageless_ = true;
    const struct {
        int id;
        const wchar_t* className;
        DWORD style;
        RECT place;
        const wchar_t* key;
    } controls[] = {
        {1101, L"STATIC", SS_LEFT | SS_NOPREFIX, {24, 18, 520, 38}, L"IDS_HLV_APP_NAME"},
        {kPlainClose, L"BUTTON", BS_PUSHBUTTON, {540, 10, 568, 34}, nullptr},
        {1102, L"STATIC", SS_LEFT | SS_NOPREFIX, {24, 52, 556, 72}, L"IDS_HLV_SUBSCRIBE"},
        {1103, L"STATIC", SS_LEFT | SS_NOPREFIX, {24, 78, 556, 114}, L"IDS_HLV_TEXT"},
        {1108, L"STATIC", SS_LEFT | SS_NOPREFIX, {24, 124, 556, 142}, L"IDS_HLV_EMAIL"},
        {kPlainEdit, L"EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, {24, 144, 384, 168}, nullptr},
        {kPlainNote, L"STATIC", SS_LEFT | SS_NOPREFIX, {24, 176, 556, 212}, nullptr},
        {1109, L"STATIC", SS_LEFT | SS_NOPREFIX, {24, 220, 556, 256}, L"IDS_HLV_EMAIL_TEXT"},
        {kPlainSignUp, L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, {420, 296, 556, 328}, L"IDS_HLV_BTN_SIGNUP"},
    };
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (const auto& c : controls) {
        const std::wstring text = c.key != nullptr ? LangText(c.key) : (c.id == kPlainClose ? L"\x00D7" : L"");
        HWND control = CreateWindowExW(0, c.className, text.c_str(), WS_CHILD | WS_VISIBLE | c.style, c.place.left,
                                       c.place.top, c.place.right - c.place.left, c.place.bottom - c.place.top,
                                       Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                       GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SendDlgItemMessageW(Handle(), kPlainEdit, EM_LIMITTEXT, 254, 0);
}

HRESULT CDlgDriverAlertNag::OnCloseMe(const PageElement&) {
    // A sign-up under way still reports to this window.
    if (signupRunning_) return S_OK;
    ClosePopup(kClosedResult);
    return S_OK;
}

HRESULT CDlgDriverAlertNag::OnPrivacy(const PageElement&) {
    result_ = 0;
    OpenUrlInBrowser(kPrivacyAddress);
    return S_OK;
}

void CDlgDriverAlertNag::ClosePopup(int result) {
    result_ = result;
    if (overBackdrop_) CloseModalPopup(Handle());
    EndDialog(result);
}

LRESULT CDlgDriverAlertNag::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (pageless_ && HIWORD(wParam) == BN_CLICKED) {
                static const PageElement none;
                if (LOWORD(wParam) == kPlainSignUp) {
                    Submit();
                    return 0;
                }
                if (LOWORD(wParam) == kPlainClose) {
                    OnCloseMe(none);
                    return 0;
                }
            }
            break;
        case kSignupReturned:
            signupResult_ = static_cast<int>(static_cast<INT_PTR>(wParam));
            SetTimer(kDoneTimer, 90);
            return 0;
        case WM_TIMER:
            if (wParam == kPageWatchTimer) {
                KillTimer(kPageWatchTimer);
                // A view that never brings its document stays blank: it goes, and
                // the plain controls come.
                if (!documentSeen_) {
                    if (Host() != nullptr) Host()->Close();
                    OnPageUnavailable();
                }
                return 0;
            }
            if (wParam == kDoneTimer) {
                OnSignupEnded();
                return 0;
            }
            break;
        case WM_CLOSE:
            // Alt+F4 and the system menu close it like its close button.
            if (signupRunning_) return 0;
            ClosePopup(kClosedResult);
            return 0;
        default:
            break;
    }
    return CChildHtmlDialog::WindowProc(message, wParam, lParam);
}

int RunDriverAlertSignupDialog(HWND mainWindow, WebRequestHost& host) {
    CDlgDriverAlertNag popup(host);
    popup.SetOverBackdrop(true);
    const INT_PTR ran = BringToFront(mainWindow, static_cast<ui::Dialog*>(&popup), CDlgDriverAlertNag::kTemplateId);
    if (ran == -1 && !popup.Exists() && popup.Result() == 0) {
        // No backdrop to run it over: it runs modally over the main window alone.
        popup.SetOverBackdrop(false);
        popup.DoModal(mainWindow);
    }
    return popup.Result();
}

void RegisterDriverAlertPrompt(std::function<HWND()> mainWindow) {
    RegisterModalPrompt(ModalPrompt::DriverAlertSignup, [mainWindow = std::move(mainWindow)] {
        return RunDriverAlertSignupDialog(mainWindow ? mainWindow() : nullptr, SystemWebRequestHost());
    });
}
