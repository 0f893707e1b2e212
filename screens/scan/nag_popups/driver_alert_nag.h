#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/scoped_handle.h"
#include "shell/html_dialog/child_html_dialog.h"

class WebRequestHost;

// The driver-alert sign-up popup: asks for an e-mail address, checks it, and sends
// the sign-up on a worker thread while the page shows a processing note.
class CDlgDriverAlertNag : public CChildHtmlDialog {
public:
    static constexpr UINT kTemplateId = 233;
    static constexpr UINT kPageId = 5427;
    static constexpr UINT kDoneTimer = 101;
    // The worker's word that the sign-up has returned; wParam holds its result.
    static constexpr UINT kSignupReturned = WM_APP + 233;
    static constexpr int kWidth = 580, kHeight = 356;
    static constexpr int kClosedResult = 6;

    explicit CDlgDriverAlertNag(WebRequestHost& host);

    // The sign-up of the address the page holds.
    void Submit();
    // 6 after a sign-up or a close, 0 after the privacy link.
    int Result() const { return result_; }
    const std::wstring& EmailAddress() const { return emailAddress_; }
    bool SignupRunning() const { return signupRunning_; }
    // Set when the popup runs over the backdrop, whose run its closing ends.
    void SetOverBackdrop(bool over) { overBackdrop_ = over; }

    // No page could be shown: plain controls take its place.
    bool Pageless() const { return pageless_; }
    static constexpr UINT kPageWatchTimer = 7, kPageWatchMs = 1500;
    static constexpr int kPlainEdit = 1104, kPlainNote = 1105, kPlainSignUp = 1106, kPlainClose = 1107;

    // Where the privacy link leads.
    static const wchar_t kPrivacyAddress[];

protected:
    BOOL OnInitDialog() override;
    void OnDocumentReady() override;
    void OnPageUnavailable() override;
    std::span<const HtmlEventEntry> EventTable() const override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HRESULT OnOk(const PageElement& element);
    HRESULT OnCloseMe(const PageElement& element);
    HRESULT OnPrivacy(const PageElement& element);
    void OnSignupEnded();
    void ClosePopup(int result);
    // The page's functions, or their plain stand-ins when there is no page.
    void CallPage(const std::wstring& function, const std::wstring& argument);
    std::wstring TypedAddress();

    WebRequestHost& host_;
    std::wstring emailAddress_;
    int result_ = 0;
    int signupResult_ = -1;
    bool signupRunning_ = false;
    bool overBackdrop_ = false;
    bool pageless_ = false;
    bool documentSeen_ = false;
};

// The address as the e-mail check reads it: in the thread's ANSI code page, at most
// 259 bytes. Nothing when a character has no exact form there or it is too long.
std::optional<std::string> AnsiEmailAddress(const std::wstring& address);
// The address, blanks trimmed, passes the e-mail check.
bool IsAcceptableEmailAddress(const std::wstring& trimmedAddress);

// Shows the popup over the main window (over the backdrop when there is one) and
// returns its result; made the program's sign-up prompt by RegisterDriverAlertPrompt.
int RunDriverAlertSignupDialog(HWND mainWindow, WebRequestHost& host);
void RegisterDriverAlertPrompt(std::function<HWND()> mainWindow);
