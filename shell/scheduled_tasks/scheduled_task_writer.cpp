#include "shell/scheduled_tasks/scheduled_task_writer.h"

#include <oleauto.h>


#include "foundation/date_text.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "shell/scheduled_tasks/schedule_messages.h"

namespace {

std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

// The C library's own formats ("%I:%M %p", "%B"), as the schedule texts have always
// been written.
std::wstring FormatStart(const ScheduledTaskWriter& writer, const wchar_t* format) {
    SYSTEMTIME start{};
    if (!writer.StartAsSystemTime(start)) return std::wstring();
    return FormatSystemTime(format, start);
}

}  // namespace

void ScheduledTaskWriter::SetStart(const SYSTEMTIME& localTime) {
    SYSTEMTIME time = localTime;
    time.wMilliseconds = 0;
    startValid = SystemTimeToVariantTime(&time, &start) != FALSE;
    if (!startValid) start = 0;
}

bool ScheduledTaskWriter::StartAsSystemTime(SYSTEMTIME& out) const {
    if (!startValid) return false;
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(start, &time)) return false;
    out = time;
    return true;
}

std::wstring FormatScheduleText(const ScheduledTaskWriter& writer) {
    std::wstring text;
    switch (writer.kind) {
    case ScheduledTaskWriter::kOnce:
        text = LangText(L"IDS_RUNONCE") + L"; " + FormatStart(writer, L"%a. %B %d, %Y. %I:%M %p");
        break;
    case ScheduledTaskWriter::kDaily:
        text = LangText(L"IDS_EVERYDAY") + L"; " + FormatStart(writer, L"%I:%M %p");
        break;
    case ScheduledTaskWriter::kWeekly: {
        static const wchar_t* const kDayKeys[7] = {L"IDS_MONDAY", L"IDS_TUESDAY",  L"IDS_WEDNESDAY", L"IDS_THURSDAY",
                                                   L"IDS_FRIDAY", L"IDS_SATURDAY", L"IDS_SUNDAY"};
        text = LangText(L"IDS_EVERYWEEK") + L"; " + FormatStart(writer, L"%I:%M %p") + L"; ";
        bool anyDay = false;
        for (int day = 0; day < 7; ++day) {
            if (writer.dayFlags[day] != 1) continue;
            text += LangText(kDayKeys[day]) + L", ";
            anyDay = true;
        }
        if (!anyDay) return std::wstring();
        break;
    }
    default:
        ShowScheduleMessage(L"IDS_DATAERROR", MB_ICONERROR);
        return std::wstring();
    }
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, L", ") == 0) text.resize(text.size() - 2);
    return text;
}
