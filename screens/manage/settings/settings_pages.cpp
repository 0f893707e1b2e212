#include "screens/manage/settings/settings_pages.h"

#include <commctrl.h>

#include <algorithm>

#include "foundation/app_settings.h"
#include "foundation/folders.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/ui/gdi.h"
#include "screens/manage/folder_settings.h"
#include "screens/manage/schedule_settings.h"
#include "screens/manage/settings/settings_ids.h"
#include "shell/app/app_system.h"
#include "shell/app/dialog_placement.h"
#include "shell/driver_optimizer_app.h"
#include "shell/scheduled_tasks/program_module_path.h"
#include "shell/scheduled_tasks/startup_reminder.h"
#include "shell/toolkit/footer_buttons.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

void FillCloseActionCombo(HWND combo) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const wchar_t* key : {L"IDS_CLOSE_ACT_1", L"IDS_CLOSE_ACT_2"}) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LangText(key).c_str()));
    }
    SendMessageW(combo, CB_SETCURSEL, GetAppSettings().goToSystemTrayOnClose != 0 ? 0 : 1, 0);
}

void SetChecked(HWND page, int id, bool checked) {
    SendDlgItemMessageW(page, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool IsChecked(HWND page, int id) { return SendDlgItemMessageW(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The close action and reminder as the page shows them, stored and the reminder
// registered accordingly; both sub-pages apply them the same way.
void StoreSharedSettings(HWND page, int closeActionId) {
    const bool toTray = SendDlgItemMessageW(page, closeActionId, CB_GETCURSEL, 0, 0) == 0;
    const bool reminder = IsChecked(page, IDC_REMINDER);
    UpdateAppSettings([&](AppSettings& settings) {
        settings.goToSystemTrayOnClose = toTray ? 1 : 0;
        settings.startWhenWinBoots = reminder ? 1 : 0;
    });
    SetStartupReminder(reminder);
    SaveSettings();
}

void PaintHeadingBand(HDC dc, int top, int width) {
    ui::ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(225, 225, 225)));
    ui::ScopedBrush brush(CreateSolidBrush(RGB(241, 241, 241)));
    ui::SelectionScope penSelection(dc, pen.Get());
    ui::SelectionScope brushSelection(dc, brush.Get());
    Rectangle(dc, 18, top, width - 18, top + 25);
}

// White page, footer strip and the title band of the general and schedule pages.
void PaintSubPageBackground(CDlgChildBase& page, HDC dc, const RECT& client) {
    FillRect(dc, &client, SharedWhiteBrush());
    page.DrawPageBackground(dc, client, TRUE, L"", true, false, true, 24);
    PaintHeadingBand(dc, 0, client.right);
}

void DrawLabel(HDC dc, const std::wstring& text, RECT box, UINT format) {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
}

// The text drawn just above a control of the page.
RECT AboveControl(HWND page, int id) {
    RECT box{};
    GetWindowRect(GetDlgItem(page, id), &box);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
    OffsetRect(&box, 0, -24);
    return box;
}

void PlaceApplyButton(const CDlgChildBase& page, CHalHoverButton& button, const std::wstring& caption) {
    LayoutFooterButtons(page, &button, nullptr, page.ClientRect(), caption, L"");
}

// Where the schedule page's controls stand, in dialog units; a width of 0 sizes the
// control to its caption.
struct SchedulePlacement {
    int id, x, y, width, height;
};
constexpr SchedulePlacement kSchedulePlacements[] = {
    {IDC_RUN_ONCE, 36, 104, 97, 10},     {IDC_EVERY_DAY, 136, 104, 97, 10},  {IDC_EVERY_WEEK, 236, 104, 97, 10},
    {IDC_NO_SCHEDULE, 336, 104, 97, 10}, {IDC_DATE_TIME_LABEL, 17, 127, 0, 0}, {IDC_RUN_DATE, 17, 139, 165, 14},
    {IDC_RUN_TIME, 17, 165, 165, 15},    {IDC_MONDAY, 207, 137, 0, 0},        {IDC_TUESDAY, 207, 151, 0, 0},
    {IDC_WEDNESDAY, 207, 165, 0, 0},     {IDC_THURSDAY, 282, 137, 0, 0},      {IDC_FRIDAY, 282, 151, 0, 0},
    {IDC_SATURDAY, 282, 165, 0, 0},      {IDC_SUNDAY, 357, 137, 0, 0},        {IDC_SCHEDULED_AT_LABEL, 17, 195, 0, 0},
    {IDC_SCHEDULE_TEXT, 132, 195, 241, 18}};
// The two group boxes reach the page's right margin, however wide the page is.
constexpr SchedulePlacement kScheduleGroups[] = {{IDC_SCHEDULE_GROUP, 12, 91, 0, 30},
                                                 {IDC_WEEKDAY_GROUP, 197, 124, 0, 63}};
constexpr int kPageMargin = 18;

// Where the footer's controls start: a footer button (31 high) centred on the strip
// along the page's foot. The reminder keeps the same top, clear of the main window's
// feedback button that stands over the page's foot.
int FooterBandTop(int pageHeight) {
    const int top = pageHeight - (PageFooterStripHeight() + 31) / 2;
    return ToolkitWindowsMajorVersion() == 5 ? top - 2 : top;
}

}  // namespace

int SettingsMessage(HWND owner, const wchar_t* key, UINT style) {
    return CurrentAppSystem().ShowMessageBox(owner, LangText(key), GetAppTitle(), style);
}

// ---- general page ----

CDlgLangSettings::CDlgLangSettings() : CDlgChildBase(IDD_LANG_SETTINGS) { m_bCompactFooter = true; }

BOOL CDlgLangSettings::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    SetText(LangText(L"IDS_LANG_DLG_SETTING"));
    applyButton_.AttachDlgItem(Handle(), IDC_APPLY);
    SetupDialogButtons(&applyButton_, nullptr, LangText(L"IDS_BTN_APPLY"), L"", false);
    PlaceApplyButton(*this, applyButton_, LangText(L"IDS_BTN_APPLY"));

    HWND languages = Item(IDC_LANGUAGE);
    for (unsigned i = 0; i < kLanguageCount; ++i) {
        if (LanguageTable[i].available == 0) continue;
        const LRESULT at = SendMessageW(languages, CB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(LanguageTable[i].displayName));
        SendMessageW(languages, CB_SETITEMDATA, at, i);
    }
    SelectLanguage(GetLanguageId());

    const int width = ClientRect().right - 198;
    MoveWindow(languages, 27, 60, width, 200, TRUE);
    MoveWindow(Item(IDC_CLOSE_ACTION), 126, 172, width, 100, TRUE);
    MoveWindow(Item(IDC_REMINDER), 126, 271, width, 22, TRUE);
    SetDlgItemTextW(Handle(), IDC_REMINDER, LangText(L"IDS_START_UP_SCAN").c_str());
    ReloadSharedSettings();
    // The pages are made while the main window starts: the scheduler is not waited for.
    SetStartupReminderInBackground(GetAppSettings().startWhenWinBoots != 0);
    applyButton_.Enable(false);
    return TRUE;
}

