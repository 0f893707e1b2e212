#include "screens/scan/downloads_list/dlg_downloads.h"

#include <algorithm>

#include <commctrl.h>

#include <atomic>

#include "engine/package_file_name.h"
#include "foundation/language_strings.h"
#include "foundation/md5_checksum.h"
#include "platform/ui/gdi.h"
#include "screens/scan/downloads_list/downloads_list_ids.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/list_controls.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

std::wstring LangText(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

// A second rebuild that starts while one runs does nothing.
std::atomic<int> rebuildDepth{0};

bool FileThere(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
    return length == 0 || length >= MAX_PATH * 2 ? std::wstring() : std::wstring(buffer, length);
}

}  // namespace

bool MayDeleteRecordedFile(const std::wstring& path, const std::wstring& md5, const std::wstring& downloadFolder) {
    if (path.empty() || !FileThere(path)) return false;
    if (!md5.empty() && lstrcmpiW(Md5OfFile(path).c_str(), md5.c_str()) == 0) return true;
    std::wstring folder = FullPath(downloadFolder);
    const std::wstring file = FullPath(path);
    if (folder.empty() || file.empty()) return false;
    if (folder.back() != L'\\') folder += L'\\';
    return file.size() > folder.size() && CompareStringOrdinal(file.c_str(), static_cast<int>(folder.size()),
                                                               folder.c_str(), static_cast<int>(folder.size()),
                                                               TRUE) == CSTR_EQUAL;
}

CDlgDownloads::CDlgDownloads(DownloadsListSource source) : CDlgChildBase(IDD_DOWNLOADS), source_(std::move(source)) {}

CDlgDownloads::~CDlgDownloads() { worker_.Join(); }

BOOL CDlgDownloads::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    SetWindowLongPtrW(Handle(), GWL_STYLE, GetWindowLongPtrW(Handle(), GWL_STYLE) | WS_TABSTOP);
    ScaleDialogFont(Handle(), static_cast<WORD>(TemplateId()), 96.0, ResourceModule(), m_fontState);
    SetText(LangText(L"IDS_MY_DOWNLOADS"));
    remove_.AttachDlgItem(Handle(), IDC_DOWNLOADS_REMOVE);
    removeAll_.AttachDlgItem(Handle(), IDC_DOWNLOADS_REMOVE_ALL);
    SetupDialogButtons(&remove_, &removeAll_, LangText(L"IDS_REMOVE_ITEMS"), LangText(L"IDS_REMOVE_ALL_ITEM"), false);
    remove_.Enable(false);
    removeAll_.Enable(false);
    list_.downloadFolder = source_.downloadFolder;
    list_.AttachDlgItem(Handle(), IDC_DOWNLOADS_LIST);
    ListView_SetExtendedListViewStyle(
        list_.Handle(), ListView_GetExtendedListViewStyle(list_.Handle()) | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    const struct {
        const char* key;
        int width;
    } columns[] = {{"IDS_FILENAME_FIELD", 180}, {"IDS_LOCATION_FIELD", 420}, {"IDS_ACTION_FIELD", 122}};
    for (int i = 0; i < 3; ++i) {
        std::wstring caption = GetLangString(std::wstring(columns[i].key, columns[i].key + strlen(columns[i].key)).c_str(),
                                             L"RESOURCESTRING");
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = caption.data();
        column.cx = columns[i].width;
        ListView_InsertColumn(list_.Handle(), i, &column);
    }
    LayoutControls();
    // The location gives up what the three widths need beyond the list's own width,
    // so no horizontal scroll bar hides the last row.
    RECT client{};
    GetClientRect(list_.Handle(), &client);
    const int overflow = columns[0].width + columns[1].width + columns[2].width - (client.right - client.left);
    if (overflow > 0) ListView_SetColumnWidth(list_.Handle(), 1, std::max(80, columns[1].width - overflow));
    UpdateButtons();
    RefreshList();
    return TRUE;
}

void CDlgDownloads::LayoutControls() {
    if (!list_.Exists()) return;
    const RECT client = ClientRect();
    MoveWindow(list_.Handle(), 13, 67, client.right - 26, client.bottom - 139, TRUE);
    // Remove stands left of Remove all.
    LayoutFooterButtons(*this, &removeAll_, &remove_, client, LangText(L"IDS_REMOVE_ALL_ITEM"), LangText(L"IDS_REMOVE_ITEMS"));
}

