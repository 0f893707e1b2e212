#include "shell/app/sub_header.h"

#include "shell/app/main_window.h"

#include <commctrl.h>

#include <vector>

#include "engine/backup_restore_runs.h"
#include "foundation/app_settings.h"
#include "foundation/daily_log.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/modal_prompts.h"
#include "foundation/product_key.h"
#include "foundation/product_shortcuts.h"
#include "foundation/registry_values.h"
#include "foundation/shared_constants.h"
#include "foundation/system_helpers.h"
#include "foundation/window_helpers.h"
#include "shell/app/app_busy.h"
#include "shell/app/app_system.h"
#include "shell/app/hv_app.h"
#include "shell/app/internet_check.h"
#include "shell/app/kv_menu.h"
#include "shell/app/startup_switches.h"
#include "shell/splash_about/dlg_about.h"
#include "shell/splash_about/dlg_parent_transculent.h"
#include "shell/splash_about/dlg_splash.h"
#include "shell/splash_about/splash_about_ids.h"
#include "shell/toolkit/bitmap_pieces.h"
#include "shell/toolkit/toolkit_context.h"
#include "resources/toolkit/toolkit_ids.h"
#include "platform/ui/message_pump.h"
#include "platform/ui/modal_popup.h"
#include "shell/scheduled_tasks/scheduled_scan_task.h"
#include "shell/web_requests/program_update_check.h"
#include "shell/web_requests/web_request_host.h"
#include "shell/app/main_window_parts.h"

namespace {

using main_window_parts::LangText;

struct SubHeaderButton {
    UINT id;
    const wchar_t* caption;
    int group;  // 1 backup and restore, 2 settings, 3 my downloads
    int x;
};
constexpr SubHeaderButton kSubHeaderButtons[] = {
    {CDlgSubHeader::kBackupTab, L"TABBTN2", 1, 103},
    {CDlgSubHeader::kRestoreTab, L"TABBTN3", 1, 253},
    {CDlgSubHeader::kFolderTab, L"IDS_DOWNLOAD", 2, 103},
    {CDlgSubHeader::kLanguageTab, L"IDS_SET_TITLE1", 2, 253},
    {CDlgSubHeader::kExclusionTab, L"IDS_IGNORE_LIST", 2, 403},
    {CDlgSubHeader::kScheduleTab, L"IDS_ADDITIONAL_OPT", 2, 553},
    {CDlgSubHeader::kDownloadsTab, L"IDS_MY_DOWNLOADS", 3, 103},
};

}  // namespace

CDlgSubHeader::CDlgSubHeader() : CDlgChildBase(kSubHeaderTemplate) {}

bool CDlgSubHeader::Create(HWND parent, const RECT& place) {
    if (!Dialog::Create(parent)) return false;
    MoveTo(place.left, place.top, place.right - place.left, place.bottom - place.top, false);
    return true;
}

BOOL CDlgSubHeader::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    ScaleDialogFont(Handle(), kSubHeaderTemplate, 96.0, ResourceModule(), m_fontState);
    // The tabs wear the light footer pieces; the chosen one shows pressed.
    const bool smallCaptions = GetLanguageId() == 4;
    for (const SubHeaderButton& b : kSubHeaderButtons) {
        auto button = std::make_unique<CHalHoverButtonWithText>();
        const std::wstring caption = LangText(b.caption);
        button->m_bFourState = true;
        button->m_crText = RGB(27, 45, 54);
        button->m_crHover = RGB(16, 82, 171);
        if (smallCaptions) {
            button->m_bCustomHeight = true;
            button->m_fontHeight = -11;
        }
        button->Create(caption, WS_CHILD | BS_OWNERDRAW, {b.x, 11, b.x + 141, 11 + 30}, Handle(), static_cast<int>(b.id));
        button->LoadStateBitmaps(IDB_FOOTER_ALT_LEFT, IDB_FOOTER_ALT_MIDDLE, IDB_FOOTER_ALT_RIGHT, caption, 141, 30);
        buttons_[b.id] = button->Handle();
        textButtons_[b.id] = std::move(button);
    }
    return TRUE;
}

void CDlgSubHeader::ShowGroup(int tab, bool enable) {
    for (const SubHeaderButton& b : kSubHeaderButtons) {
        const bool shown = b.group == tab;
        ShowWindow(buttons_[b.id], shown ? SW_SHOW : SW_HIDE);
        EnableWindow(buttons_[b.id], shown && enable ? TRUE : FALSE);
    }
    Show(SW_SHOW);
    Invalidate(tab == 1);
}

