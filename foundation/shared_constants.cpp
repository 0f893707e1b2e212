#include "foundation/shared_constants.h"

#include <initializer_list>

#include "foundation/os_identity.h"

namespace {

// Built first: the browser libraries stay loaded for the embedded pages, and the
// download library's handle is kept for binding its entry points later. None is
// freed: the process's end unloads them after every user is gone.
struct StartupLibraries {
    StartupLibraries() {
        for (const char* name : {"shdocvw.dll", "mshtml.dll", "urlmon.dll"}) LoadLibraryA(name);
        downloadLibrary = LoadLibraryW(L"isxdl.dll");
    }
    HMODULE downloadLibrary = nullptr;
};
const StartupLibraries g_startupLibraries;

// Brushes live until process exit and go in the reverse order of their creation.
class OwnedBrush {
public:
    explicit OwnedBrush(COLORREF colour) : brush_(CreateSolidBrush(colour)) {}
    ~OwnedBrush() {
        if (brush_ != nullptr) DeleteObject(brush_);
    }
    OwnedBrush(const OwnedBrush&) = delete;
    OwnedBrush& operator=(const OwnedBrush&) = delete;
    HBRUSH get() const { return brush_; }

private:
    HBRUSH brush_;
};

}  // namespace

// In the order of the table of messages.
const UINT MsgProgressBarUpdate = RegisterWindowMessageW(MsgProgressBarUpdateText);
const UINT MsgKyrDriverUpdateCount = RegisterWindowMessageW(MsgKyrDriverUpdateCountText);
const UINT MsgKyrDriverItemChange = RegisterWindowMessageW(MsgKyrDriverItemChangeText);
const UINT MsgUpdateStrings = RegisterWindowMessageA(MsgUpdateStringsText);
const UINT MsgUpdateStringsSend = RegisterWindowMessageA(MsgUpdateStringsSendText);
const UINT MsgPostMainUIContinue = RegisterWindowMessageA(MsgPostMainUIContinueText);
const UINT MsgShowChildHtmDlg = RegisterWindowMessageA(MsgShowChildHtmDlgText);
const UINT MsgShowDlgDownloadMissingDriver = RegisterWindowMessageA(MsgShowDlgDownloadMissingDriverText);
const UINT MsgBringToFront = RegisterWindowMessageW(MsgBringToFrontText);
const UINT MsgSchedulerWork = RegisterWindowMessageW(MsgSchedulerWorkText);
const UINT MsgTaskbarCreated = RegisterWindowMessageW(MsgTaskbarCreatedText);

namespace {
const OwnedBrush g_brushFBFBFB(0xFBFBFB);
const OwnedBrush g_brushFFFFFF(0xFFFFFF);
const OwnedBrush g_brushFFFFFFSecond(0xFFFFFF);
const OwnedBrush g_brushFEFEFE(0xFEFEFE);
const OwnedBrush g_brushF7F7F7(0xF7F7F7);
const OwnedBrush g_brushFDFAF4(0xFDFAF4);
}  // namespace

const HBRUSH BrushFBFBFB = g_brushFBFBFB.get();
const HBRUSH BrushFFFFFF = g_brushFFFFFF.get();
const HBRUSH BrushFFFFFFSecond = g_brushFFFFFFSecond.get();
const HBRUSH BrushFEFEFE = g_brushFEFEFE.get();
const HBRUSH BrushF7F7F7 = g_brushF7F7F7.get();
const HBRUSH BrushFDFAF4 = g_brushFDFAF4.get();

const DWORD WindowsFamilyCode = ReadOsVersionFacts().platformId;
const int OsIdCode = GetOsIdCode();
const std::wstring ComputerNameText = GetComputerNameString();

HMODULE DownloadLibraryModule() { return g_startupLibraries.downloadLibrary; }
