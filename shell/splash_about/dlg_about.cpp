#include "shell/splash_about/dlg_about.h"

#include "foundation/app_settings.h"
#include "foundation/window_helpers.h"
#include "platform/ui/gdi.h"
#include "platform/ui/modal_popup.h"
#include "shell/about_page_texts.h"
#include "shell/html_dialog/key_state.h"
#include "shell/splash_about/splash_about_ids.h"
#include "shell/toolkit/bitmap_pieces.h"
#include "shell/toolkit/toolkit_context.h"

// ---------------------------------------------------------------- about page

CDlgAbout::CDlgAbout() : CChildHtmlDialog(IDD_ABOUT_PAGE, IDR_ABOUT_PAGE), openInBrowser(OpenUrlInBrowser) {}

CDlgAbout::~CDlgAbout() { RestoreDialogFont(fontState_); }

std::span<const HtmlEventEntry> CDlgAbout::EventTable() const {
    static const std::vector<HtmlEventEntry> table = [] {
        std::vector<HtmlEventEntry> entries = {
            OnElement(L"ButtonOK", PageEvent::Click, &CDlgAbout::OnButtonOK),
            OnElement(L"ButtonCancel", PageEvent::Click, &CDlgAbout::OnButtonCancel),
            OnElement(L"producturl", PageEvent::Click, &CDlgAbout::OnProductLink),
        };
        for (const wchar_t* tag : AllHtmlTagNames()) {
            for (PageEvent event : {PageEvent::SelectStart, PageEvent::DragStart, PageEvent::ContextMenu}) {
                entries.push_back(OnTag(tag, event, &CDlgAbout::OnAnySelectDragOrMenu));
            }
        }
        return entries;
    }();
    return table;
}

BOOL CDlgAbout::OnInitDialog() {
    CChildHtmlDialog::OnInitDialog();
    ScaleDialogFont(Handle(), IDD_ABOUT_PAGE, 96.0, ResourceModule(), fontState_);
    return TRUE;
}

void CDlgAbout::OnDocumentReady() {
    for (const ElementText& entry : AboutPageTexts(IsDriverBackupModeEnabled())) {
        SetElementText(entry.elementId, entry.text);
    }
}

HRESULT CDlgAbout::OnProductLink(const PageElement&) {
    // The page never leaves for the web inside the program: the link opens in the
    // user's browser and the page stays.
    if (openInBrowser) openInBrowser(kProductWebAddress);
    return S_FALSE;
}

HRESULT CDlgAbout::OnAnySelectDragOrMenu(const PageElement&) { return S_FALSE; }

void CDlgAbout::OnOK() {
    if (IsKeyHeld(ReadAsyncKeyState(VK_RETURN))) return;
    CloseAboutWindow(IDOK);
}

void CDlgAbout::OnCancel() {
    if (IsKeyHeld(ReadAsyncKeyState(VK_ESCAPE))) return;
    CloseAboutWindow(IDCANCEL);
}

void CDlgAbout::CloseAboutWindow(UINT command) {
    // The page's buttons close the window that holds it.
    if (HWND holder = GetParent(Handle())) PostMessageW(holder, WM_COMMAND, command, 0);
    else CChildHtmlDialog::OnCancel();
}

// ---------------------------------------------------------------- about window

CDlgAboutMain::CDlgAboutMain() : CMainBorder(IDD_ABOUT_MAIN) { m_bShowMinimize = false; }

CDlgAboutMain::~CDlgAboutMain() { RestoreDialogFont(fontState_); }

BOOL CDlgAboutMain::OnInitDialog() {
    CMainBorder::OnInitDialog();
    ScaleDialogFont(Handle(), IDD_ABOUT_MAIN, 96.0, ResourceModule(), fontState_);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    SetWindowPos(Handle(), nullptr, left, top, kWidth, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    separator_.Reset(LoadBitmapResource(IDB_ABOUT_SEPARATOR));
    if (page_.Create(Handle())) {
        page_.MoveTo(kPagePlace.left, kPagePlace.top, kPagePlace.right - kPagePlace.left,
                     kPagePlace.bottom - kPagePlace.top);
        page_.Show(SW_SHOW);
    }
    return TRUE;
}

void CDlgAboutMain::Close(INT_PTR result) {
    // Over the backdrop the window ends the backdrop's run; alone it ends its own.
    if (IsModal()) EndDialog(result);
    else CloseModalPopup(Handle());
}

void CDlgAboutMain::OnOK() {
    if (IsKeyHeld(ReadAsyncKeyState(VK_RETURN))) return;
    Close(IDOK);
}

void CDlgAboutMain::OnCancel() {
    if (IsKeyHeld(ReadAsyncKeyState(VK_ESCAPE))) return;
    Close(IDCANCEL);
}

void CDlgAboutMain::Paint() {
    ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    CHvMemDC memory(paint, &client);
    FillRect(memory, &client, SharedWhiteBrush());
    PaintBorderFrame(memory, client);
    BlitFromBitmap(memory, 90, 300, 444, 1, separator_.Get(), 0, 0);
}

LRESULT CDlgAboutMain::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return TRUE;
        default:
            break;
    }
    return CMainBorder::WindowProc(message, wParam, lParam);
}
