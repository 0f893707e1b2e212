#pragma once

#include <windows.h>

#include <string>

// What the application object and the main window ask of the system that a test
// must not have done for real: the rights check, the waits of a start, starting the
// program again through the shell, ending the process, and message boxes.
class AppSystem {
public:
    virtual ~AppSystem() = default;
    virtual bool IsAdmin() = 0;
    virtual unsigned WindowsMajorVersion() = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    // ShellExecuteW with SW_SHOWNORMAL; true when the shell's result is above 32.
    virtual bool LaunchThroughShell(HWND owner, const std::wstring& verb, const std::wstring& file,
                              const std::wstring& parameters, const std::wstring& folder) = 0;
    virtual void EndProcess(UINT exitCode) = 0;
    virtual int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style) = 0;
};

// The real one.
AppSystem& RealAppSystem();

// The system the program uses now; a test puts its own in for its lifetime.
AppSystem& CurrentAppSystem();
class ScopedAppSystem {
public:
    explicit ScopedAppSystem(AppSystem& system);
    ~ScopedAppSystem();
    ScopedAppSystem(const ScopedAppSystem&) = delete;
    ScopedAppSystem& operator=(const ScopedAppSystem&) = delete;

private:
    AppSystem* previous_;
};

// The program file's folder; the folder of the first command-line argument when
// the module's file is gone.
std::wstring GetModuleFolder(HMODULE module);

enum class RelaunchResult { Failed, Started, StartedAndQuitting };

// Starts the program's own file again through the shell ("runas" since Windows
// 2000, "open" before) in its own folder. With `quit` and success the quit message
// is posted and the main window, when there is one, gets WM_QUIT; without a main
// window the caller ends the start itself.
RelaunchResult RelaunchSelf(const std::wstring& arguments, bool quit, HWND mainWindow);
