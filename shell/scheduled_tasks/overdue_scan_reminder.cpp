#include "shell/scheduled_tasks/overdue_scan_reminder.h"

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"

namespace {

constexpr int kDaysPerMonth = 31;
constexpr int kDaysPerYear = 372;

}  // namespace

bool IsScanOverdue(int daysSinceLastScan) { return daysSinceLastScan >= kOverdueScanDays; }

std::optional<OverdueScanAge> DescribeOverdueScan(int daysSinceLastScan) {
    if (!IsScanOverdue(daysSinceLastScan)) return std::nullopt;
    const int months = daysSinceLastScan / kDaysPerMonth;
    OverdueScanAge age;
    if (months == 1) {
        age.key = L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTH";
        age.number = months;
    } else if (months <= 11) {
        age.key = L"IDS_HLV_SYS_TR_MSG_LASTSCAN_MONTHS";
        age.number = months;
    } else if (months <= 22) {
        age.key = L"IDS_HLV_SYS_TR_MSG_LASTSCAN_YEAR";
        age.number = daysSinceLastScan / kDaysPerYear;
    } else {
        age.key = L"IDS_HLV_SYS_TR_MSG_LASTSCAN_YEARS";
        age.number = daysSinceLastScan / kDaysPerYear;
    }
    age.text = PutNumberIntoText(GetLangString(age.key.c_str(), kResourceStringSection), age.number);
    return age;
}

std::wstring PutNumberIntoText(const std::wstring& text, int number) {
    std::wstring result;
    result.reserve(text.size() + 8);
    bool numberPlaced = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t next = i + 1 < text.size() ? text[i + 1] : L'\0';
        if (text[i] == L'%' && next == L'%') {
            result += L'%';
            ++i;
        } else if (text[i] == L'%' && !numberPlaced && (next == L'd' || next == L'i' || next == L'u')) {
            result += std::to_wstring(number);
            numberPlaced = true;
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}
