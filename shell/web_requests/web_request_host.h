#pragma once

#include <windows.h>

#include <functional>
#include <string>

// What the update check and the driver-alert sign-up do to the world outside their
// own files and downloads: ask the user, open the browser, start the new setup,
// end the process. The system host does it for real; tests put a host of their own
// in its place, so no test shows a box on a worker thread or ends its process.
class WebRequestHost {
public:
    virtual ~WebRequestHost() = default;

    virtual bool IsConnected();
    // A message box owned by the owner window (the desktop until one is set).
    virtual int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT style);
    // Opens a web page in the user's browser; callers pass http and https addresses only.
    virtual bool OpenInBrowser(const std::wstring& address, int showCommand);
    // Starts a program through the shell's "open" verb; true when it started.
    virtual bool StartProgram(const std::wstring& path, const std::wstring& parameters);
    virtual void EndProcess(UINT exitCode);
    // A downloaded setup may run only when it came over https and its Authenticode
    // signature verifies.
    virtual bool IsSetupTrusted(const std::wstring& path, const std::wstring& sourceAddress);
    virtual bool ProgramVersion(std::wstring& version);
    virtual std::wstring MachineId();
    // After a sign-up the update service is sent the short device list once; the
    // scan screens register how (nothing until then).
    virtual void SendDeviceListRequest();

    void SetOwnerWindow(HWND owner) { owner_ = owner; }
    HWND OwnerWindow() const { return owner_; }

private:
    HWND owner_ = nullptr;
};

// The host of the program, kept for the whole run.
WebRequestHost& SystemWebRequestHost();

// How the system host sends the device list; an empty function sends nothing.
void RegisterDeviceListSender(std::function<void()> sender);

// The Authenticode check of a file through WinVerifyTrust, without any UI and
// without fetching revocation lists.
bool HasValidAuthenticodeSignature(const std::wstring& path);
