#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

// The notification-area calls, so a test can make the shell refuse an icon.
struct TrayShell {
    BOOL(WINAPI* notify)(DWORD message, PNOTIFYICONDATAW data) = Shell_NotifyIconW;
    // Version 5 or later of shell32 knows hidden icons and balloons.
    bool (*modernShell)() = nullptr;  // null: ask shell32 once
};

// The program's icon in the notification area: kept there across Explorer
// restarts, with its tooltip, balloon texts and animation frames, and the menu or
// default command it gives its owner window. A hidden window of its own receives
// the tray's callback message.
class CXTTrayIcon {
public:
    static constexpr UINT kCallbackMessage = 0x0DD1;

    explicit CXTTrayIcon(TrayShell shell = {});
    virtual ~CXTTrayIcon();
    CXTTrayIcon(const CXTTrayIcon&) = delete;
    CXTTrayIcon& operator=(const CXTTrayIcon&) = delete;

    bool Create(const std::wstring& tooltip, HWND owner, UINT iconResourceId, UINT id = 0, UINT defaultMenuItem = 0,
                bool defaultByPosition = false);
    bool AddIcon();
    bool RemoveIcon();
    bool HideIcon();
    bool ShowIcon();
    bool SetIcon(HICON icon);  // takes ownership
    bool SetIcon(UINT resourceId);
    bool SetTooltipText(const std::wstring& text);
    bool ShowBalloonTip(const std::wstring& text, const std::wstring& title = L"");
    bool SetAnimationIcons(const UINT* iconIds, int count, const std::wstring* tooltips = nullptr);
    void RemoveAnimationIcons();
    void StartAnimation(UINT period);
    void StopAnimation();
    void RestoreIcon();

    void MinimizeToTray(HWND window);
    void MaximizeFromTray(HWND window);
    virtual bool HideWindowInTray(HWND window);
    // wParam is the icon id, lParam the mouse or keyboard message. 1 when handled.
    virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

    bool IsHidden() const { return hidden_; }
    bool IsRemoved() const { return removed_; }
    bool AddPending() const { return addPending_; }
    const std::wstring& Tooltip() const { return tooltip_; }
    HWND Window() const { return window_; }
    HWND Owner() const { return owner_; }
    UINT Id() const { return nid_.uID; }
    std::size_t AnimationFrameCount() const { return frames_.size(); }
    // The animation's next step (what its timer does).
    void StepAnimation();

protected:
    bool ModernShell() const;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    TrayShell shell_;
    UINT addFlags_ = 0;
    UINT iconResourceId_ = 0;
    UINT animationTimerId_ = 1001;
    std::size_t animationFrame_ = 0;
    UINT defaultMenuItem_ = 0;
    bool defaultByPosition_ = true;
    bool hidden_ = true;
    bool removed_ = true;
    bool addPending_ = false;
    HWND owner_ = nullptr;
    HWND hiddenParent_ = nullptr;
    std::size_t maxTipLength_ = 64;
    std::wstring tooltip_;
    HICON icon_ = nullptr;
    struct Frame {
        HICON icon;
        std::wstring tooltip;
    };
    std::vector<Frame> frames_;
    NOTIFYICONDATAW nid_{};
    HWND window_ = nullptr;
    bool Notify(DWORD message);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SetIconHandle(HICON icon);
};

// Where the tray lies, for the minimise animation: the taskbar's notification
// window; else near the edge of a taskbar at `barEdge` within `bar`; else the
// bottom-right corner of `workArea`.
RECT TrayRectangleFrom(const RECT* notifyArea, const RECT* bar, UINT barEdge, const RECT& workArea);
RECT FindTrayRectangle();
