#include "installhelper64/helper_command.h"

#include "platform/text_case.h"

#include <cstdio>
#include <cwchar>
#include <cwctype>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trimmed(std::wstring_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return std::wstring(text.substr(first, last - first));
}

bool SwitchIsOn(const std::wstring& value) { return wcstol(value.c_str(), nullptr, 10) == 1; }

}  // namespace

InstallHelperCommand::InstallHelperCommand(const std::wstring& commandLine) {
    LoadDifxApi(difx);
    ParseHelperCommandLine(commandLine, *this);
}

std::wstring_view SkipProgramPath(std::wstring_view commandLine) {
    size_t at = 0;
    bool inQuotes = false;
    while (at < commandLine.size()) {
        const wchar_t c = commandLine[at];
        if (c == L'"') {
            inQuotes = !inQuotes;
        } else if (IsBlank(c) && !inQuotes) {
            break;
        }
        ++at;
    }
    return commandLine.substr(at);
}

bool GetQuotedParameter(std::wstring_view arguments, std::wstring_view name, std::wstring& value) {
    value.clear();
    const std::wstring loweredName = LowerInvariant(name);
    bool inQuotes = false;
    bool atTokenStart = true;
    for (size_t at = 0; at < arguments.size(); ++at) {
        const wchar_t c = arguments[at];
        if (!inQuotes && atTokenStart && StartsWithIgnoringCase(arguments, at, name) &&
            at + name.size() < arguments.size() && arguments[at + name.size()] == L'=') {
            const size_t opening = at + name.size() + 1;
            const size_t closing = opening < arguments.size() && arguments[opening] == L'"'
                                       ? arguments.find(L'"', opening + 1)
                                       : std::wstring_view::npos;
            if (closing == std::wstring_view::npos) {
                wprintf(L"Parmeter : %ls is not properly quoted \"<value>\"\r\n", loweredName.c_str());
                return false;
            }
            value = Trimmed(arguments.substr(opening + 1, closing - opening - 1));
            wprintf(L"found %ls=%ls\r\n", loweredName.c_str(), value.c_str());
            return !value.empty();
        }
        if (c == L'"') inQuotes = !inQuotes;
        atTokenStart = !inQuotes && IsBlank(c);
    }
    wprintf(L"unable to find parmeter : %ls in commandline\r\n", loweredName.c_str());
    return false;
}

void ParseHelperCommandLine(const std::wstring& commandLine, InstallHelperCommand& command) {
    wprintf(L"Command Line:\r\n%ls\r\n\r\n", commandLine.c_str());
    const std::wstring_view arguments = SkipProgramPath(commandLine);

    std::wstring updateSwitch;
    std::wstring restoreSwitch;
    std::wstring preinstallSwitch;
    GetQuotedParameter(arguments, L"updatesystemdrivers", updateSwitch);
    GetQuotedParameter(arguments, L"restore", restoreSwitch);
    GetQuotedParameter(arguments, L"difxpreinstall", preinstallSwitch);
    GetQuotedParameter(arguments, L"hwdid", command.hwdid);
    GetQuotedParameter(arguments, L"inf", command.inf);
    GetQuotedParameter(arguments, L"hkey", command.hkey);
    GetQuotedParameter(arguments, L"regpath", command.regpath);
    GetQuotedParameter(arguments, L"regval", command.regval);
    GetQuotedParameter(arguments, L"regvalupnp", command.regvalupnp);
    GetQuotedParameter(arguments, L"regvaldifx", command.regvaldifx);

    if (SwitchIsOn(updateSwitch)) {
        command.mode = 1;
    } else if (SwitchIsOn(restoreSwitch)) {
        command.mode = 2;
    } else if (SwitchIsOn(preinstallSwitch)) {
        command.mode = 3;
    } else {
        command.mode = 1;
    }
}
