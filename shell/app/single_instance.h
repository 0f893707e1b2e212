#pragma once

#include <windows.h>

#include <string>

#include "platform/scoped_handle.h"
#include "shell/app/startup_switches.h"

inline constexpr wchar_t kSingleInstanceMutexName[] = L"Brennavik_Halvenor_24BF8EAB-03C7-4e3c-B10F-1D1F7C0297CB";

// The named mutex that tells a second start that the program runs already. The
// handle stays open for the life of the first instance; a relaunch through the
// shell closes it first, so the new process is not taken for a second instance.
class SingleInstanceMutex {
public:
    explicit SingleInstanceMutex(const std::wstring& name = kSingleInstanceMutexName);
    SingleInstanceMutex(const SingleInstanceMutex&) = delete;
    SingleInstanceMutex& operator=(const SingleInstanceMutex&) = delete;

    // True when another process holds the name (or keeps us from opening it).
    bool AnotherInstanceRuns() const { return anotherRuns_; }
    void Close();

private:
    UniqueHandle handle_;
    bool anotherRuns_ = false;
};

// The main window carries this property so that a second start can tell it from a
// message box or any other dialog with the product's title.
inline constexpr wchar_t kMainWindowProperty[] = L"Halvenor.MainWindow";

// Marks `window` as the program's main window and lets the hand-over messages
// through to it from a process of lower integrity (user32's message filter is
// looked up by name; systems without it need nothing).
void MarkAsMainWindow(HWND window);
// The first top-level dialog with `title` that carries the main-window property;
// null when there is none.
HWND FindRunningMainWindow(const std::wstring& title);

// Hands `request` to `window` (a running instance's main window). True when the
// message was posted.
bool HandOverToRunningInstance(HWND window, const HandOverRequest& request);
