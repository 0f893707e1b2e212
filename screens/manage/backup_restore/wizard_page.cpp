#include "screens/manage/backup_restore/wizard_page.h"

#include "foundation/language_strings.h"
#include "foundation/product_shortcuts.h"
#include "platform/checked_format.h"
#include "platform/ui/gdi.h"
#include "screens/manage/backup_restore/backup_restore_host.h"
#include "screens/manage/backup_restore/backup_restore_ids.h"
#include "screens/manage/backup_restore/dlg_bkp_rstore_parent.h"
#include "shell/toolkit/dlg_child_base.h"
#include "shell/toolkit/toolkit_context.h"
#include "shell/app/main_window_ids.h"

#include <utility>

std::wstring PageText(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

std::wstring TextWithProductTitle(const wchar_t* key) { return FormatChecked(PageText(key), {GetProductTitle()}); }

namespace {

PageTextProbe& Probe() {
    static PageTextProbe probe;
    return probe;
}

}  // namespace

void SetPageTextProbe(PageTextProbe probe) { Probe() = std::move(probe); }

void DrawPageText(HDC dc, const std::wstring& text, RECT rect, COLORREF colour, HFONT font, UINT format) {
    if (Probe()) Probe()(text, rect, font, format);
    ui::SelectionScope selection(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
}

bool SpacingPassed(bool stamped, DWORD last, DWORD now, DWORD spacing) {
    return !stamped || now < last || now - last >= spacing;
}

ResultIcons::~ResultIcons() {
    if (done_ != nullptr) DestroyIcon(done_);
    if (failed_ != nullptr) DestroyIcon(failed_);
}

void ResultIcons::Load() {
    auto load = [](UINT id) {
        return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32, 0));
    };
    if (done_ == nullptr) done_ = load(IDI_RESULT_DONE);
    if (failed_ == nullptr) failed_ = load(IDI_RESULT_FAILED);
}

WizardPage::WizardPage(UINT templateId, CDlgBkpRstoreParent& wizard, WizardSide side)
    : CDlgChildBase(templateId), wizard_(wizard), side_(side) {}

BackupRestoreHost& WizardPage::Host() const { return wizard_.Host(); }
BackupWizardState& WizardPage::State() const { return wizard_.State(); }

void WizardPage::ArmMainTimer(UINT id, UINT milliseconds) const {
    HWND main = Host().MainWindow();
    // A timer belongs to the thread of its window: a worker asks the page to arm it.
    if (GetWindowThreadProcessId(main, nullptr) != GetCurrentThreadId()) {
        Post(kArmMainTimerMessage, id, milliseconds);
        return;
    }
    ::SetTimer(main, id, milliseconds, nullptr);
}

void WizardPage::ShowStep(int step, UINT milliseconds) const {
    const UINT first = side_ == WizardSide::kBackup ? MainTimer::kShowBackupStep1 : MainTimer::kShowRestoreStep1;
    ArmMainTimer(first + static_cast<UINT>(step - 1), milliseconds);
}

void WizardPage::SetWindowTextKey(const wchar_t* key) { SetText(PageText(key)); }

void WizardPage::SetItemText(int id, const std::wstring& text) const { SetDlgItemTextW(Handle(), id, text.c_str()); }

HFONT WizardPage::PageFont() const {
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    return font != nullptr ? font : ToolkitDialogFont();
}

BOOL WizardPage::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    ScaleDialogFont(Handle(), static_cast<WORD>(TemplateId()), 96.0, ResourceModule(), m_fontState);
    return TRUE;
}

void WizardPage::Paint(HDC dc, const RECT& client) {
    DrawPageBackground(dc, client, TRUE, Text(), true, true, false, 24);
}

LRESULT WizardPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintBufferedOnWhite(Handle(), [this](HDC dc, const RECT& client) { Paint(dc, client); });
        return 0;
    case WM_SIZE: {
        const LRESULT result = CDlgChildBase::WindowProc(message, wParam, lParam);
        Layout(ClientRect());
        return result;
    }
    case WM_SHOWWINDOW:
        OnShown(wParam != FALSE);
        break;
    case kArmMainTimerMessage:
        ::SetTimer(Host().MainWindow(), static_cast<UINT_PTR>(wParam), static_cast<UINT>(lParam), nullptr);
        return 0;
    case WM_TIMER:
        KillTimer(wParam);
        OnTimer(wParam);
        return 0;
    case WM_COMMAND:
        if (lParam != 0) {
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
        break;
    }
    default:
        break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}
