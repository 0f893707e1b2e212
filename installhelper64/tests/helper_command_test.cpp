#include "installhelper64/helper_command.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* what;
    std::wstring line;
    int mode;
    std::wstring hwdid;
    std::wstring inf;
    std::wstring hkey;
    std::wstring regpath;
    std::wstring regval;
    std::wstring regvalupnp;
    std::wstring regvaldifx;
};

// The launcher's line: a mode switch, then the seven parameters of its template.
std::wstring LauncherLine(const std::wstring& program, const std::wstring& modeSwitch, const std::wstring& hwdid,
                          const std::wstring& inf) {
    return program + L" " + modeSwitch + L"=\"1\"  hwdid=\"" + hwdid + L"\" inf=\"" + inf +
           L"\" hkey=\"HKEY_CURRENT_USER\" regpath=\"Software\\Brennavik\\Halvenor\" regval=\"IsUpdateSuccessFull\""
           L" regvalupnp=\"UpdatePnPErrorCode\" regvaldifx=\"DifxErrorCode\" ";
}

const std::wstring kProgram = L"\"C:\\Program Files\\Halvenor\\Kavelin64.exe\"";
const std::wstring kRegpath = L"Software\\Brennavik\\Halvenor";

TEST(HelperCommandLine, ReadsEveryFieldAndModeAsTheLauncherWritesThem) {
    const ParseCase cases[] = {
        {"update", LauncherLine(kProgram, L"updatesystemdrivers", L"PCI\\VEN_8086&DEV_1234", L"C:\\Drv\\a.inf"), 1,
         L"PCI\\VEN_8086&DEV_1234", L"C:\\Drv\\a.inf", L"HKEY_CURRENT_USER", kRegpath, L"IsUpdateSuccessFull",
         L"UpdatePnPErrorCode", L"DifxErrorCode"},
        {"restore", LauncherLine(kProgram, L"restore", L"USB\\VID_1", L"C:\\b.inf"), 2, L"USB\\VID_1", L"C:\\b.inf",
         L"HKEY_CURRENT_USER", kRegpath, L"IsUpdateSuccessFull", L"UpdatePnPErrorCode", L"DifxErrorCode"},
        {"pre-install with an empty hardware id", LauncherLine(kProgram, L"difxpreinstall", L"", L"C:\\c.inf"), 3,
         L"", L"C:\\c.inf", L"HKEY_CURRENT_USER", kRegpath, L"IsUpdateSuccessFull", L"UpdatePnPErrorCode",
         L"DifxErrorCode"},
        {"unquoted program path",
         LauncherLine(L"C:\\Halvenor\\Kavelin64.exe", L"updatesystemdrivers", L"ROOT\\X", L"C:\\d.inf"), 1,
         L"ROOT\\X", L"C:\\d.inf", L"HKEY_CURRENT_USER", kRegpath, L"IsUpdateSuccessFull", L"UpdatePnPErrorCode",
         L"DifxErrorCode"},
        {"names inside the program path and the values do not take a parameter",
         LauncherLine(L"\"C:\\inf regval=\\Kavelin64.exe\"", L"restore", L"ACPI\\inf=x restore=2 regval=",
                      L"C:\\restore\\regval\\inf.inf"),
         2, L"ACPI\\inf=x restore=2 regval=", L"C:\\restore\\regval\\inf.inf", L"HKEY_CURRENT_USER", kRegpath,
         L"IsUpdateSuccessFull", L"UpdatePnPErrorCode", L"DifxErrorCode"},
        {"names in any case, values keep theirs, blanks inside quotes trimmed",
         kProgram + L" RESTORE=\" 1 \" HwDid=\"  Root\\Dev  \" INF=\"C:\\Key Path\\A.INF\" hkey=\"hklm\"", 2,
         L"Root\\Dev", L"C:\\Key Path\\A.INF", L"hklm", L"", L"", L"", L""},
        {"no switch is an update", kProgram + L" hwdid=\"a\" inf=\"b\" x=\"1\" y=\"2\" z=\"3\"", 1, L"a", L"b", L"",
         L"", L"", L"", L""},
        {"update wins over restore", kProgram + L" restore=\"1\" updatesystemdrivers=\"1\" hwdid=\"a\" inf=\"b\"", 1,
         L"a", L"b", L"", L"", L"", L"", L""},
        {"a switch counts only with the value 1", kProgram + L" restore=\"2\" difxpreinstall=\"1\" inf=\"b\"", 3, L"",
         L"b", L"", L"", L"", L"", L""},
        {"missing closing quote loses that parameter only",
         kProgram + L" updatesystemdrivers=\"1\" hwdid=\"a\" regval=\"IsUpdateSuccessFull", 1, L"a", L"", L"", L"",
         L"", L"", L""},
        {"unquoted value is missing", kProgram + L" hwdid=\"a\" inf=\"b\" regval=IsUpdateSuccessFull", 1, L"a", L"b",
         L"", L"", L"", L"", L""},
        {"the program path alone", kProgram, 1, L"", L"", L"", L"", L"", L"", L""},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.what);
        const InstallHelperCommand command(c.line);
        EXPECT_EQ(command.mode, c.mode);
        EXPECT_EQ(command.hwdid, c.hwdid);
        EXPECT_EQ(command.inf, c.inf);
        EXPECT_EQ(command.hkey, c.hkey);
        EXPECT_EQ(command.regpath, c.regpath);
        EXPECT_EQ(command.regval, c.regval);
        EXPECT_EQ(command.regvalupnp, c.regvalupnp);
        EXPECT_EQ(command.regvaldifx, c.regvaldifx);
    }
}

}  // namespace
