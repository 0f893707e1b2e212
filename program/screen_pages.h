#pragma once

#include <memory>

#include "shell/app/main_pages.h"

// The pages of the screens, as the main window asks for them. A page whose screen
// is not built yet stays an empty page.
class ScreenPageFactory final : public PageFactory {
public:
    std::unique_ptr<MainPage> Make(MainPageId id) override;
    std::unique_ptr<NotifierContent> MakeReminder(ReminderActions actions) override;
};
