#include "screens/manage/settings/settings_pages.h"

#include <commctrl.h>

#include "foundation/app_settings.h"
#include "foundation/folders.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/ui/gdi.h"
#include "screens/manage/folder_settings.h"
#include "screens/manage/settings/settings_ids.h"
#include "shell/driver_optimizer_app.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring StoredValue(const wchar_t* name) {
    std::wstring text;
    DWORD unused = 0;
    GetUserRegistryValue(kProductKeyPath, name, text, unused, REG_SZ);
    return text;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(WithBackslash(a).c_str(), -1, WithBackslash(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring ItemText(HWND page, int id) {
    wchar_t text[MAX_PATH * 2] = {};
    GetDlgItemTextW(page, id, text, static_cast<int>(std::size(text)));
    return text;
}

}  // namespace

// ---- folder page ----

CDlgSetting3Loc::CDlgSetting3Loc(CDriverOptimizerApp& app) : CDlgChildBase(IDD_SETTING3_LOC), app_(app) {
    m_bCompactFooter = true;
    pickFolder = [this](HWND owner, std::wstring& folder) { return app_.BrowseForFolder(owner, folder); };
}

BOOL CDlgSetting3Loc::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    SetText(LangText(L"SETTINGDLG3"));
    if (StoredValue(L"Download Path").empty()) {
        SetUserRegistryValue(true, kProductKeyPath, L"Download Path", app_.DownloadFolder(), 0, REG_SZ);
    }
    if (StoredValue(L"Backup Path").empty()) {
        SetUserRegistryValue(true, kProductKeyPath, L"Backup Path", app_.BackupFolder(), 0, REG_SZ);
    }
    applyButton_.AttachDlgItem(Handle(), IDC_FOLDERS_APPLY);
    defaultButton_.AttachDlgItem(Handle(), IDC_FOLDERS_DEFAULT);
    SetupDialogButtons(&defaultButton_, &applyButton_, LangText(L"IDD_SETTINGTAB3_DEFAULT"),
                       LangText(L"IDD_SETTINGTAB3_APPLY"), false);
    SetDlgItemTextW(Handle(), IDC_BROWSE_DOWNLOAD, LangText(L"IDS_BROWSE_DOT").c_str());
    SetDlgItemTextW(Handle(), IDC_BROWSE_BACKUP, LangText(L"IDS_BROWSE_DOT").c_str());
    Layout();

    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, Handle(), nullptr,
                               nullptr, nullptr);
    const std::wstring tip = LangText(L"SETTINGTABTOOLTIP1");
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(applyButton_.Handle());
    tool.lpszText = const_cast<wchar_t*>(tip.c_str());
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    OnShowFolders();
    return TRUE;
}

void CDlgSetting3Loc::OnShowFolders() {
    SetDlgItemTextW(Handle(), IDC_DOWNLOAD_FOLDER, WithBackslash(app_.DownloadFolder()).c_str());
    SetDlgItemTextW(Handle(), IDC_BACKUP_FOLDER, WithBackslash(app_.BackupFolder()).c_str());
    const bool differs = !SameFolder(StoredValue(L"Download Path"), app_.DownloadFolder()) ||
                         !SameFolder(StoredValue(L"Backup Path"), app_.BackupFolder());
    applyButton_.Enable(differs);
    UpdateDefaultsButton();
}

void CDlgSetting3Loc::OnApplyFolders() {
    const std::wstring download = ItemText(Handle(), IDC_DOWNLOAD_FOLDER);
    const std::wstring backup = ItemText(Handle(), IDC_BACKUP_FOLDER);
    // A folder not there yet is made when first used; a file of that name never
    // becomes one, so it is refused before anything is stored.
    for (const std::wstring& text : {download, backup}) {
        const DWORD attributes = GetFileAttributesW(text.c_str());
        if (!text.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            SettingsMessage(Handle(), L"IDS_UNABLE_SAVE_SETTING", MB_OK);
            return;
        }
    }
    StoredFolders stored;
    const bool saved = StoreFolderSettings(download, backup, stored);
    if (!stored.download.empty()) app_.SetDownloadFolder(stored.download);
    if (!stored.backup.empty()) app_.SetBackupFolder(stored.backup);
    applyButton_.Enable(false);
    if (!saved) {
        // What was refused stays in the box for the user to correct.
        applyButton_.Enable(true);
        SettingsMessage(Handle(), L"IDS_UNABLE_SAVE_SETTING", MB_OK);
    }
    UpdateDefaultsButton();
}