void CDlgLangSettings::ReloadSharedSettings() {
    FillCloseActionCombo(Item(IDC_CLOSE_ACTION));
    SetChecked(Handle(), IDC_REMINDER, GetAppSettings().startWhenWinBoots != 0);
}

void CDlgLangSettings::SelectLanguage(unsigned languageIndex) {
    HWND languages = Item(IDC_LANGUAGE);
    const int count = static_cast<int>(SendMessageW(languages, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (static_cast<unsigned>(SendMessageW(languages, CB_GETITEMDATA, i, 0)) == languageIndex) {
            SendMessageW(languages, CB_SETCURSEL, i, 0);
            return;
        }
    }
}

unsigned CDlgLangSettings::SelectedLanguage() const {
    HWND languages = Item(IDC_LANGUAGE);
    const LRESULT at = SendMessageW(languages, CB_GETCURSEL, 0, 0);
    return at < 0 ? GetLanguageId() : static_cast<unsigned>(SendMessageW(languages, CB_GETITEMDATA, at, 0));
}

void CDlgLangSettings::OnLanguageChanged() { applyButton_.Enable(SelectedLanguage() != GetLanguageId()); }

void CDlgLangSettings::ApplyLanguageChange() {
    const unsigned chosen = SelectedLanguage();
    applyButton_.Enable(false);
    StoreSharedSettings(Handle(), IDC_CLOSE_ACTION);
    if (chosen == GetLanguageId()) return;
    if (SettingsMessage(Handle(), L"IDS_LANG_CHANGE_PROMPT", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        SelectLanguage(GetLanguageId());
        return;
    }
    const std::wstring key = std::wstring(kProductKeyPath) + kLanguageSubKey;
    const DWORD index = chosen;
    const std::wstring code = LanguageTable[chosen].code;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY opened = nullptr;
        if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, 0x2001F, nullptr, &opened, nullptr) != ERROR_SUCCESS) {
            continue;  // without rights for the machine the user's value still counts
        }
        RegSetValueExW(opened, L"LangID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&index), sizeof(index));
        RegSetValueExW(opened, L"LangCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(code.c_str()),
                       static_cast<DWORD>((code.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
    // The program's own file, not the command line's first word: that may be
    // relative or unquoted. It ends only once the new instance is on its way.
    std::wstring program;
    AppSystem& system = CurrentAppSystem();
    if (GetProgramModulePath(program) && system.LaunchThroughShell(Handle(), L"open", program, L"-changelang", L"")) {
        system.EndProcess(0);
    }
}

void CDlgLangSettings::Paint() {
    ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    CHvMemDC memory(paint, &client);
    PaintSubPageBackground(*this, memory, client);
    ui::SelectionScope font(memory, ToolkitHeadingFont());
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(0, 0, 0));
    DrawLabel(memory, LangText(L"IDS_SET_TITLE1"), {27, 0, client.right - 18, 25}, DT_SINGLELINE | DT_VCENTER);
    DrawLabel(memory, LangText(L"IDS_SEL_LANG_HEAD"), AboveControl(Handle(), IDC_LANGUAGE), DT_SINGLELINE | DT_VCENTER);
    DrawLabel(memory, LangText(L"IDS_SET_TITLE2_DESC"), AboveControl(Handle(), IDC_CLOSE_ACTION),
              DT_SINGLELINE | DT_VCENTER);
}

LRESULT CDlgLangSettings::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_APPLY: ApplyLanguageChange(); return 0;
        case IDC_LANGUAGE:
            if (HIWORD(wParam) == CBN_SELCHANGE) OnLanguageChanged();
            return 0;
        case IDC_CLOSE_ACTION:
            if (HIWORD(wParam) == CBN_SELCHANGE) applyButton_.Enable(true);
            return 0;
        case IDC_REMINDER: applyButton_.Enable(true); return 0;
        default: break;
        }
        break;
    case WM_SHOWWINDOW:
        if (wParam != 0) ReloadSharedSettings();
        break;
    case WM_PAINT: Paint(); return 0;
    default: break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}

// ---- schedule page ----

CDlgPrefSchedule::CDlgPrefSchedule() : CDlgChildBase(IDD_PREF_SCHEDULE) { m_bCompactFooter = true; }

BOOL CDlgPrefSchedule::OnInitDialog() {
    CDlgChildBase::OnInitDialog();
    SetText(LangText(L"IDS_SET_TITLE2"));
    SetDlgItemTextW(Handle(), IDC_INTERVAL, L"1");
    FillCloseAction();

    const std::wstring stored = ScheduleTextInCurrentLanguage();
    if (!stored.empty()) {
        SetDlgItemTextW(Handle(), IDC_SCHEDULE_TEXT, stored.c_str());
        kind_ = ScheduleChoice::kNoneSelected;  // the radios wait for the user's choice
    } else {
        SetDlgItemTextW(Handle(), IDC_SCHEDULE_TEXT, LangText(L"IDS_NOSCHEDULE_YET").c_str());
        kind_ = ScheduleChoice::kNone;
    }
    SetRadiosFromKind();
    EnableScheduleControls();

    applyButton_.AttachDlgItem(Handle(), IDC_APPLY);
    SetupDialogButtons(&applyButton_, nullptr, LangText(L"IDS_BTN_APPLY"), L"", false);
    applyButton_.Enable(false);

    SetDlgItemTextW(Handle(), IDC_REMINDER, LangText(L"IDS_START_UP_SCAN").c_str());
    SetChecked(Handle(), IDC_REMINDER, GetAppSettings().startWhenWinBoots != 0);
    SetStartupReminderInBackground(GetAppSettings().startWhenWinBoots != 0);

    const std::pair<int, const wchar_t*> captions[] = {
        {IDC_SCHEDULE_GROUP, L"IDS_ST_START_DAY_GROUP"}, {IDC_RUN_ONCE, L"IDS_RAD_RUN_ONCE"},
        {IDC_EVERY_DAY, L"IDS_RAD_EVERY_DAY"},           {IDC_EVERY_WEEK, L"IDS_RAD_EVERY_WEEK"},
        {IDC_NO_SCHEDULE, L"IDS_RAD_DO_NO_SCHEDULE"},    {IDC_DATE_TIME_LABEL, L"IDS_ST_DATE_TIME_RUN"},
        {IDC_WEEKDAY_GROUP, L"IDS_ST_DAY_OF_WEEK"},      {IDC_MONDAY, L"IDS_CHK_MON"},
        {IDC_TUESDAY, L"IDS_CHK_TUE"},                   {IDC_WEDNESDAY, L"IDS_CHK_WED"},
        {IDC_THURSDAY, L"IDS_CHK_THR"},                  {IDC_FRIDAY, L"IDS_CHK_FRI"},
        {IDC_SATURDAY, L"IDS_CHK_SAT"},                  {IDC_SUNDAY, L"IDS_CHK_SUN"},
        {IDC_SCHEDULED_AT_LABEL, L"IDS_ST_SCHEDULED_AT"}};
    for (const auto& [id, key] : captions) SetDlgItemTextW(Handle(), id, LangText(key).c_str());
    // Placed once the captions are in: some controls are as wide as theirs.
    Layout();
    return TRUE;
}

void CDlgPrefSchedule::Layout() {
    const RECT client = ClientRect();
    MoveWindow(Item(IDC_SCHEDULE_CLOSE_ACTION), 27, 60, client.right - 198, 100, TRUE);
    for (const SchedulePlacement& at : kSchedulePlacements) {
        if (at.width == 0) PlaceDlgItem(Handle(), at.id, at.x, at.y);
        else PlaceDlgItemRect(Handle(), at.id, at.x, at.y, at.width, at.height);
    }
    const int rightEdge = PixelsToDialogUnitsX(client.right - kPageMargin);
    for (const SchedulePlacement& group : kScheduleGroups) {
        PlaceDlgItemRect(Handle(), group.id, group.x, group.y, std::max(0, rightEdge - group.x), group.height);
    }
    MoveWindow(Item(IDC_REMINDER), 27, FooterBandTop(client.bottom), 450, 20, TRUE);
    PlaceApplyButton(*this, applyButton_, LangText(L"IDS_BTN_APPLY"));
    const RECT apply = applyButton_.RectInParent();
    applyButton_.MoveTo(apply.left, FooterBandTop(client.bottom), apply.right - apply.left, apply.bottom - apply.top);
}

void CDlgPrefSchedule::FillCloseAction() {
    FillCloseActionCombo(Item(IDC_SCHEDULE_CLOSE_ACTION));
    if (Item(IDC_REMINDER) != nullptr) SetChecked(Handle(), IDC_REMINDER, GetAppSettings().startWhenWinBoots != 0);
}

void CDlgPrefSchedule::ReadKindFromRadios() {
    kind_ = ScheduleChoice::kNoneSelected;
    for (int id = IDC_RUN_ONCE; id <= IDC_NO_SCHEDULE; ++id) {
        if (IsChecked(Handle(), id)) kind_ = id - IDC_RUN_ONCE;
    }
}

void CDlgPrefSchedule::SetRadiosFromKind() {
    for (int id = IDC_RUN_ONCE; id <= IDC_NO_SCHEDULE; ++id) SetChecked(Handle(), id, id - IDC_RUN_ONCE == kind_);
}

void CDlgPrefSchedule::EnableScheduleControls() {
    ReadKindFromRadios();
    const auto enable = [this](int id, bool on) { EnableWindow(Item(id), on ? TRUE : FALSE); };
    struct Row {
        bool interval, date, time;
    };
    const Row rows[] = {{false, true, true}, {true, false, true}, {true, false, true}, {false, false, false}};
    if (kind_ >= 0 && kind_ <= 3) {
        enable(IDC_INTERVAL, rows[kind_].interval);
        enable(IDC_RUN_DATE, rows[kind_].date);
        enable(IDC_RUN_TIME, rows[kind_].time);
    }
    for (int id : kWeekdayIds) enable(id, kind_ == ScheduleChoice::kWeekly);
}

void CDlgPrefSchedule::LoadSchedule() {
    ScheduleChoice choice;
    choice.kind = kind_;
    ReadScheduleValues(choice);
    kind_ = choice.kind;
    for (int day = 0; day < 7; ++day) SetChecked(Handle(), kWeekdayIds[day], choice.weekdays[day] != 0);
    DateTime_SetSystemtime(Item(IDC_RUN_DATE), GDT_VALID, &choice.date);
    DateTime_SetSystemtime(Item(IDC_RUN_TIME), GDT_VALID, &choice.time);
    SetRadiosFromKind();
    EnableScheduleControls();
}

void CDlgPrefSchedule::ResetTimeToNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    DateTime_SetSystemtime(Item(IDC_RUN_TIME), GDT_VALID, &now);
}

