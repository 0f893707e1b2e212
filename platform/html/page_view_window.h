#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

// The tag of a request to a page view from another process.
inline constexpr ULONG_PTR kPageRequestTag = 0x48504751;  // "HPGQ"

// The child window in which a test host shows its page: it covers the client area
// of the page's window and runs the host's reports from the window's message
// pump, as the browser does, never from inside the call that started them.
class PageViewWindow {
public:
    PageViewWindow() = default;
    ~PageViewWindow();
    PageViewWindow(const PageViewWindow&) = delete;
    PageViewWindow& operator=(const PageViewWindow&) = delete;

    // Without a parent there is no window and posted work runs at once.
    void Create(HWND parent);
    void Destroy();
    void Resize(const RECT& area);
    void Post(std::function<void()> work);
    HWND Handle() const { return window_; }
    // Answers WM_COPYDATA requests of another process (the sender's window comes
    // in wParam): the handler's reply goes back to the sender the same way.
    using RequestHandler = std::function<std::wstring(const std::wstring& request)>;
    void AnswerRequests(RequestHandler handler) { requests_ = std::move(handler); }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunPosted();
    LRESULT Answer(HWND sender, const COPYDATASTRUCT& data);

    HWND window_ = nullptr;
    std::deque<std::function<void()>> posted_;
    RequestHandler requests_;
};
