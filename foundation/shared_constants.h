#pragma once

#include <windows.h>

#include <string>

// Process-wide constants of the main program, defined once. The registered message
// numbers, brushes and library handle are set while static objects are built,
// before the program's start-up: static initialisers of other files must not read
// them.

// Registered window messages (the number is the same in every process for a text).
extern const UINT MsgProgressBarUpdate;
extern const UINT MsgKyrDriverUpdateCount;
extern const UINT MsgKyrDriverItemChange;
extern const UINT MsgUpdateStrings;
extern const UINT MsgUpdateStringsSend;
extern const UINT MsgPostMainUIContinue;
extern const UINT MsgShowChildHtmDlg;
extern const UINT MsgShowDlgDownloadMissingDriver;
extern const UINT MsgBringToFront;
extern const UINT MsgSchedulerWork;
extern const UINT MsgTaskbarCreated;

// Their texts; the first three and the last three are registered wide, the others
// as 8-bit text.
inline constexpr wchar_t MsgProgressBarUpdateText[] = L"Progress Bar Update";
inline constexpr wchar_t MsgKyrDriverUpdateCountText[] = L"Kyr_DRIVER_UPDATECOUNT";
inline constexpr wchar_t MsgKyrDriverItemChangeText[] = L"Kyr_DRIVER_ITEMCHANGE";
inline constexpr char MsgUpdateStringsText[] = "WM_UPDATE_STRINGS_MESSAGE {974AD229-53B2-4d82-9105-26A10710D1EF}";
inline constexpr char MsgUpdateStringsSendText[] =
    "WM_UPDATE_STRINGS_SEND_MESSAGE {974AD229-53B2-4d82-9105-26A10710D1EF}";
inline constexpr char MsgPostMainUIContinueText[] = "PostMainUI Continue {974AD229-53B2-4d82-9105-26A10710D1EF}";
inline constexpr char MsgShowChildHtmDlgText[] = "WM_SHOW_CHILD_HTM_DLG {974AD229-53B2-4d82-9105-26A10710D1EF}";
inline constexpr char MsgShowDlgDownloadMissingDriverText[] =
    "WM_SHOW_DLG_DOWNLOAD_MISSING_DRIVER {974AD229-53B2-4d82-9105-26A10710D1EF}";
inline constexpr wchar_t MsgBringToFrontText[] = L"It will bring Tessivar in front if minimized";
inline constexpr wchar_t MsgSchedulerWorkText[] = L"Scheduler Work Going on";
inline constexpr wchar_t MsgTaskbarCreatedText[] = L"TaskbarCreated";

// Texts and names.
inline constexpr wchar_t TextBestDriverInstalled[] = L"System has already best driver installed.";
inline constexpr wchar_t TextDeviceManagerError[] = L"Current driver generates a device manager error code.";
inline constexpr wchar_t TextDownloadLibraryName[] = L"ISX Download DLL";
inline constexpr wchar_t ChunksFileSuffix[] = L"chunks.txt";
inline constexpr const wchar_t* VirtualAdapterAddresses[] = {L"005056C00001", L"005056C00008"};
inline constexpr const wchar_t* WmiClassNames[] = {L"Win32_BIOS", L"Win32_BaseBoard", L"Win32_NetworkAdapter",
                                                   L"Win32_ComputerSystem", L"Win32_PhysicalMemory"};
inline constexpr const wchar_t* WmiBiosProperties[] = {L"Name", L"Manufacturer", L"SMBIOSBIOSVersion",
                                                       L"SerialNumber", L"ReleaseDate"};
inline constexpr const wchar_t* WmiBaseBoardProperties[] = {L"Product", L"Manufacturer", L"SerialNumber",
                                                            L"Version"};
inline constexpr const wchar_t* WmiAdapterProperties[] = {L"name", L"macaddress", L"netconnectionid",
                                                          L"macaddress"};
inline constexpr const wchar_t* WmiNullText[] = {L"NULL", L"NULL"};
inline constexpr const wchar_t* WmiComputerSystemProperties[] = {L"Model", L"Manufacturer"};
inline constexpr wchar_t WmiMemoryProperty[] = L"Capacity";
inline constexpr wchar_t TextSign[] = L"Sign";
inline constexpr wchar_t TextOptimizing[] = L"OPTIMIZING";
inline constexpr wchar_t RunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t LastScanStatusValue[] = L"LastScanStatus";
inline constexpr wchar_t UpdateIniName[] = L"update.ini";
inline constexpr wchar_t UpdateTempName[] = L"proupdate.tmp";
inline constexpr wchar_t UnconfirmedSuffix[] = L".unconfirmed";
inline constexpr wchar_t DownloaderLibraryName[] = L"Downloader.dll";
inline constexpr wchar_t ListValueSeparator[] = L"|";
inline constexpr const wchar_t* ExclusionXmlNames[] = {L"Exclusion",   L"ExclusionInfo", L"ExclusionId",
                                                       L"ListControlId", L"DriverName",  L"HardwareIds",
                                                       L"GuidFullPath", L"Hash"};
inline constexpr const wchar_t* InstalledDriverXmlNames[] = {
    L"device",   L"HardwareIdentifier", L"UpdateDeviceMatchingID", L"guidPath",
    L"InfPath",  L"InfDate",            L"InfVersion",             L"Reason",
    L"DriverRank", L"Signer",           L"InstallErrorCode",       L"DeviceErrorCode"};

// Solid brushes of the screens' own drawing, kept for the life of the process.
extern const HBRUSH BrushFBFBFB;
extern const HBRUSH BrushFFFFFF;
extern const HBRUSH BrushFFFFFFSecond;
extern const HBRUSH BrushFEFEFE;
extern const HBRUSH BrushF7F7F7;
extern const HBRUSH BrushFDFAF4;

// The maker's other products.
struct SiblingProductRecord {
    int index;
    const wchar_t* displayName;
    const wchar_t* programFile;
    const wchar_t* registryKey;
    const wchar_t* productName;
};
inline constexpr SiblingProductRecord SiblingProductTable[4] = {
    {0, L"Halvenor", L"tsv.exe", L"Software\\Brennavik\\Tsv", L"Tessivar"},
    {1, L"Pellacor", L"Pellacor.exe", L"Software\\Brennavik\\pcr\\Version 6.1", L"Pellacor"},
    {2, L"Vantrelis", L"vantrelis.exe", L"Software\\Brennavik\\vtl", L"Vantrelis"},
    {3, L"Ostrafel", L"ostrafel.exe", L"Software\\Brennavik\\osf", L"Ostrafel"},
};

// Computed once with the constants: the Windows family (1: the Windows 95 family,
// 2: the NT family), the operating system's id for the update service, and the
// computer's name.
extern const DWORD WindowsFamilyCode;
extern const int OsIdCode;
extern const std::wstring ComputerNameText;

// The download library ("isxdl.dll"), loaded by name before start-up; null when it
// is missing, and then only the features that call it fail.
HMODULE DownloadLibraryModule();