void CDlgPrefSchedule::OnApply() {
    StoreSharedSettings(Handle(), IDC_SCHEDULE_CLOSE_ACTION);
    SaveSchedule();
    // The settings were saved before the schedule changed its text.
    SaveScheduledTime();
}

void CDlgPrefSchedule::SaveSchedule() {
    applyButton_.Enable(false);
    ReadKindFromRadios();
    ScheduleChoice choice;
    choice.kind = kind_;
    for (int day = 0; day < 7; ++day) choice.weekdays[day] = IsChecked(Handle(), kWeekdayIds[day]) ? 1 : 0;
    DateTime_GetSystemtime(Item(IDC_RUN_DATE), &choice.date);
    DateTime_GetSystemtime(Item(IDC_RUN_TIME), &choice.time);
    wchar_t interval[13] = {};
    GetDlgItemTextW(Handle(), IDC_INTERVAL, interval, 13);
    choice.intervalText = interval;
    const std::optional<std::wstring> text = ApplyScheduleChoice(choice);
    if (!text) return;
    SetDlgItemTextW(Handle(), IDC_SCHEDULE_TEXT, text->empty() ? LangText(L"IDS_NOSCHEDULE_YET").c_str() : text->c_str());
}

void CDlgPrefSchedule::OnShowWindow(bool shown) {
    if (!shown) return;
    FillCloseAction();
    const unsigned language = GetLanguageId();
    std::vector<int> ids(std::begin(kWeekdayIds), std::end(kWeekdayIds));
    // Every box that an earlier showing gave the language's font takes the page's
    // own again first: that font goes below.
    const WPARAM pageFont = Send(WM_GETFONT);
    for (int id : {IDC_RUN_ONCE, IDC_NO_SCHEDULE}) SendDlgItemMessageW(Handle(), id, WM_SETFONT, pageFont, FALSE);
    for (int id : ids) SendDlgItemMessageW(Handle(), id, WM_SETFONT, pageFont, FALSE);
    ui::ScopedFont next;
    if (language != 0) {
        LOGFONTW font{};
        FillLanguageFont(font);
        next.Reset(CreateFontIndirectW(&font));
        // Their "no schedule" and "run once" captions are the long ones.
        if (language == 15) ids.push_back(IDC_NO_SCHEDULE);
        if (language == 14) ids.push_back(IDC_RUN_ONCE);
        for (int id : ids) SendDlgItemMessageW(Handle(), id, WM_SETFONT, reinterpret_cast<WPARAM>(next.Get()), FALSE);
    }
    languageFont_ = std::move(next);
    // Controls sized to their captions follow the fonts they show now: the language's,
    // or the one the main window gives every control after the page was made.
    Layout();
    // The language may have changed since the text was stored.
    const std::wstring text = ScheduleTextInCurrentLanguage();
    SetDlgItemTextW(Handle(), IDC_SCHEDULE_TEXT, text.empty() ? LangText(L"IDS_NOSCHEDULE_YET").c_str() : text.c_str());
}

