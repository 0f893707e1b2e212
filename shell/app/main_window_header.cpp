#include "shell/app/main_window.h"

// The header's painting: frame, band, corners, logo and the support line.
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

using namespace MainCommand;
using namespace main_window_parts;

}  // namespace

void CHvAppDlg::Paint() {
    const ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    ui::MemoryCanvas dc(paint, client.right, client.bottom);
    if (!dc.Valid()) return;
    FillRect(dc, &client, SharedWhiteBrush());
    PaintBorderFrame(dc, client);
    if (!headerImages_[4].Valid()) {
        for (int i = 0; i < 3; ++i) headerImages_[i].Reset(LoadBitmapResource(196 + i));
        headerImages_[4].Reset(LoadBitmapResource(IDB_FRAME_LOGO));
        headerImages_[5].Reset(LoadBitmapResource(IDB_FRAME_LOGO_BACKUP));
    }
    const auto image = [this](int i) { return headerImages_[i].Get(); };
    if (headerBandVisible_ && image(0) != nullptr && image(1) != nullptr && image(2) != nullptr) {
        const SIZE left = BitmapSize(image(0));
        const SIZE middle = BitmapSize(image(1));
        const SIZE right = BitmapSize(image(2));
        BlitFromBitmap(dc, 0, kHeaderHeight, left.cx, left.cy, image(0), 0, 0);
        for (int x = left.cx; x < client.right - right.cx; x += middle.cx) {
            BlitFromBitmap(dc, x, kHeaderHeight, middle.cx, middle.cy, image(1), 0, 0);
        }
        BlitFromBitmap(dc, client.right - right.cx, kHeaderHeight, right.cx, right.cy, image(2), 0, 0);
        PaintCorners(dc, client);
    }
    if (HBITMAP logo = image(IsDriverBackupModeEnabled() ? 5 : 4)) {
        const SIZE size = BitmapSize(logo);
        BlitFromBitmap(dc, 10, 0, size.cx, size.cy, logo, 0, 0);
    }
    PaintSupportLine(dc, client);
    BitBlt(paint, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

void CHvAppDlg::PaintCorners(HDC dc, const RECT& client) {
    if (!corners_[0].Valid()) {
        corners_[0].Reset(LoadBitmapResource(kCornerLeftBitmap));
        corners_[1].Reset(LoadBitmapResource(kCornerRightBitmap));
    }
    if (HBITMAP left = corners_[0].Get()) {
        const SIZE size = BitmapSize(left);
        BlitFromBitmap(dc, 0, client.bottom - size.cy, size.cx, size.cy, left, 0, 0);
    }
    if (HBITMAP right = corners_[1].Get()) {
        const SIZE size = BitmapSize(right);
        BlitFromBitmap(dc, client.right - size.cx, client.bottom - size.cy, size.cx, size.cy, right, 0, 0);
    }
}

std::wstring CHvAppDlg::SupportNumber() const {
    if (GetAppSettings().isTelNoEnabled == 0 || GetLanguageId() != 0) return L"";
    return !app_.SupportTelephone().empty() ? app_.SupportTelephone() : app_.SupportTelephoneRegistered();
}

std::wstring CHvAppDlg::SupportLine() const {
    const std::wstring number = SupportNumber();
    return number.empty() ? L"" : LangText(L"IDS_TEL_SUPPORT_HELP") + L" " + number;
}

void CHvAppDlg::PaintSupportLine(HDC dc, const RECT& client) {
    const std::wstring number = SupportNumber();
    if (number.empty()) return;
    // Red on the header's blue reads only in a heavy face, and a heavy face leaves
    // no room for the whole line beside the tabs: the caption stands over the number,
    // right of the tab buttons and under the help and language buttons.
    HFONT font = app_.Font(12) != nullptr ? app_.Font(12) : reinterpret_cast<HFONT>(Send(WM_GETFONT));
    const ui::SelectionScope selection(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(236, 8, 8));
    const std::wstring caption = LangText(L"IDS_TEL_SUPPORT_HELP");
    RECT top{kSupportLineLeft, 20, client.right - 10, 38};
    RECT bottom{kSupportLineLeft, 38, client.right - 10, 56};
    constexpr UINT kFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &top, kFormat);
    DrawTextW(dc, number.c_str(), static_cast<int>(number.size()), &bottom, kFormat);
}
