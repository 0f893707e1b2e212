#pragma once

#include <string>
#include <string_view>

#include "platform/difx_api_loader.h"

// The order of one helper run, as the main program writes it on the command line.
struct InstallHelperCommand {
    // Binds difxapi.dll, then reads `commandLine` (the whole line, program path first).
    explicit InstallHelperCommand(const std::wstring& commandLine);

    std::wstring hwdid;
    std::wstring inf;
    std::wstring hkey;
    std::wstring regpath;
    std::wstring regval;
    std::wstring regvalupnp;
    std::wstring regvaldifx;
    int mode = 1;  // 1 update, 2 restore, 3 pre-install
    DifxApiLoader difx;
};

// The text after the program's own path, which is split off by the usual rules of
// the first argument: quoted up to the closing quote, otherwise up to a blank.
std::wstring_view SkipProgramPath(std::wstring_view commandLine);

// Finds name="value" where the name (any case) starts a blank-separated token that
// is not inside quotes. True when a non-empty value was found; the value keeps its
// case and loses blanks at both ends.
bool GetQuotedParameter(std::wstring_view arguments, std::wstring_view name, std::wstring& value);

void ParseHelperCommandLine(const std::wstring& commandLine, InstallHelperCommand& command);
