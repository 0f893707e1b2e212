#include "shell/splash_about/dlg_parent_transculent.h"

#include <algorithm>

#include "platform/ui/layered_window.h"
#include "platform/ui/modal_popup.h"
#include "shell/splash_about/splash_about_ids.h"
#include "shell/toolkit/bitmap_pieces.h"

namespace {

constexpr UINT kActivateHosted = WM_APP + 1;

}  // namespace

CDlgParentTransculent::CDlgParentTransculent(HWND owner)
    : Dialog(IDD_BACKDROP), owner_(owner != nullptr ? owner : GetActiveWindow()) {}

void CDlgParentTransculent::SetHosted(ui::Dialog* dialog, UINT templateId, const RECT& ownerRect) {
    hosted_ = dialog;
    hostedTemplateId_ = templateId;
    ownerRect_ = ownerRect;
}

INT_PTR CDlgParentTransculent::Run() { return DoModal(owner_); }

BOOL CDlgParentTransculent::OnInitDialog() {
    Dialog::OnInitDialog();
    background_.Reset(LoadBitmapResource(IDB_BACKDROP));
    backgroundHeight_ = BitmapSize(background_.Get()).cy;
    const RECT& r = ownerRect_;
    SetWindowPos(Handle(), HWND_TOP, r.left + 1, r.top + 1, std::max(0L, r.right - r.left - 2),
                 std::max(0L, r.bottom - r.top - 2), SWP_NOACTIVATE);
    SetLayeredAlpha(Handle(), kAlpha);
    if (hosted_ == nullptr || hosted_->TemplateId() != hostedTemplateId_ || !hosted_->Create(Handle())) {
        // Nothing could close a backdrop without its pop-up: it ends at once.
        EndDialog(-1);
        return TRUE;
    }
    PlaceHosted();
    hosted_->Show(SW_SHOW);
    UpdateWindow(hosted_->Handle());
    return TRUE;
}

void CDlgParentTransculent::PlaceHosted() {
    RECT cover{};
    GetWindowRect(Handle(), &cover);
    RECT own{};
    GetWindowRect(hosted_->Handle(), &own);
    // Keeps its size when it fits, else it is cut to the covered area.
    const int width = std::min(own.right - own.left, cover.right - cover.left);
    const int height = std::min(own.bottom - own.top, cover.bottom - cover.top);
    SetWindowPos(hosted_->Handle(), HWND_TOP, cover.left + (cover.right - cover.left - width) / 2,
                 cover.top + (cover.bottom - cover.top - height) / 2, width, height, 0);
}

LRESULT CDlgParentTransculent::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            ui::PaintScope paint(Handle());
            const RECT client = ClientRect();
            const SIZE size = BitmapSize(background_.Get());
            StretchFromBitmap(paint, client, background_.Get(), 0, size.cx, size.cy);
            return 0;
        }
        case WM_ERASEBKGND:
            return TRUE;
        case WM_ACTIVATE:
            // The pop-up, not the cover, takes the keyboard.
            if (LOWORD(wParam) != WA_INACTIVE) Post(kActivateHosted);
            break;
        case kActivateHosted:
            if (hosted_ != nullptr && hosted_->Exists()) SetActiveWindow(hosted_->Handle());
            return 0;
        case WM_WINDOWPOSCHANGED: {
            // The system's EndDialog, as `CloseModalPopup` uses it, only hides the
            // window: a hidden backdrop has ended its run.
            const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (IsModal() && (position->flags & SWP_HIDEWINDOW) != 0) EndDialog(IDOK);
            break;
        }
        default:
            break;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void InstallBackdropRunner() {
    SetBackdropRunner([](const BackdropRequest& request) -> INT_PTR {
        CDlgParentTransculent backdrop(request.mainWindow);
        backdrop.SetHosted(static_cast<ui::Dialog*>(request.dialog), request.templateId, request.mainWindowRect);
        return backdrop.Run();
    });
}
