// The program's entry: builds the application object, runs its start-up, the
// message loop and its exit step. It is the one place that knows both the shell
// and the screens: the main window gets its pages from the factory made here.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/app/hv_app.h"
#include "shell/app/main_window.h"

namespace {

std::vector<std::wstring> CommandLineArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (list == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
    LocalFree(list);
    return arguments;
}

int RunMessageLoop(CHvApp& app) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (app.PreTranslateMessage(message)) continue;
        HWND main = app.MainWindow();
        if (main != nullptr && IsDialogMessageW(main, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Built here rather than as a global, so that it starts after every constant of
    // the libraries is in place.
    static CHvApp app;
    EmptyPageFactory pages;
    std::unique_ptr<CHvAppDlg> mainDialog;
    app.SetMainWindowCreator([&](CHvApp& self) -> HWND {
        mainDialog = std::make_unique<CHvAppDlg>(self, pages);
        HWND window = mainDialog->Create();
        // No page host can load the home page yet: go on with the start at once.
        if (window != nullptr) mainDialog->OnHomePageFailed();
        return window;
    });
    if (app.InitInstance(CommandLineArguments())) RunMessageLoop(app);
    mainDialog.reset();
    return app.ExitInstance();
}