void CDlgDownloads::Paint(HDC dc, const RECT& client) {
    DrawPageBackground(dc, client, TRUE, LangText(L"IDS_MY_DOWNLOADS"), true, true, false, 24);
    ui::ScopedPen pen(CreatePen(PS_SOLID, 1, 0xE1E1E1));
    ui::SelectionScope penSelection(dc, pen.Get());
    ui::SelectionScope brushSelection(dc, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    Rectangle(dc, 12, 65, client.right - 12, client.bottom - 71);
}

LRESULT CDlgDownloads::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintBufferedOnWhite(Handle(), [this](HDC dc, const RECT& client) { Paint(dc, client); });
        return 0;
    case WM_SIZE: {
        const LRESULT result = CDlgChildBase::WindowProc(message, wParam, lParam);
        LayoutControls();
        return result;
    }
    case kRebuildMessage:
        RefreshList();
        return 0;
    case WM_COMMAND:
        if (lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDC_DOWNLOADS_REMOVE) RemoveSelected();
            if (LOWORD(wParam) == IDC_DOWNLOADS_REMOVE_ALL) StartRemoveAll();
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_DOWNLOADS_LIST && header->code == NM_CLICK &&
            reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem >= 0) {
            remove_.Enable(true);
            removeAll_.Enable(true);
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}

void CDlgDownloads::RefreshList() {
    if (rebuildDepth.fetch_add(1) >= 1) {
        --rebuildDepth;
        return;
    }
    ListView_DeleteAllItems(list_.Handle());
    list_.ClearLinks();
    const std::wstring openText = LangText(L"IDS_OPENFOLDER");
    if (source_.files != nullptr) {
        std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
        std::map<std::wstring, std::wstring> entries;
        entries.swap(*source_.files);
        for (const auto& [key, value] : entries) {
            const auto entry = ParseDownloadedFilesEntry(value);
            if (!entry || !FileThere(entry->path)) continue;
            const size_t slash = entry->path.find_last_of(L"\\/");
            if (slash == std::wstring::npos) continue;
            std::wstring location = entry->path.substr(0, slash + 1);
            std::wstring name = entry->path.substr(slash + 1);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = ListView_GetItemCount(list_.Handle());
            item.pszText = name.data();
            const int row = ListView_InsertItem(list_.Handle(), &item);
            if (row < 0) continue;
            ListView_SetItemText(list_.Handle(), row, 1, location.data());
            std::wstring action = openText;
            ListView_SetItemText(list_.Handle(), row, 2, action.data());
            list_.AddLink(row, entry->path, openText, key);
            (*source_.files)[key] = value;
        }
        if (source_.save) source_.save();
    }
    if (ListView_GetItemCount(list_.Handle()) > 0) SelectSingleListItem(list_.Handle(), 0);
    UpdateButtons();
    rebuildDepth = 0;
}

void CDlgDownloads::UpdateButtons() {
    HWND list = list_.Handle();
    const int count = ListView_GetItemCount(list);
    if (count <= 0) {
        remove_.Enable(false);
        removeAll_.Enable(false);
        return;
    }
    removeAll_.Enable(true);
    if (ListView_GetNextItem(list, -1, LVNI_SELECTED) < 0) SelectSingleListItem(list, 0);
    remove_.Enable(ListView_GetNextItem(list, -1, LVNI_SELECTED) >= 0);
}

void CDlgDownloads::RemoveSelected() {
    const int row = ListView_GetNextItem(list_.Handle(), -1, LVNI_SELECTED);
    if (row >= 0 && source_.files != nullptr) {
        const std::wstring key = list_.GetLinkKey(row);
        const std::wstring folder = source_.downloadFolder ? source_.downloadFolder() : L"";
        std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
        const auto found = source_.files->find(key);
        if (found != source_.files->end()) {
            const auto entry = ParseDownloadedFilesEntry(found->second);
            source_.files->erase(found);
            if (source_.save) source_.save();
            if (entry && MayDeleteRecordedFile(entry->path, entry->md5, folder)) DeleteFileW(entry->path.c_str());
        }
    }
    RefreshList();
}

void CDlgDownloads::StartRemoveAll() {
    remove_.Enable(false);
    removeAll_.Enable(false);
    if (!worker_.Start([this] { RemoveAll(); })) RemoveAll();
}

void CDlgDownloads::RemoveAll() {
    const std::wstring folder = source_.downloadFolder ? source_.downloadFolder() : L"";
    if (source_.files != nullptr) {
        std::lock_guard<std::recursive_mutex> lock(DownloadedFilesLock());
        for (const auto& [key, value] : *source_.files) {
            const auto entry = ParseDownloadedFilesEntry(value);
            if (entry && MayDeleteRecordedFile(entry->path, entry->md5, folder)) DeleteFileW(entry->path.c_str());
        }
        source_.files->clear();
        if (source_.save) source_.save();
    }
    // The list belongs to the window's thread.
    Post(kRebuildMessage);
}
