#include "shell/app/app_system.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "foundation/system_helpers.h"

namespace {

class SystemCalls final : public AppSystem {
public:
    bool IsAdmin() override { return IsCurrentUserAdmin(); }
    unsigned WindowsMajorVersion() override { return GetWindowsMajorVersion(); }
    void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
    bool LaunchThroughShell(HWND owner, const std::wstring& verb, const std::wstring& file,
                      const std::wstring& parameters, const std::wstring& folder) override {
        const HINSTANCE result =
            ShellExecuteW(owner, verb.c_str(), file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                          folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
    void EndProcess(UINT exitCode) override { ExitProcess(exitCode); }
    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style) override {
        return MessageBoxW(owner, text.c_str(), caption.c_str(), style);
    }
};

AppSystem*& Current() {
    static AppSystem* current = &RealAppSystem();
    return current;
}

}  // namespace

AppSystem& RealAppSystem() {
    static SystemCalls system;
    return system;
}

AppSystem& CurrentAppSystem() { return *Current(); }

ScopedAppSystem::ScopedAppSystem(AppSystem& system) : previous_(Current()) { Current() = &system; }
ScopedAppSystem::~ScopedAppSystem() { Current() = previous_; }

std::wstring GetModuleFolder(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        int count = 0;
        LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
        path = arguments != nullptr && count > 0 ? arguments[0] : L"";
        LocalFree(arguments);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

RelaunchResult RelaunchSelf(const std::wstring& arguments, bool quit, HWND mainWindow) {
    AppSystem& system = CurrentAppSystem();
    const std::wstring verb = system.WindowsMajorVersion() > 4 ? L"runas" : L"open";
    if (!system.LaunchThroughShell(mainWindow, verb, GetModulePath(), arguments, GetModuleFolder(nullptr))) {
        return RelaunchResult::Failed;
    }
    if (!quit) return RelaunchResult::Started;
    PostQuitMessage(0);
    if (mainWindow != nullptr) SendMessageW(mainWindow, WM_QUIT, 0, 0);
    return RelaunchResult::StartedAndQuitting;
}
