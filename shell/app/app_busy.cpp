#include "shell/app/app_busy.h"

#include "foundation/modal_prompts.h"
#include "platform/ui/modal_popup.h"

AppBusyFlags& AppBusy() {
    static AppBusyFlags flags;
    return flags;
}

bool IsAppBusy() {
    const AppBusyFlags& flags = AppBusy();
    return flags.scanRunning.load() || flags.operationRunning.load() || GetOpenPopupCount() > 0 || IsPopupBusy();
}