void CDlgSubHeader::SelectTab(int tab) {
    ShowGroup(tab, true);
    if (IsAppBusy()) return;
    if (tab == 1) OnCommand(1010);
    else if (tab == 2) OnCommand(228);
    else if (tab == 3) downloadsSelected_ = true;
}

void CDlgSubHeader::SetCaptionAndTab(int captionBitmap, int tab) {
    caption_ = captionBitmap;
    storedTab_ = tab + 1;
    mode_ = CurrentStep(captionBitmap) >= 0 ? kStepMode : 0;
    SelectTab(tab);
}

void CDlgSubHeader::ShowCaptionAndTab(int captionBitmap, int tab, bool enable) {
    caption_ = captionBitmap;
    storedTab_ = tab + 1;
    mode_ = CurrentStep(captionBitmap) >= 0 ? kStepMode : 0;
    ShowGroup(tab, enable);
}

bool CDlgSubHeader::ButtonVisible(UINT id) const {
    const auto it = buttons_.find(id);
    return it != buttons_.end() && IsWindowVisible(it->second);
}

void CDlgSubHeader::EnableButtons(bool enable) {
    for (const auto& [id, button] : buttons_) EnableWindow(button, enable ? TRUE : FALSE);
}

void CDlgSubHeader::MarkSelected(UINT id) {
    int group = 0;
    for (const SubHeaderButton& b : kSubHeaderButtons) {
        if (b.id == id) group = b.group;
    }
    for (const SubHeaderButton& b : kSubHeaderButtons) {
        if (b.group != group) continue;
        textButtons_[b.id]->m_bLatched = b.id == id;
        InvalidateRect(buttons_[b.id], nullptr, FALSE);
    }
}

UINT CDlgSubHeader::MarkedTab() const {
    for (const auto& [id, button] : textButtons_) {
        if (button->m_bLatched && IsWindowVisible(button->Handle())) return id;
    }
    return 0;
}

void CDlgSubHeader::OnCommand(UINT id) {
    MarkSelected(id);
    switch (id) {
        case 228: selectedSettings_ = 228; break;
        case 218: selectedSettings_ = 218; break;
        case 235: selectedSettings_ = 235; break;
        case 236: selectedSettings_ = 236; break;
        case 210: downloadsSelected_ = true; break;
        case 1010:
        case 5210:
            // The backup and restore tabs choose the side of that page.
            if (CHvAppDlg* main = CHvAppDlg::FromWindow(GetParent(Handle()))) {
                if (MainPage* page = main->Page(MainPageId::BackupRestore)) page->OnSubPage(id);
            }
            break;
        default: break;
    }
    // The settings page shows the sub-page of the tab just chosen; one not made yet
    // is made now, and tells this header its window.
    if (selectedSettings_ == static_cast<int>(id) && settingsPage_ == nullptr) {
        if (CHvAppDlg* main = CHvAppDlg::FromWindow(GetParent(Handle()))) main->Page(MainPageId::Settings);
    }
    if (selectedSettings_ == static_cast<int>(id) && settingsPage_ != nullptr) {
        SendMessageW(settingsPage_, WM_COMMAND, id, 0);
    }
}

void CDlgSubHeader::Paint(HDC dc, const RECT&) {
    if (caption_ != 0) {
        if (!pictures_[caption_].Valid()) pictures_[caption_].Reset(LoadBitmapResource(static_cast<UINT>(caption_)));
        if (HBITMAP picture = pictures_[caption_].Get()) {
            const SIZE size = BitmapSize(picture);
            BlitFromBitmap(dc, 60, 11, size.cx, size.cy, picture, 0, 0);
        }
    }
    if (mode_ != kStepMode) return;
    const wchar_t* steps[] = {L"SETTINGTAB1DESC1", L"SCANTAB3", L"IDS_DOWNLOAD", L"IDS_SING_INSTALL"};
    const int current = CurrentStep(caption_);
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    const ui::SelectionScope selection(dc, font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < 4; ++i) {
        RECT box{64 + 160 * i, 15, 64 + 160 * i + 160, 15 + 28};
        SetTextColor(dc, i == current ? RGB(10, 42, 80) : RGB(51, 51, 51));
        const std::wstring caption = LangText(steps[i]);
        // The step names stand in the middle of their chevrons.
        DrawTextW(dc, caption.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

LRESULT CDlgSubHeader::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (buttons_.count(LOWORD(wParam)) != 0) {
                OnCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_PAINT:
            PaintBufferedOnWhite(Handle(), [this](HDC dc, const RECT& client) { Paint(dc, client); });
            return 0;
        default: break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}
