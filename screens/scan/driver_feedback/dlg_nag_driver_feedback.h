#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "engine/owned_thread.h"
#include "screens/scan/driver_feedback/feedback_document.h"
#include "shell/toolkit/gui_buttons.h"
#include "shell/toolkit/main_border.h"

class CUpdateServiceHelper;

// What the feedback form needs of the program: the misc service, where the
// document's facts come from, and message boxes (shown from the upload thread too).
struct FeedbackServices {
    CUpdateServiceHelper* service = nullptr;
    std::function<FeedbackSources()> sources;
    std::function<int(HWND owner, const std::wstring& text, UINT style)> showMessage;
};

// The framed feedback window: an address, a category and a text, built into the
// feedback document, enciphered and uploaded on a thread of its own.
class CDlgNagDriverFeedback : public CMainBorder {
public:
    static constexpr UINT_PTR kUploadTimer = 201085;
    static constexpr UINT_PTR kCloseTimer = 208083;
    static constexpr UINT kArmTimerMessage = WM_APP + 181;
    static constexpr int kCategoryCount = 7;

    explicit CDlgNagDriverFeedback(FeedbackServices services);
    ~CDlgNagDriverFeedback() override;

    // 1 built, -1 no address, -5 invalid address, -2 no category, 0 no text.
    int BuildFeedbackDocument();
    void OnSubmit();
    const std::wstring& DocumentText() const { return document_; }
    std::wstring StatusText() const;
    void WaitForUpload() { upload_.Join(); }
    CHalHoverButtonWithText& SubmitButton() { return submit_; }

    // The category texts by index, "0" to "6".
    static std::wstring CategoryKey(int index);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG& message) override;

private:
    void UploadFeedbackWorker();
    void Layout();
    void Paint(HDC dc, const RECT& client);
    void SetStatusText(const std::wstring& text);
    void ResetFields();
    void CloseForm();

    FeedbackServices services_;
    CHalHoverButtonWithText submit_;
    CHalHoverButtonWithText cancel_;
    HWND tooltip_ = nullptr;
    std::map<std::wstring, std::wstring> categories_;
    std::wstring document_;
    mutable std::mutex statusLock_;
    std::wstring status_;
    OwnedThread upload_;
};

// Set while the form is shown.
bool IsFeedbackFormVisible();