void CDlgSetting3Loc::OnDefaultFolders() {
    const bool download = SetUserRegistryValue(true, kProductKeyPath, L"Download Path", app_.DefaultDownloadFolder(),
                                               0, REG_SZ) != 0;
    app_.SetDownloadFolder(app_.DefaultDownloadFolder());
    const bool backup = SetUserRegistryValue(true, kProductKeyPath, L"Backup Path", app_.DefaultBackupFolder(), 0,
                                             REG_SZ) != 0;
    app_.SetBackupFolder(app_.DefaultBackupFolder());
    const bool saved = download && backup;
    applyButton_.Enable(!saved);
    defaultButton_.Enable(!saved);
    if (!saved) SettingsMessage(Handle(), L"IDS_UNABLE_SAVE_SETTING", MB_OK);
    SetDlgItemTextW(Handle(), IDC_BACKUP_FOLDER, WithBackslash(app_.DefaultBackupFolder()).c_str());
    SetDlgItemTextW(Handle(), IDC_DOWNLOAD_FOLDER, WithBackslash(app_.DefaultDownloadFolder()).c_str());
}

void CDlgSetting3Loc::OnBrowse(bool download) {
    const wchar_t* valueName = download ? L"Download Path" : L"Backup Path";
    const int edit = download ? IDC_DOWNLOAD_FOLDER : IDC_BACKUP_FOLDER;
    std::wstring stored = StoredValue(valueName);
    if (stored.empty()) stored = download ? app_.DownloadFolder() : app_.BackupFolder();
    const std::wstring fallback = download ? app_.DefaultDownloadFolder() : app_.DefaultBackupFolder();
    CreateFolderTree(stored);
    std::wstring start = GetFileAttributesW(stored.c_str()) != INVALID_FILE_ATTRIBUTES ? stored : fallback;
    if (start == fallback) CreateFolderTree(fallback);

    std::wstring chosen = start;
    if (!pickFolder(Handle(), chosen)) chosen = start;
    // A folder the program could not write its packages or archives into is refused
    // here, with a word, rather than failing later in a download or a backup.
    const std::optional<std::wstring> folder = NormaliseFolderPath(chosen);
    if (!folder || !CanWriteInFolder(*folder)) {
        SettingsMessage(Handle(), L"IDS_UNABLE_SAVE_SETTING", MB_OK);
        return;
    }
    chosen = *folder;
    if (!download) app_.SetBackupFolder(chosen);
    SetDlgItemTextW(Handle(), edit, chosen.c_str());
    applyButton_.Enable(!SameFolder(chosen, stored) || applyButton_.IsEnabled());
    UpdateDefaultsButton();
}

void CDlgSetting3Loc::UpdateDefaultsButton() {
    const bool atDefaults = SameFolder(StoredValue(L"Backup Path"), app_.DefaultBackupFolder()) &&
                            SameFolder(StoredValue(L"Download Path"), app_.DefaultDownloadFolder());
    defaultButton_.Enable(!atDefaults);
}

void CDlgSetting3Loc::Layout() {
    const RECT client = ClientRect();
    MoveWindow(Item(IDC_DOWNLOAD_FOLDER), 23, 78, client.right - 168, 20, TRUE);
    MoveWindow(Item(IDC_BACKUP_FOLDER), 23, 176, client.right - 168, 20, TRUE);
    MoveWindow(Item(IDC_BROWSE_DOWNLOAD), client.right - 141, 73, 100, 28, TRUE);
    MoveWindow(Item(IDC_BROWSE_BACKUP), client.right - 141, 171, 100, 28, TRUE);
    LayoutFooterButtons(*this, &defaultButton_, &applyButton_, client, LangText(L"IDD_SETTINGTAB3_DEFAULT"),
                        LangText(L"IDD_SETTINGTAB3_APPLY"));
}

