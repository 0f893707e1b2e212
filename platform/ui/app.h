#pragma once

// ui::App: the message loop. Start-up: CHvApp; shared state: CDriverOptimizerApp; engine: CDriverScannerApp.

#include <windows.h>

namespace ui {

// The program's application object: one per process, made before the message
// loop runs. `Run` is the whole life of the UI thread: `InitInstance`, the
// message loop when it succeeded, and `ExitInstance` in every case.
class App {
public:
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    static App* Current();

    // Returns what ExitInstance returns.
    int Run();

    // The first filter of every message of the message loop and of the modal
    // loops; true swallows the message.
    virtual bool PreTranslateMessage(MSG& message);

protected:
    // False ends the program without a message loop (ExitInstance still runs).
    virtual bool InitInstance() { return true; }
    // Returns the program's exit code: by default the quit message's code.
    virtual int ExitInstance() { return quitCode_; }

    int QuitCode() const { return quitCode_; }

private:
    int quitCode_ = 0;
};

}  // namespace ui