void CDlgPrefSchedule::EnableApply() const { EnableWindow(applyButton_.Handle(), TRUE); }

void CDlgPrefSchedule::Paint() {
    ui::PaintScope paint(Handle());
    const RECT client = ClientRect();
    CHvMemDC memory(paint, &client);
    PaintSubPageBackground(*this, memory, client);
    // The schedule's band stands just above its group box.
    constexpr int bandTop = 112;
    PaintHeadingBand(memory, bandTop, client.right);
    ui::SelectionScope font(memory, ToolkitHeadingFont());
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(0, 0, 0));
    DrawLabel(memory, LangText(L"IDS_SET_TITLE2"), {28, 3, client.right - 55, 45}, DT_WORDBREAK);
    DrawLabel(memory, LangText(L"IDS_ST_HEAD_SCHEDULE"), {27, bandTop, client.right - 18, bandTop + 25},
              DT_SINGLELINE | DT_VCENTER);
    DrawLabel(memory, LangText(L"IDS_SET_TITLE2_DESC"), AboveControl(Handle(), IDC_SCHEDULE_CLOSE_ACTION),
              DT_SINGLELINE | DT_VCENTER);
}

LRESULT CDlgPrefSchedule::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= IDC_RUN_ONCE && id <= IDC_NO_SCHEDULE) {
            EnableApply();
            EnableScheduleControls();
            return 0;
        }
        if (id == IDC_APPLY) {
            OnApply();
            return 0;
        }
        if (id == IDC_SCHEDULE_CLOSE_ACTION) {
            if (HIWORD(wParam) == CBN_SELCHANGE) EnableApply();
            return 0;
        }
        for (int weekday : kWeekdayIds) {
            if (id == weekday) EnableApply();
        }
        if (id == IDC_REMINDER) EnableApply();
        break;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == DTN_DATETIMECHANGE && (header->idFrom == IDC_RUN_DATE || header->idFrom == IDC_RUN_TIME)) {
            EnableApply();
            return 0;
        }
        break;
    }
    case WM_SHOWWINDOW: {
        const LRESULT result = CDlgChildBase::WindowProc(message, wParam, lParam);
        OnShowWindow(wParam != 0);
        return result;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (reinterpret_cast<HWND>(lParam) == Item(IDC_REMINDER)) {
            return FooterControlColour(wParam, Item(IDC_REMINDER), Handle());
        }
        break;
    case WM_SIZE: Layout(); break;
    case WM_PAINT: Paint(); return 0;
    default: break;
    }
    return CDlgChildBase::WindowProc(message, wParam, lParam);
}
