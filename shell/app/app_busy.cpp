#include "shell/app/app_busy.h"

#include "foundation/modal_prompts.h"
#include "platform/ui/modal_popup.h"

AppBusyFlags& AppBusy() {
    static AppBusyFlags flags;
    return flags;
}

bool IsWorkRunning() {
    const AppBusyFlags& flags = AppBusy();
    return flags.scanRunning.load() || flags.operationRunning.load();
}

bool IsPopupOpen() { return GetOpenPopupCount() > 0 || IsPopupBusy(); }

bool IsAppBusy() { return IsWorkRunning() || IsPopupOpen(); }
