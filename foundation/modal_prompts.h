#pragma once

#include <functional>

// The modal prompts that screens show over the main window. The foundation owns the
// entry points and the busy flags; the screens that build the prompts register how
// to show them when the program starts. Until one is registered its entry point
// shows nothing and answers 0.
enum class ModalPrompt { Restart, DriverFeedback, DriverAlertSignup };

using ModalPromptRunner = std::function<int()>;
void RegisterModalPrompt(ModalPrompt prompt, ModalPromptRunner runner);

// The restart prompt's result: 8 when the user chose to restart, 0 otherwise.
int ShowRestartPrompt();
// The feedback form's result is not used: always 0.
int ShowDriverFeedbackDialog();
int ShowDriverAlertSignupDialog();

// Kind 10: the driver-alert sign-up and its result; kinds 2 to 5: nothing, 0; any
// other kind: nothing, -1.
int ShowPopupOfKind(int kind);

// Set while any of the prompts above is shown.
bool IsPopupBusy();
// Set while the restart prompt or the feedback form is shown.
bool IsPromptBusy();

// Marks another modal window of the program (a folder dialog, for one) as shown
// for its lifetime, so IsPopupBusy answers true meanwhile.
class ScopedPopupBusy {
public:
    ScopedPopupBusy();
    ~ScopedPopupBusy();
    ScopedPopupBusy(const ScopedPopupBusy&) = delete;
    ScopedPopupBusy& operator=(const ScopedPopupBusy&) = delete;
};
