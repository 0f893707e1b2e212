#pragma once

#include <windows.h>

#include <string>

namespace ui {

inline bool IsControlColourMessage(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// The base of every window the program wraps: its own windows, dialogs and the
// controls it subclasses. Each wrapper is found from its handle through one map,
// gets its messages in one virtual `WindowProc` (a switch in each class, passing
// what it does not handle to the base class's `WindowProc`), and takes part in the
// message pump's `PreTranslateMessage` walk.
//
// Parents hand WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR* and WM_NOTIFY to the
// wrapper of the control they are about (`OnReflectedMessage`) before handling
// them themselves; a control that answers takes the message.
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }
    operator HWND() const { return hwnd_; }
    bool Exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }

    // The wrapper of `hwnd`, or null when the window has none.
    static Window* FromHandle(HWND hwnd);

    // Called by the message pump for every message meant for this window or one
    // of its descendants, before it is translated and dispatched. The message may
    // be changed for those that come after; true swallows it.
    virtual bool PreTranslateMessage(MSG& message);

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    RECT ClientRect() const;
    // The window's rectangle in its parent's client coordinates (screen ones for a
    // top-level window).
    RECT RectInParent() const;
    std::wstring Text() const;
    void SetText(const std::wstring& text) const;
    void Show(int command = SW_SHOW) const;
    bool IsVisible() const;
    void Enable(bool enable) const;
    bool IsEnabled() const;
    void Invalidate(bool erase = false) const;
    void MoveTo(int x, int y, int width, int height, bool repaint = true) const;
    bool SetTimer(UINT_PTR id, UINT milliseconds) const;
    void KillTimer(UINT_PTR id) const;

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What the window does with a message nobody handled.
    virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // A parent reflected one of its messages about this control; true and
    // `result` when the control answers it.
    virtual bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Ties the wrapper to its window (and the window to the map); Unbind loosens it.
    void Bind(HWND hwnd);
    virtual void Unbind();
    // The wrapper decides whether its window ends with it.
    void SetOwnsWindow(bool owns) { ownsWindow_ = owns; }

    // The dispatch every wrapper shares: reflection to the control the message is
    // about, then WindowProc, then the map is cleared once the window is gone.
    static LRESULT Dispatch(Window* window, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    HWND hwnd_ = nullptr;
    bool ownsWindow_ = false;
};

// What a window of the program's own class is created with.
struct WindowArgs {
    HWND parent = nullptr;
    const wchar_t* title = L"";
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    int id = 0;                       // for child windows
    HBRUSH background = nullptr;      // none: the window paints everything itself
};

// A window of the program's own class (pop-ups, layered windows, test hosts).
class CustomWindow : public Window {
public:
    bool Create(const WindowArgs& args);

protected:
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HBRUSH background_ = nullptr;

    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// What a control of a system class is created with.
struct ControlArgs {
    const wchar_t* className = L"BUTTON";
    HWND parent = nullptr;
    int id = 0;
    const wchar_t* text = L"";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A control of a system class (or of a dialog template) whose messages pass
// through the wrapper first, by window subclassing. The wrapper lets go of the
// control when it ends; the control itself belongs to its parent unless the
// wrapper created it.
class Control : public Window {
public:
    ~Control() override;

    bool Attach(HWND control);
    bool AttachDlgItem(HWND parent, int id) { return Attach(GetDlgItem(parent, id)); }
    bool Create(const ControlArgs& args);
    int Id() const { return GetDlgCtrlID(Handle()); }

protected:
    // Runs once the control is attached, before any message reaches the wrapper.
    virtual void OnAttached() {}
    // Only from inside WindowProc: the next handler of the control's chain.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Unbind() override;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
};

}  // namespace ui
