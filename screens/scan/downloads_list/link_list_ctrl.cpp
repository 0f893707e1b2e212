#include "screens/scan/downloads_list/link_list_ctrl.h"

#include <commctrl.h>

#include <algorithm>
#include <shellapi.h>
#include <shlobj.h>

#include "foundation/folders.h"

namespace {

bool ShowFileInFolder(const std::wstring& path) {
    PIDLIST_ABSOLUTE items = ILCreateFromPathW(path.c_str());
    if (items == nullptr) return false;
    const HRESULT result = SHOpenFolderAndSelectItems(items, 0, nullptr, 0);
    ILFree(items);
    return SUCCEEDED(result);
}

bool OpenFolderWithShell(const std::wstring& folder) {
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

bool FolderThere(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

CLinkListCtrl::~CLinkListCtrl() {
    if (underline_ != nullptr) DeleteObject(underline_);
    if (hoverFont_ != nullptr) DeleteObject(hoverFont_);
    if (tooltip_ != nullptr) DestroyWindow(tooltip_);
}

void CLinkListCtrl::OnAttached() {
    if (!showFileInFolder) showFileInFolder = ShowFileInFolder;
    if (!openFolder) openFolder = OpenFolderWithShell;
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    LOGFONTW logFont{};
    GetObjectW(font, sizeof(logFont), &logFont);
    logFont.lfUnderline = TRUE;
    underline_ = CreateFontIndirectW(&logFont);
    hoverFont_ = CreateFontIndirectW(&logFont);
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, nullptr, nullptr);
}

bool CLinkListCtrl::AddLink(int row, const std::wstring& target, const std::wstring& tooltip, const std::wstring& key) {
    HWND header = ListView_GetHeader(Handle());
    if (row < 0 || row >= ListView_GetItemCount(Handle()) || header == nullptr || Header_GetItemCount(header) < 3) {
        return false;
    }
    links_[KeyOf(row, kLinkColumn)] = LinkRecord{0, target, tooltip, key};
    return true;
}

bool CLinkListCtrl::HasLink(int row, int column) const { return links_.count(KeyOf(row, column)) != 0; }

std::wstring CLinkListCtrl::GetLinkKey(int row) const {
    if (row < 0) return L"";
    const auto found = links_.find(KeyOf(row, kLinkColumn));
    return found == links_.end() ? L"" : found->second.key;
}

void CLinkListCtrl::ClearLinks() {
    links_.clear();
    lastRow_ = lastColumn_ = -1;
    lastOver_ = false;
}

RECT CLinkListCtrl::GetLinkTextRect(int row, int column) const {
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_LABEL;
    SendMessageW(Handle(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    RECT rect = cell;
    InflateRect(&rect, -6, 0);
    wchar_t text[512] = {};
    ListView_GetItemText(Handle(), row, column, text, 512);
    HDC dc = GetDC(Handle());
    SIZE size{};
    {
        ui::SelectionScope selection(dc, underline_ != nullptr ? underline_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    }
    ReleaseDC(Handle(), dc);
    const int middle = (rect.top + rect.bottom) / 2;
    rect.top = middle - size.cy / 2;
    rect.bottom = rect.top + size.cy;
    const int width = std::min<int>(size.cx, rect.right - rect.left);
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(Handle()), column, &item);
    if ((item.fmt & HDF_RIGHT) != 0) {
        rect.left = rect.right - width;
    } else if ((item.fmt & HDF_CENTER) != 0) {
        rect.left = (rect.left + rect.right - width) / 2;
        rect.right = rect.left + width;
    } else {
        rect.right = rect.left + width;
    }
    return rect;
}

std::pair<int, int> CLinkListCtrl::LinkAt(POINT point) const {
    LVHITTESTINFO hit{};
    hit.pt = point;
    if (SendMessageW(Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0) {
        return {-1, -1};
    }
    if (!HasLink(hit.iItem, hit.iSubItem)) return {-1, -1};
    const RECT text = GetLinkTextRect(hit.iItem, hit.iSubItem);
    if (!PtInRect(&text, point)) return {-1, -1};
    return {hit.iItem, hit.iSubItem};
}

void CLinkListCtrl::UpdateTooltip(int row, int column) {
    if (tooltip_ == nullptr) return;
    const auto found = links_.find(KeyOf(row, column));
    if (found == links_.end()) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = 1;
    tool.rect = GetLinkTextRect(row, column);
    std::wstring text = found->second.tooltip;
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CLinkListCtrl::SetLinkHover(int row, int column, int state) {
    const auto found = links_.find(KeyOf(row, column));
    if (found == links_.end()) return;
    found->second.hover = state;
    UpdateTooltip(row, column);
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    SendMessageW(Handle(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    RedrawWindow(Handle(), &cell, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}

std::wstring CLinkListCtrl::LocationText(int row) const {
    wchar_t text[MAX_PATH * 2] = {};
    ListView_GetItemText(Handle(), row, 1, text, MAX_PATH * 2);
    return text;
}

void CLinkListCtrl::OpenLink(int row) {
    const auto found = links_.find(KeyOf(row, kLinkColumn));
    if (found == links_.end()) return;
    if (showFileInFolder && showFileInFolder(found->second.target)) return;
    std::wstring folder = LocationText(row);
    if (folder.empty() || !FolderThere(folder)) folder = downloadFolder ? downloadFolder() : L"";
    if (folder.empty()) return;
    CreateFolderTree(folder);
    if (openFolder) openFolder(folder);
}

LRESULT CLinkListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        LVHITTESTINFO hit{};
        hit.pt = point;
        SendMessageW(Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        const bool over = LinkAt(point).first >= 0;
        if (hit.iItem != lastRow_ || hit.iSubItem != lastColumn_) {
            if (lastOver_ && HasLink(lastRow_, lastColumn_)) SetLinkHover(lastRow_, lastColumn_, 0);
            if (over) SetLinkHover(hit.iItem, hit.iSubItem, 1);
        } else if (over != lastOver_ && HasLink(lastRow_, lastColumn_)) {
            SetLinkHover(lastRow_, lastColumn_, over ? 1 : 0);
        }
        lastPoint_ = point;
        lastRow_ = hit.iItem;
        lastColumn_ = hit.iSubItem;
        lastOver_ = over;
        break;
    }
    case WM_LBUTTONDOWN: {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const auto link = LinkAt(point);
        if (link.first >= 0) OpenLink(link.first);
        break;
    }
    default:
        break;
    }
    return ui::Control::WindowProc(message, wParam, lParam);
}

bool CLinkListCtrl::OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY) return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code != NM_CUSTOMDRAW) return false;
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        result = CDRF_NOTIFYITEMDRAW;
        return true;
    case CDDS_ITEMPREPAINT:
        result = CDRF_NOTIFYSUBITEMDRAW;
        return true;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const auto found = links_.find(KeyOf(static_cast<int>(draw->nmcd.dwItemSpec), draw->iSubItem));
        if (found != links_.end()) {
            SelectObject(draw->nmcd.hdc, found->second.hover ? hoverFont_ : underline_);
            draw->clrText = found->second.hover ? RGB(255, 0, 0) : RGB(0, 0, 255);
            result = CDRF_NEWFONT;
        } else {
            draw->clrText = GetSysColor(COLOR_WINDOWTEXT);
            result = CDRF_DODEFAULT;
        }
        return true;
    }
    default:
        result = CDRF_DODEFAULT;
        return true;
    }
}
