#include "screens/manage/exclusions/drv_exclusion_page.h"

#include <commctrl.h>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "platform/ui/gdi.h"
#include "screens/manage/exclusions/exclusion_ids.h"
#include "shell/app/app_system.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

int Ask(HWND owner, const wchar_t* key, UINT style) {
    return CurrentAppSystem().ShowMessageBox(owner, LangText(key), GetAppTitle(), style);
}

int SingleLineHeight(HDC dc) {
    RECT line{0, 0, 1000, 0};
    return DrawTextW(dc, L"Ag", 2, &line, DT_CALCRECT | DT_SINGLELINE);
}

}  // namespace

int CountWrappedTextLines(HWND window, const std::wstring& text, const RECT& client) {
    ui::ClientDC dc(window);
    ui::SelectionScope font(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    RECT area{12, 54, client.right - 1, 200};
    const int wrapped = DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CALCRECT | DT_WORDBREAK);
    const int single = SingleLineHeight(dc);
    return single > 0 ? wrapped / single + 1 : 1;
}

BOOL SelectFirstListRow(HWND list) {
    if (ListView_GetItemCount(list) <= 0) return FALSE;
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return TRUE;
}

CDlgDrvExclusion::CDlgDrvExclusion(ExclusionList& list) : CDlgChildBase(IDD_DRV_EXCLUSION), list_(list) {
    m_bCompactFooter = true;
}

BOOL CDlgDrvExclusion::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    SetText(LangText(L"IDS_IGNORE_LIST"));
    removeAllButton_.AttachDlgItem(Handle(), IDC_REMOVE_ALL);
    removeButton_.AttachDlgItem(Handle(), IDC_REMOVE_SELECTED);
    SetupDialogButtons(&removeAllButton_, &removeButton_, LangText(L"IDS_REMOVE_ALL_ITEM"), LangText(L"IDS_REMOVE_ITEMS"),
                       false);
    removeAllButton_.Enable(false);
    removeButton_.Enable(false);

    HWND list = Item(IDC_EXCLUSION_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const std::wstring heading = LangText(L"IDS_LABEL_DRIVER_NAME");
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = ClientRect().right - 56;
    column.pszText = const_cast<wchar_t*>(heading.c_str());
    ListView_InsertColumn(list, 0, &column);

    // The program read the file and fed the engine at start-up; the page shows it.
    RefillList();
    Layout();
    UpdateButtons();
    SelectFirstListRow(list);
    return TRUE;
}

int CDlgDrvExclusion::AddDriver(const std::wstring& driverName, const std::wstring& hardwareIds,
                                const std::wstring& guidFullPath, const std::wstring& hash) {
    const int added = AddDriverToExclusionList(list_, driverName, hardwareIds, guidFullPath, hash);
    if (added != 0 && Exists()) {
        RefillList();
        UpdateButtons();
    }
    return added;
}

int CDlgDrvExclusion::SelectedRow() const {
    return ListView_GetNextItem(Item(IDC_EXCLUSION_LIST), -1, LVNI_SELECTED);
}

void CDlgDrvExclusion::OnRemoveSelected() {
    const int row = SelectedRow();
    if (row < 0) {
        Ask(Handle(), L"IDS_NOSELC_EXCLU_ITEM", MB_OK);
    } else if (Ask(Handle(), L"IDS_DRIVER_EXCLU_DESC2", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        // The row itself, not the first entry of that name: two devices may share one.
        list_.RemoveAt(static_cast<size_t>(row));
        RefillList();
    }
    UpdateButtons();
}

void CDlgDrvExclusion::OnRemoveAll() {
    if (Ask(Handle(), L"IDS_DRIVER_EXCLU_DESC2", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        list_.RemoveAll();
        RefillList();
    }
    UpdateButtons();
}

void CDlgDrvExclusion::RefillList() {
    HWND list = Item(IDC_EXCLUSION_LIST);
    ListView_DeleteAllItems(list);
    const auto& items = list_.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(items[i].DriverName.c_str());
        item.lParam = static_cast<LPARAM>(i);
        ListView_InsertItem(list, &item);
    }
}

void CDlgDrvExclusion::UpdateButtons() {
    const bool hasRows = ListView_GetItemCount(Item(IDC_EXCLUSION_LIST)) > 0;
    removeAllButton_.Enable(hasRows);
    removeButton_.Enable(hasRows && SelectedRow() >= 0);
}

void CDlgDrvExclusion::Layout() {
    const RECT client = ClientRect();
    const int lines = CountWrappedTextLines(Handle(), LangText(L"IDS_DRIVER_EXCLU_DESC"), client) + 1;
    int lineHeight = 15;
    {
        ui::ClientDC dc(Handle());
        ui::SelectionScope font(dc, reinterpret_cast<HFONT>(Send(WM_GETFONT)));
        lineHeight = SingleLineHeight(dc);
    }
    HWND list = Item(IDC_EXCLUSION_LIST);
    const int top = lines * lineHeight + 37;
    MoveWindow(list, 13, top, client.right - 26, std::max(40, static_cast<int>(client.bottom) - top - 72), TRUE);
    ListView_SetColumnWidth(list, 0, client.right - 56);
    LayoutFooterButtons(*this, &removeAllButton_, &removeButton_, client, LangText(L"IDS_REMOVE_ALL_ITEM"),
                        LangText(L"IDS_REMOVE_ITEMS"));
}

void CDlgDrvExclusion::Paint() {
    ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    CHvMemDC memory(paint, &client);
    FillRect(memory, &client, SharedWhiteBrush());
    DrawPageBackground(memory, client, TRUE, LangText(L"IDS_IGNORE_LIST"), true, true, true, 24);
    const std::wstring description = LangText(L"IDS_DRIVER_EXCLU_DESC");
    ui::SelectionScope font(memory, reinterpret_cast<HFONT>(Send(WM_GETFONT)));
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(72, 81, 90));
    RECT text{12, 32, client.right - 12, 200};
    DrawTextW(memory, description.c_str(), static_cast<int>(description.size()), &text, DT_WORDBREAK);
}

void CDlgDrvExclusion::ShowContextMenu() {
    if (SelectedRow() < 0) return;
    ui::ScopedMenu menu(CreatePopupMenu());
    AppendMenuW(menu.Get(), MF_STRING, IDM_REMOVE_ALL, LangText(L"IDS_MENU_REM_ALL_EXCLSN_LIST").c_str());
    AppendMenuW(menu.Get(), MF_STRING, IDM_REMOVE_THIS, LangText(L"IDS_MENU_REM_THIS_FRM_EX_LIST").c_str());
    POINT at{};
    GetCursorPos(&at);
    TrackPopupMenu(menu.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

LRESULT CDlgDrvExclusion::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_REMOVE_ALL:
        case IDM_REMOVE_ALL: OnRemoveAll(); return 0;
        case IDC_REMOVE_SELECTED:
        case IDM_REMOVE_THIS: OnRemoveSelected(); return 0;
        default: break;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_EXCLUSION_LIST) {
            if (header->code == NM_CLICK || header->code == LVN_ITEMCHANGED) UpdateButtons();
            if (header->code == NM_RCLICK && reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem >= 0) {
                ShowContextMenu();
            }
        }
        break;
    }
    case WM_SHOWWINDOW:
        if (wParam != 0) {
            // The results page may have added drivers to the program's list meanwhile.
            RefillList();
            SelectFirstListRow(Item(IDC_EXCLUSION_LIST));
            UpdateButtons();
        }
        break;
    case WM_SIZE: Layout(); break;
    case WM_PAINT: Paint(); return 0;
    default: break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}