void CDlgSetting3Loc::Paint() {
    ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    CHvMemDC memory(paint, &client);
    FillRect(memory, &client, SharedWhiteBrush());
    DrawPageBackground(memory, client, TRUE, LangText(L"IDS_DOWNLOADOPTIONS"), true, true, true, 24);
    ui::SelectionScope font(memory, reinterpret_cast<HFONT>(Send(WM_GETFONT)));
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(0, 0, 0));
    const std::wstring downloads = LangText(L"SETTINGTAB3DESC3");
    const std::wstring backups = LangText(L"SETTINGTAB3DESC4");
    TextOutW(memory, 23, 56, downloads.c_str(), static_cast<int>(downloads.size()));
    TextOutW(memory, 23, 155, backups.c_str(), static_cast<int>(backups.size()));
    ui::ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(225, 225, 225)));
    ui::SelectionScope penSelection(memory, pen.Get());
    ui::SelectionScope brushSelection(memory, GetStockObject(NULL_BRUSH));
    Rectangle(memory, 21, 74, client.right - 142, 99);
    Rectangle(memory, 21, 172, client.right - 142, 197);
}

LRESULT CDlgSetting3Loc::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_FOLDERS_APPLY: OnApplyFolders(); return 0;
        case IDC_BROWSE_DOWNLOAD: OnBrowse(true); return 0;
        case IDC_BROWSE_BACKUP: OnBrowse(false); return 0;
        case IDC_FOLDERS_DEFAULT: OnDefaultFolders(); return 0;
        default: break;
        }
        break;
    case WM_SHOWWINDOW:
        if (wParam != 0) OnShowFolders();
        break;
    case WM_SIZE: Layout(); break;
    case WM_PAINT: Paint(); return 0;
    default: break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}

// ---- the settings page ----

namespace {

// The sub-pages are shorter than a page by the tab row's height and keep the
// compact footer; they stand at the page's foot so their footer meets the window's.
constexpr int kTabRowHeight = 24;

void PlaceSubPage(CDlgChildBase& page, int width, int height) {
    page.m_bCompactFooter = true;
    page.MoveTo(0, kTabRowHeight, width, std::max(0, height - kTabRowHeight));
}

}  // namespace

CDlgSettings::CDlgSettings(CDriverOptimizerApp& app, ExclusionList& exclusions)
    : CDlgChildBase(IDD_SETTINGS_PAGE), exclusion_(exclusions), folders_(app) {}

BOOL CDlgSettings::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    CreateSubPages();
    Post(WM_COMMAND, IDC_SHOW_GENERAL);
    return TRUE;
}

void CDlgSettings::CreateSubPages() {
    const RECT client = ClientRect();
    for (CDlgChildBase* page : std::initializer_list<CDlgChildBase*>{&schedule_, &language_, &exclusion_, &folders_}) {
        page->Create(Handle());
        PlaceSubPage(*page, client.right, client.bottom);
        page->Show(SW_HIDE);
        page->Enable(false);
    }
}

void CDlgSettings::ShowSubPage(CDlgChildBase& page) {
    if (current_ == &page) return;
    if (current_ != nullptr) {
        current_->Show(SW_HIDE);
        current_->Enable(false);
    }
    current_ = &page;
    page.Show(SW_SHOW);
    page.Enable(true);
}

void CDlgSettings::ShowFolderPage() { ShowSubPage(folders_); }
void CDlgSettings::ShowExclusionPage() { ShowSubPage(exclusion_); }
void CDlgSettings::ShowLanguagePage() { ShowSubPage(language_); }

void CDlgSettings::ShowSchedulePage() {
    if (reapplyStoredSchedule) {
        reapplyStoredSchedule = false;
        schedule_.LoadSchedule();
        schedule_.Post(WM_COMMAND, IDC_APPLY);
    } else {
        schedule_.ResetTimeToNow();
    }
    ShowSubPage(schedule_);
}

LRESULT CDlgSettings::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDC_SHOW_FOLDERS: ShowFolderPage(); return 0;
        case IDC_SHOW_EXCLUSIONS: ShowExclusionPage(); return 0;
        case IDC_SHOW_SCHEDULE: ShowSchedulePage(); return 0;
        case IDC_SHOW_GENERAL: ShowLanguagePage(); return 0;
        default: break;
        }
    }
    if (message == WM_SIZE) {
        for (CDlgChildBase* page : std::initializer_list<CDlgChildBase*>{&schedule_, &language_, &exclusion_, &folders_}) {
            if (page->Exists()) PlaceSubPage(*page, LOWORD(lParam), HIWORD(lParam));
        }
    }
    if (message == WM_PAINT) {
        ui::PaintScope paint(Handle());
        const RECT client = ClientRect();
        FillRect(paint, &client, SharedWhiteBrush());
        return 0;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}
