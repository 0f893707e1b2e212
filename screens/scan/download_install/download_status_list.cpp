#include "screens/scan/download_install/download_status_list.h"

#include <commctrl.h>

#include <algorithm>

void DownloadStatusList::Attach(HWND list, std::wstring heading, int width) {
    list_ = list;
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = heading.data();
    column.cx = width;
    ListView_InsertColumn(list_, 0, &column);
}

void DownloadStatusList::Append(const std::wstring& text, bool newRow) {
    if (list_ == nullptr) return;
    // A step after a progress text keeps that text as the file's last word.
    if (newRow && slotHoldsProgress_) {
        ++slot_;
        slotHoldsProgress_ = false;
    }
    const int count = ListView_GetItemCount(list_);
    std::wstring copy = text;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = slot_;
    item.pszText = copy.data();
    if (slot_ >= count) {
        ListView_InsertItem(list_, &item);
    } else {
        ListView_SetItem(list_, &item);
    }
    if (newRow) {
        ++slot_;
    } else {
        slotHoldsProgress_ = true;
        ListView_Update(list_, slot_);
    }
    ListView_EnsureVisible(list_, std::min(slot_, ListView_GetItemCount(list_) - 1), FALSE);
}

void DownloadStatusList::Clear() {
    if (list_ != nullptr) ListView_DeleteAllItems(list_);
    slot_ = 0;
    slotHoldsProgress_ = false;
}

std::vector<std::wstring> DownloadStatusList::Rows() const {
    std::vector<std::wstring> rows;
    const int count = list_ != nullptr ? ListView_GetItemCount(list_) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        ListView_GetItemText(list_, i, 0, text, 1024);
        rows.emplace_back(text);
    }
    return rows;
}
