#include "platform/html/page_view_window.h"

#include <utility>

namespace {

constexpr wchar_t kClassName[] = L"HalvenorPageView";
constexpr UINT kRunPosted = WM_APP + 1;

}  // namespace

PageViewWindow::~PageViewWindow() { Destroy(); }

void PageViewWindow::Create(HWND parent) {
    Destroy();
    if (parent == nullptr) return;
    static const ATOM registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &PageViewWindow::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass);
    }();
    (void)registered;
    RECT area{};
    GetClientRect(parent, &area);
    window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, parent, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (window_ != nullptr) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void PageViewWindow::Destroy() {
    posted_.clear();
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
        window_ = nullptr;
    }
}

void PageViewWindow::Resize(const RECT& area) {
    if (window_ != nullptr) {
        MoveWindow(window_, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    }
}

void PageViewWindow::Post(std::function<void()> work) {
    if (window_ == nullptr) {
        work();
        return;
    }
    posted_.push_back(std::move(work));
    PostMessageW(window_, kRunPosted, 0, 0);
}

// One piece per message: the work may end the host and this window with it.
void PageViewWindow::RunPosted() {
    if (posted_.empty()) return;
    auto work = std::move(posted_.front());
    posted_.pop_front();
    work();
}

LRESULT PageViewWindow::Answer(HWND sender, const COPYDATASTRUCT& data) {
    if (!requests_ || data.dwData != kPageRequestTag || data.lpData == nullptr) return 0;
    const std::wstring request(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    const std::wstring reply = requests_(request);
    COPYDATASTRUCT answer{kPageRequestTag, static_cast<DWORD>(reply.size() * sizeof(wchar_t)),
                          const_cast<wchar_t*>(reply.c_str())};
    if (sender != nullptr) SendMessageW(sender, WM_COPYDATA, reinterpret_cast<WPARAM>(window_), reinterpret_cast<LPARAM>(&answer));
    return 1;
}

LRESULT CALLBACK PageViewWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        auto* view = reinterpret_cast<PageViewWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return view != nullptr ? view->Answer(reinterpret_cast<HWND>(wParam), *reinterpret_cast<const COPYDATASTRUCT*>(lParam)) : 0;
    }
    if (message == kRunPosted) {
        if (auto* view = reinterpret_cast<PageViewWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            view->RunPosted();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
