#pragma once

#include <windows.h>

#include <functional>

#include "platform/ui/gdi.h"
#include "platform/ui/window.h"

// What the notifier carries over its whole area (the overdue-scan reminder page):
// made as the notifier's child once the notifier's window exists.
class NotifierContent {
public:
    virtual ~NotifierContent() = default;
    virtual bool CreateIn(HWND notifier) = 0;
    virtual HWND ContentWindow() const = 0;
    // The notifier shows again: the texts are brought up to date.
    virtual void RefreshTexts() = 0;
};

// The screen as the notifier measures it; the system's unless a test gives one.
struct NotifierDisplay {
    RECT workArea{};
    SIZE screen{};
};
NotifierDisplay SystemNotifierDisplay();

// A borderless pop-up that slides in from the screen edge where the taskbar lies,
// waits, and slides out again; its skin gives its size and its content covers it.
class CTaskbarNotifier : public ui::CustomWindow {
public:
    enum State { kHidden = 0, kShowing = 1, kWaiting = 2, kHiding = 3 };
    enum Direction { kFromTop = 1, kFromLeft = 2, kFromRight = 3, kFromBottom = 4 };
    static constexpr UINT kShowTimer = 1, kWaitTimer = 2, kHideTimer = 3;
    static constexpr UINT kClickMessage = WM_USER + 123;
    static constexpr int kStep = 2;
    static constexpr UINT kSkinBitmap = 5425;
    // Marks the notifier's window, so another process can tell it apart.
    static constexpr wchar_t kWindowProperty[] = L"Halvenor.TaskbarNotifier";

    CTaskbarNotifier();
    ~CTaskbarNotifier() override;

    // Made as a pop-up owned by `owner`, hidden and without size; the content is
    // created inside it.
    bool Create(HWND owner, NotifierContent* content = nullptr);
    // Arial 9 point, plain and underlined.
    void SetFonts();
    // The skin bitmap gives the window its size; false when it does not load.
    bool SetSkin(UINT bitmapId = kSkinBitmap);
    void SetTextRect(const RECT& rect) { textRect_ = rect; }

    // Slides in (or, when already up, stays another wait time). False without a skin.
    bool Show();
    // Gone at once; `onHidden` follows.
    void Hide();

    // Runs after every hide, by the user or at the end of the slide-out.
    std::function<void()> onHidden;
    // Where the taskbar lies; tests give their own screens.
    std::function<NotifierDisplay()> display = SystemNotifierDisplay;

    State CurrentState() const { return state_; }
    Direction CurrentDirection() const { return direction_; }
    POINT Position() const { return {x_, y_}; }
    POINT StartPosition() const { return {startX_, startY_}; }
    SIZE Size() const { return {width_, height_}; }
    UINT ShowPeriod() const { return showPeriod_; }
    UINT HidePeriod() const { return hidePeriod_; }
    UINT WaitTime() const { return waitTime_; }
    bool Hovering() const { return hover_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnTimer(UINT id);
    void MoveTo(int x, int y);
    POINT ShownPosition(const RECT& work) const;
    void FitContent();

    HWND owner_ = nullptr;
    NotifierContent* content_ = nullptr;
    ui::ScopedFont font_;
    ui::ScopedFont underlinedFont_;
    ui::ScopedBitmap skin_;
    HCURSOR handCursor_ = nullptr;
    bool hover_ = false;
    State state_ = kHidden;
    UINT showTime_ = 500, waitTime_ = 3000, hideTime_ = 500;
    UINT showPeriod_ = 0, hidePeriod_ = 0;
    Direction direction_ = kFromBottom;
    int startX_ = 0, startY_ = 0;
    int x_ = 0, y_ = 0;
    int width_ = 0, height_ = 0;
    RECT textRect_{};
};
