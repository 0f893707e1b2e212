#include "screens/manage/schedule_settings.h"

#include <oleauto.h>

#include <cwchar>
#include <vector>

#include "foundation/app_settings.h"
#include "foundation/clock.h"
#include "foundation/product_key.h"
#include "platform/registry.h"
#include "shell/scheduled_tasks/schedule_messages.h"
#include "shell/scheduled_tasks/scheduled_scan_task.h"
#include "shell/scheduled_tasks/scheduled_task.h"
#include "shell/scheduled_tasks/scheduled_task_writer.h"

namespace {

constexpr wchar_t kScanTaskName[] = L"halvenor";
// "Thrusday" is how the value has always been spelled.
constexpr const wchar_t* kWeekdayValues[7] = {L"Monday", L"Tuesday",  L"Wednesday", L"Thrusday",
                                              L"Friday", L"Saturday", L"Sunday"};

int CompareDays(const SYSTEMTIME& left, const SYSTEMTIME& right) {
    if (left.wYear != right.wYear) return left.wYear < right.wYear ? -1 : 1;
    if (left.wMonth != right.wMonth) return left.wMonth < right.wMonth ? -1 : 1;
    if (left.wDay != right.wDay) return left.wDay < right.wDay ? -1 : 1;
    return 0;
}

DWORD SecondOfDay(const SYSTEMTIME& time) { return time.wHour * 3600u + time.wMinute * 60u + time.wSecond; }

SYSTEMTIME DayWithTimeOfDay(const SYSTEMTIME& date, const SYSTEMTIME& time) {
    SYSTEMTIME start{};
    start.wYear = date.wYear;
    start.wMonth = date.wMonth;
    start.wDay = date.wDay;
    start.wHour = time.wHour;
    start.wMinute = time.wMinute;
    start.wSecond = time.wSecond;
    return start;
}

WORD IntervalFromText(const std::wstring& text) {
    const std::wstring head = text.substr(0, 12);
    const long value = std::wcstol(head.c_str(), nullptr, 10);
    return value > 0 && value <= 0xFFFF ? static_cast<WORD>(value) : 0;
}

std::vector<std::wstring> SplitAt(const std::wstring& text, const std::wstring& separator) {
    std::vector<std::wstring> parts;
    size_t begin = 0;
    for (size_t found; (found = text.find(separator, begin)) != std::wstring::npos; begin = found + separator.size()) {
        parts.push_back(text.substr(begin, found - begin));
    }
    parts.push_back(text.substr(begin));
    return parts;
}

// Whether two schedule texts, perhaps in different languages, describe one schedule:
// the start is written in the same language-free form in both, and a weekly one
// names as many days.
bool DescribeOneSchedule(const std::wstring& first, const std::wstring& second) {
    const std::vector<std::wstring> a = SplitAt(first, L"; ");
    const std::vector<std::wstring> b = SplitAt(second, L"; ");
    if (a.size() != b.size() || a.size() < 2 || a[1] != b[1]) return false;
    return a.size() < 3 || SplitAt(a[2], L", ").size() == SplitAt(b[2], L", ").size();
}

// The start and days of a run-once, daily or weekly choice; false for another kind.
bool StartFromChoice(const ScheduleChoice& choice, ScheduledTaskWriter& writer) {
    switch (choice.kind) {
    case ScheduleChoice::kOnce:
        writer.SetStart(DayWithTimeOfDay(choice.date, choice.time));
        return true;
    case ScheduleChoice::kDaily:
        writer.SetStart(choice.time);
        return true;
    case ScheduleChoice::kWeekly:
        writer.SetStart(choice.time);
        for (int day = 0; day < 7; ++day) writer.dayFlags[day] = choice.weekdays[day];
        return true;
    default:
        return false;
    }
}

}  // namespace

std::wstring ScheduleTextInCurrentLanguage() {
    const std::wstring stored = GetAppSettings().scheduledTime;
    if (stored.empty()) return stored;
    CRegistry key;
    DWORD kind = 0;
    std::wstring date;
    std::wstring time;
    if (!key.Open(kProductKeyPath, HKEY_CURRENT_USER, false) || !key.ReadDwordChecked(L"m_rBtnEvery", kind) ||
        !key.ReadString(L"Time", time)) {
        return stored;
    }
    key.ReadString(L"Date", date);
    ScheduleChoice choice;
    ReadScheduleValues(choice);
    choice.kind = static_cast<int>(kind);
    if (!ParseScheduleDateValue(time, choice.time)) return stored;
    if (choice.kind == ScheduleChoice::kOnce && !ParseScheduleDateValue(date, choice.date)) return stored;
    ScheduledTaskWriter writer;
    writer.kind = choice.kind;
    if (!StartFromChoice(choice, writer)) return stored;
    const std::wstring text = FormatScheduleText(writer);
    // An Apply that stopped on a message wrote newer values beside the older text.
    return !text.empty() && DescribeOneSchedule(text, stored) ? text : stored;
}

