#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "shell/toolkit/taskbar_notifier.h"

// The pages the main window shows below its header, one at a time.
enum class MainPageId { Home, Settings, Downloads, Scan, BackupRestore, DownloadInstall, LastScan, Results };

// One page as the main window sees it: created once as its child, hidden, placed,
// then only shown and hidden.
class MainPage {
public:
    virtual ~MainPage() = default;
    virtual HWND Create(HWND mainWindow, const RECT& place) = 0;
    virtual HWND Window() const = 0;
    // The main window shows the page again (the home page refreshes its status).
    virtual void OnShown() {}
    // The main window chooses a part of the page after showing it: its page timers
    // (115 to 122 for the backup and restore page) and the sub-header's tabs.
    virtual void OnSubPage(UINT /*id*/) {}
};

// Makes the pages; the program's entry gives the main window one that knows the
// screens. A page that does not exist yet is an empty page.
class PageFactory {
public:
    virtual ~PageFactory() = default;
    virtual std::unique_ptr<MainPage> Make(MainPageId id) = 0;

    // What the overdue-scan reminder's buttons ask of the main window.
    struct ReminderActions {
        std::function<void()> scanNow;
        std::function<void()> close;
    };
    // The page the slide-in notifier carries; none, and the notifier shows its
    // skin alone, until the screens give one.
    virtual std::unique_ptr<NotifierContent> MakeReminder(ReminderActions) { return nullptr; }

    // The session ends: what the screens know of the last scan goes to disk.
    virtual void SaveScanSummary() {}
};

// A blank child window in place of a page of a later screen.
class EmptyPage : public MainPage {
public:
    HWND Create(HWND mainWindow, const RECT& place) override;
    HWND Window() const override { return window_; }
    ~EmptyPage() override;

private:
    HWND window_ = nullptr;
};

class EmptyPageFactory : public PageFactory {
public:
    std::unique_ptr<MainPage> Make(MainPageId) override { return std::make_unique<EmptyPage>(); }
};
