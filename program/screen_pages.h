#pragma once

#include <windows.h>

#include <memory>

#include "shell/app/main_pages.h"

// The pages of the screens, as the main window asks for them. A page whose screen
// is not built yet stays an empty page.
class ScreenPageFactory final : public PageFactory {
public:
    std::unique_ptr<MainPage> Make(MainPageId id) override;
    std::unique_ptr<NotifierContent> MakeReminder(ReminderActions actions) override;
    void SaveScanSummary() override;
};

// Puts the screens' restart prompt and feedback form behind the foundation's
// prompt entry points, shown over `mainWindow`.
void RegisterScreenPrompts(HWND mainWindow);