std::wstring FormatScheduleDateValue(const SYSTEMTIME& value) {
    DATE date = 0;
    SYSTEMTIME copy = value;
    copy.wMilliseconds = 0;
    if (!SystemTimeToVariantTime(&copy, &date)) return std::wstring();
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, &text))) return std::wstring();
    std::wstring result(text, SysStringLen(text));
    SysFreeString(text);
    return result;
}

bool ParseScheduleDateValue(const std::wstring& text, SYSTEMTIME& value) {
    if (text.empty()) return false;
    DATE date = 0;
    std::wstring copy = text;  // the parser takes a writable text
    if (FAILED(VarDateFromStr(copy.data(), LOCALE_USER_DEFAULT, 0, &date))) return false;
    return VariantTimeToSystemTime(date, &value) != FALSE;
}

bool WriteScheduleValues(const ScheduleChoice& choice) {
    CRegistry key;
    if (!key.Open(kProductKeyPath, HKEY_CURRENT_USER, true)) return false;
    bool written = key.WriteDword(L"m_rBtnEvery", static_cast<DWORD>(choice.kind));
    for (int day = 0; day < 7; ++day) written = key.WriteDword(kWeekdayValues[day], choice.weekdays[day]) && written;
    written = key.WriteString(L"Date", FormatScheduleDateValue(choice.date)) && written;
    written = key.WriteString(L"Time", FormatScheduleDateValue(choice.time)) && written;
    return written;
}

void ReadScheduleValues(ScheduleChoice& choice) {
    CRegistry key;
    const bool opened = key.Open(kProductKeyPath, HKEY_CURRENT_USER, true);
    DWORD kind = 0;
    if (opened && key.ReadDwordChecked(L"m_rBtnEvery", kind)) choice.kind = static_cast<int>(kind);
    for (int day = 0; day < 7; ++day) {
        DWORD checked = 0;
        if (!opened || !key.ReadDwordChecked(kWeekdayValues[day], checked)) checked = 0;
        choice.weekdays[day] = static_cast<BYTE>(checked);
    }
    std::wstring date;
    std::wstring time;
    if (opened) {
        key.ReadString(L"Date", date);
        key.ReadString(L"Time", time);
    }
    const SYSTEMTIME now = AppClock().LocalTime();
    if (!ParseScheduleDateValue(date, choice.date)) choice.date = now;
    if (!ParseScheduleDateValue(time, choice.time)) choice.time = now;
}

RunOnceCheck CheckRunOnceStart(const SYSTEMTIME& date, const SYSTEMTIME& time, const SYSTEMTIME& now) {
    const int day = CompareDays(date, now);
    if (day < 0) return RunOnceCheck::kDateElapsed;
    if (day == 0 && SecondOfDay(time) < SecondOfDay(now)) return RunOnceCheck::kTimeElapsed;
    return RunOnceCheck::kAhead;
}

std::optional<std::wstring> ApplyScheduleChoice(const ScheduleChoice& choice) {
    WriteScheduleValues(choice);

    ScheduledTaskWriter writer;
    switch (choice.kind) {
    case ScheduleChoice::kOnce:
        switch (CheckRunOnceStart(choice.date, choice.time, AppClock().LocalTime())) {
        case RunOnceCheck::kDateElapsed:
            ShowScheduleMessage(L"IDS_DATE_ALREADY_ELAPSED", 0);
            return std::nullopt;
        case RunOnceCheck::kTimeElapsed:
            ShowScheduleMessage(L"IDS_TIME_ALREADY_ELAPSED", 0);
            return std::nullopt;
        case RunOnceCheck::kAhead:
            break;
        }
        StartFromChoice(choice, writer);
        break;
    case ScheduleChoice::kDaily:
    case ScheduleChoice::kWeekly:
        StartFromChoice(choice, writer);
        break;
    case ScheduleChoice::kNone:
        if (GetAppSettings().scheduledTime.empty()) return std::nullopt;
        // A task that is already gone is what the user asked for.
        DeleteScheduledTask(kScanTaskName);
        UpdateAppSettings([](AppSettings& settings) { settings.scheduledTime.clear(); });
        return std::wstring();
    default:
        ShowScheduleMessage(L"IDS_DATAERROR", MB_ICONERROR);
        return std::nullopt;
    }

    writer.kind = choice.kind;
    writer.interval = IntervalFromText(choice.intervalText);
    writer.taskName = kScanTaskName;
    const std::wstring text = FormatScheduleText(writer);
    if (text.empty()) {
        ShowScheduleMessage(L"IDS_NODAY", MB_ICONINFORMATION);
        return std::nullopt;
    }
    if (!CreateScheduledScanTask(false, writer)) return std::nullopt;
    UpdateAppSettings([&text](AppSettings& settings) { settings.scheduledTime = text; });
    ShowScheduleMessage(L"IDS_TASKCREATED", MB_ICONINFORMATION);
    return text;
}
