#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <span>
#include <string>

#include "shell/html_dialog/child_html_dialog.h"

// What the restart prompt reads and does around it. The defaults are the program's
// own: the update results of the engine, the reboot; tests put their own in.
struct RestartPromptActions {
    // 2 after a restore, anything else after an install or update.
    int operationKind = 0;
    // The drivers still waiting for an update (stored before Windows restarts).
    std::function<int()> pendingCount;
    std::function<void()> restartWindows;
};

// The prompt after drivers were installed or restored: restart now (result 8) or
// later (0). A modal HTML screen over the main window.
class CDlg_NAG_RESTART_HTML : public CChildHtmlDialog {
public:
    static constexpr int kRestartChosen = 8;
    static constexpr int kTextCount = 12;

    explicit CDlg_NAG_RESTART_HTML(RestartPromptActions actions);

    int Result() const { return result_; }
    // The twelve texts of the page's settext for an operation kind, in order.
    static std::array<std::wstring, kTextCount> PageTexts(int operationKind);

protected:
    BOOL OnInitDialog() override;
    std::span<const HtmlEventEntry> EventTable() const override;
    void OnDocumentReady() override;

private:
    HRESULT OnRestart(const PageElement& element);
    HRESULT OnRestartLater(const PageElement& element);
    HRESULT OnCloseButton(const PageElement& element);
    void ClosePopup();
    const wchar_t* ProcessName() const;

    RestartPromptActions actions_;
    int result_ = 0;
    static const HtmlEventEntry kEvents[];
};

// Set when the user chose to restart now.
bool RestartWasChosen();

// Registers the prompt as the program's restart prompt (ShowRestartPrompt): shown
// modally over `mainWindow` with the operation kind `operationKind()` gives.
void RegisterRestartPrompt(HWND mainWindow, std::function<int()> operationKind,
                           std::function<int()> pendingCount);
