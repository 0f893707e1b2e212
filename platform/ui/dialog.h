#pragma once

#include "platform/ui/window.h"

namespace ui {

// A dialog from a DIALOGEX template of the program's resources, modeless
// (`Create`) or modal (`DoModal`).
//
// A derived dialog handles messages in its `WindowProc` switch and passes the rest
// to `Dialog::WindowProc`. Its answer to a message goes back the way the dialog
// manager wants it: directly for WM_CTLCOLOR* (the brush), WM_INITDIALOG and the
// few other messages that answer so, through DWLP_MSGRESULT for the rest. A
// message that reaches `DefaultProc` is left to the dialog manager.
class Dialog : public Window {
public:
    explicit Dialog(UINT templateId, HINSTANCE resourceModule = nullptr);

    UINT TemplateId() const { return templateId_; }
    HINSTANCE ResourceModule() const { return resourceModule_; }

    // A modeless dialog (a page inside its parent, or a window of its own).
    bool Create(HWND parent);
    // Runs the dialog modally over `owner` (disabled meanwhile) in the program's
    // own message loop, so pages keep their key filters in pop-ups, and returns
    // what `EndDialog` was given; -1 when the dialog could not be made. A quit
    // message ends the dialog with IDCANCEL and is posted again for the outer loop.
    INT_PTR DoModal(HWND owner);
    // Ends a modal run with `result`; a modeless dialog is hidden.
    void EndDialog(INT_PTR result);
    bool IsModal() const { return modal_; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HINSTANCE resourceModule_;
    bool modal_ = false;
    bool ended_ = false;
    INT_PTR result_ = 0;
    bool defaultReached_ = false;  // of the message being handled now
};

}  // namespace ui
