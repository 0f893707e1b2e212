#include "shell/toolkit/list_controls.h"

#include <string>

#include "platform/ui/gdi.h"
#include "shell/toolkit/bitmap_pieces.h"
#include "shell/toolkit/toolkit_context.h"

// --- CCustomHeaderCtrl

LRESULT CCustomHeaderCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT: {
        ui::PaintScope paint(Handle());
        const RECT client = ClientRect();
        CHvMemDC memory(paint, &client);
        Paint(memory, client);
        return 0;
    }
    default:
        return Control::WindowProc(message, wParam, lParam);
    }
}

void CCustomHeaderCtrl::DrawItem(const DRAWITEMSTRUCT&) {}

void CCustomHeaderCtrl::Paint(HDC dc, const RECT& client) {
    {
        ui::ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(223, 223, 223)));
        ui::ScopedBrush fill(CreateSolidBrush(RGB(241, 241, 241)));
        ui::SelectionScope penSelection(dc, pen.Get());
        ui::SelectionScope brushSelection(dc, fill.Get());
        Rectangle(dc, client.left, client.top, client.right, client.bottom);
    }
    ui::ScopedBrush separator(CreateSolidBrush(RGB(223, 223, 223)));
    ui::SelectionScope fontSelection(dc, ToolkitDialogFont());
    SetBkMode(dc, TRANSPARENT);
    const int count = Header_GetItemCount(Handle());
    for (int i = 0; i < count; ++i) {
        RECT itemRect{};
        Header_GetItemRect(Handle(), i, &itemRect);
        RECT line{itemRect.right - 2, itemRect.top + 3, itemRect.right, itemRect.bottom - 3};
        FillRect(dc, &line, separator.Get());

        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_HEADER;
        item.CtlID = static_cast<UINT>(Id());
        item.itemID = static_cast<UINT>(i);
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = Handle();
        item.hDC = dc;
        item.rcItem = itemRect;
        DrawItem(item);

        wchar_t text[260] = {};
        HDITEMW header{};
        header.mask = HDI_TEXT;
        header.pszText = text;
        header.cchTextMax = static_cast<int>(std::size(text));
        Header_GetItem(Handle(), i, &header);
        RECT textRect{itemRect.left + 12, itemRect.top + 2, itemRect.right - 2, itemRect.bottom - 2};
        DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_VCENTER);
    }
}

// --- CCustomListCtrl

void CCustomListCtrl::AttachHeader() {
    if (header_.Handle() != nullptr) return;
    if (HWND header = ListView_GetHeader(Handle())) header_.Attach(header);
}

void CCustomListCtrl::OnAttached() { AttachHeader(); }

CCustomHeaderCtrl& CCustomListCtrl::Header() {
    AttachHeader();
    return header_;
}

LRESULT CCustomListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Control::WindowProc(message, wParam, lParam);
    if (message == LVM_INSERTCOLUMNW || message == WM_STYLECHANGED) AttachHeader();
    return result;
}

int SelectSingleListItem(HWND list, int index) {
    if (!IsWindow(list)) return 1;
    for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item != -1;
         item = ListView_GetNextItem(list, item, LVNI_SELECTED)) {
        ListView_SetItemState(list, item, 0, LVIS_SELECTED);
    }
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    if (focused != -1) ListView_SetItemState(list, focused, 0, LVIS_FOCUSED);
    // -1 would address every row.
    if (index >= 0 && index < ListView_GetItemCount(list)) {
        ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    return 1;
}

// --- CTransparentStatic2

void CTransparentStatic2::CaptureParentBackground(HDC reference) {
    HWND parent = GetParent(Handle());
    const RECT client = ClientRect();
    const RECT place = RectInParent();
    background_.Reset(CreateCompatibleBitmap(reference, client.right, client.bottom));
    if (!background_ || parent == nullptr) return;
    ui::ScopedMemoryDC memory(CreateCompatibleDC(reference));
    ui::SelectionScope selection(memory.Get(), background_.Get());
    FillRect(memory.Get(), &client, SharedWhiteBrush());
    // The parent draws itself as it would on screen, shifted so that the part
    // under the control lands on the bitmap; what the screen shows right now may
    // be covered or not painted yet.
    SetWindowOrgEx(memory.Get(), place.left, place.top, nullptr);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.Get()), 0);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT);
}

LRESULT CTransparentStatic2::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT: {
        const LRESULT result = Control::WindowProc(message, wParam, lParam);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return result;
    }
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (!background_) CaptureParentBackground(dc);
        const RECT client = ClientRect();
        BlitFromBitmap(dc, 0, 0, client.right, client.bottom, background_.Get(), 0, 0);
        return 0;
    }
    default:
        return Control::WindowProc(message, wParam, lParam);
    }
}
