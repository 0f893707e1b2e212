#include "shell/app/startup_switches.h"

#include "platform/text_case.h"
#include "platform/trim_blanks.h"

std::wstring NormaliseSwitch(const std::wstring& argument) {
    std::wstring text;
    text.reserve(argument.size());
    for (wchar_t c : argument) {
        if (c == L'\\' || c == L'/' || c == L'-') continue;
        text.push_back(c);
    }
    return TrimBlanks(LowerInvariant(text));
}

namespace {

bool RecentScan(int daysSinceLastScan) { return daysSinceLastScan < kOverdueScanDays; }

}  // namespace

StartupSwitches ReadStartupSwitches(const std::wstring& argument, bool hasAdminRights, int daysSinceLastScan) {
    StartupSwitches s;
    struct PartnerAction {
        const wchar_t* text;
        bool StartupSwitches::*flag;
    };
    static constexpr PartnerAction kPartnerActions[] = {
        {L"tolvanescan", &StartupSwitches::startActionScan},
        {L"tolvanedefrag", &StartupSwitches::startActionDefrag},
        {L"tolvaneoneclick", &StartupSwitches::startActionOneClick},
        {L"tolvanefullbackup", &StartupSwitches::startActionFullBackup},
        {L"tolvanefullbackuprestore", &StartupSwitches::startActionFullBackupRestore},
        {L"tolvanepartialbackuprestore", &StartupSwitches::startActionPartialBackupRestore},
        {L"tolvaneschedule", &StartupSwitches::startActionSchedule},
    };
    for (const PartnerAction& action : kPartnerActions) {
        if (argument == action.text) s.*action.flag = hasAdminRights;
    }
    if (argument == L"default") {
        s.defaultRequested = true;
    } else if (argument == L"checklastscan") {
        if (RecentScan(daysSinceLastScan)) {
            s.endAtOnce = true;
            return s;
        }
        s.lastScanOverdue = true;
    } else if (argument == L"rem") {
        s.delayMilliseconds = kReminderStartDelayMs;
    } else if (argument == L"firstinstall") {
        s.firstInstall = true;
    }

    if (argument.empty() || argument == L"rem") {
        s.showUi = true;
    } else if (argument == L"scan") {
        s.scanRequested = true;
    } else if (argument == L"updatecheck") {
        s.updateCheckRequested = true;
    }
    return s;
}

HandOverRequest DecideHandOver(const std::wstring& argument, int daysSinceLastScan) {
    HandOverRequest request;
    if (argument == L"scan") {
        request.post = true;
        request.message = kMsgScanRequested;
    } else if (argument == L"checklastscan") {
        // A recent scan leaves the running instance alone.
        if (!RecentScan(daysSinceLastScan)) {
            request.post = true;
            request.message = kMsgScanRequested;
            request.wParam = kOverdueReminderOnly;
        }
    } else {
        request.post = true;
        request.message = kMsgActivate;
        request.activate = true;
    }
    return request;
}
