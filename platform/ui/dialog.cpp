#include "platform/ui/dialog.h"

#include "platform/ui/message_pump.h"

namespace ui {
namespace {

// Messages whose answer is the dialog procedure's own return value.
bool AnswersDirectly(UINT message) {
    if (IsControlColourMessage(message)) return true;
    switch (message) {
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

}  // namespace

Dialog::Dialog(UINT templateId, HINSTANCE resourceModule)
    : templateId_(templateId), resourceModule_(resourceModule ? resourceModule : GetModuleHandleW(nullptr)) {}

bool Dialog::Create(HWND parent) {
    if (Handle() != nullptr) return false;
    modal_ = false;
    SetOwnsWindow(true);
    return CreateDialogParamW(resourceModule_, MAKEINTRESOURCEW(templateId_), parent, &Dialog::DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR Dialog::DoModal(HWND owner) {
    if (Handle() != nullptr) return -1;
    if (owner != nullptr) owner = GetAncestor(owner, GA_ROOT);
    modal_ = true;
    ended_ = false;
    result_ = IDCANCEL;
    SetOwnsWindow(true);
    HWND hwnd = CreateDialogParamW(resourceModule_, MAKEINTRESOURCEW(templateId_), owner, &Dialog::DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) {
        modal_ = false;
        return -1;
    }
    const bool disabledOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);
    if (!ended_) {
        ShowWindow(hwnd, SW_SHOW);
        RunMessageLoop([&] { return ended_ || !IsWindow(hwnd); });
    }
    // The owner comes back before the dialog goes, so that it is the one
    // activated, not some other program's window.
    if (disabledOwner) EnableWindow(owner, TRUE);
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    modal_ = false;
    return result_;
}

void Dialog::EndDialog(INT_PTR result) {
    if (modal_) {
        result_ = result;
        ended_ = true;
        // Wake a loop that waits for messages; it then sees the dialog ended.
        PostMessageW(Handle(), WM_NULL, 0, 0);
    } else if (Handle() != nullptr) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return 0;
            }
        }
        break;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT Dialog::DefaultProc(UINT, WPARAM, LPARAM) {
    defaultReached_ = true;
    return 0;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (auto* dialog = reinterpret_cast<Dialog*>(lParam)) dialog->Bind(hwnd);
    }
    auto* dialog = static_cast<Dialog*>(FromHandle(hwnd));
    if (dialog == nullptr) return FALSE;

    // Messages nest (a handler sends another); each keeps its own answer.
    const bool outerDefaultReached = dialog->defaultReached_;
    dialog->defaultReached_ = false;
    const LRESULT result = Dispatch(dialog, hwnd, message, wParam, lParam);
    const bool handled = !dialog->defaultReached_;
    dialog->defaultReached_ = outerDefaultReached;

    if (!handled) return FALSE;
    if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace ui
