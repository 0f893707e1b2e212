#include "foundation/modal_prompts.h"

#include <atomic>
#include <mutex>

namespace {

std::mutex runnersLock;
ModalPromptRunner restartRunner;
ModalPromptRunner feedbackRunner;
ModalPromptRunner alertSignupRunner;

std::atomic<int> popupBusy{0};
std::atomic<int> promptBusy{0};

ModalPromptRunner& RunnerOf(ModalPrompt prompt) {
    switch (prompt) {
        case ModalPrompt::Restart: return restartRunner;
        case ModalPrompt::DriverFeedback: return feedbackRunner;
        case ModalPrompt::DriverAlertSignup: break;
    }
    return alertSignupRunner;
}

// Raises the flags for the time the prompt is open; counts, so that a prompt opened
// from another prompt does not clear its opener's flag.
class BusyWhileShown {
public:
    explicit BusyWhileShown(bool alsoPromptBusy) : alsoPromptBusy_(alsoPromptBusy) {
        ++popupBusy;
        if (alsoPromptBusy_) ++promptBusy;
    }
    ~BusyWhileShown() {
        if (alsoPromptBusy_) --promptBusy;
        --popupBusy;
    }
    BusyWhileShown(const BusyWhileShown&) = delete;
    BusyWhileShown& operator=(const BusyWhileShown&) = delete;

private:
    bool alsoPromptBusy_;
};

int Show(ModalPrompt prompt, bool alsoPromptBusy) {
    ModalPromptRunner runner;
    {
        std::lock_guard<std::mutex> guard(runnersLock);
        runner = RunnerOf(prompt);
    }
    BusyWhileShown busy(alsoPromptBusy);
    return runner ? runner() : 0;
}

}  // namespace

void RegisterModalPrompt(ModalPrompt prompt, ModalPromptRunner runner) {
    std::lock_guard<std::mutex> guard(runnersLock);
    RunnerOf(prompt) = std::move(runner);
}

int ShowRestartPrompt() { return Show(ModalPrompt::Restart, true); }

int ShowDriverFeedbackDialog() {
    Show(ModalPrompt::DriverFeedback, true);
    return 0;
}

int ShowDriverAlertSignupDialog() { return Show(ModalPrompt::DriverAlertSignup, false); }

int ShowPopupOfKind(int kind) {
    if (kind == 10) return ShowDriverAlertSignupDialog();
    if (kind >= 2 && kind <= 5) return 0;
    return -1;
}

bool IsPopupBusy() { return popupBusy.load() > 0; }
bool IsPromptBusy() { return promptBusy.load() > 0; }

ScopedPopupBusy::ScopedPopupBusy() { ++popupBusy; }
ScopedPopupBusy::~ScopedPopupBusy() { --popupBusy; }
