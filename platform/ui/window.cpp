#include "platform/ui/window.h"

#include <commctrl.h>

#include <mutex>
#include <unordered_map>

namespace ui {
namespace {

// Every wrapped window of the process. Windows belong to the UI thread, but test
// programs and the odd worker-owned window may make them on other threads too.
struct WindowMap {
    std::mutex lock;
    std::unordered_map<HWND, Window*> windows;
};

WindowMap& Map() {
    static WindowMap map;
    return map;
}

constexpr UINT_PTR kSubclassId = 0x4856;  // one subclass of ours per control
constexpr wchar_t kWindowClassName[] = L"HalvenorWindow";

// The control a parent's message is about, for the messages that are reflected.
HWND ReflectionTarget(HWND parent, UINT message, LPARAM lParam) {
    switch (message) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? GetDlgItem(parent, static_cast<int>(item->CtlID)) : nullptr;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        return header ? header->hwndFrom : nullptr;
    }
    default:
        return IsControlColourMessage(message) ? reinterpret_cast<HWND>(lParam) : nullptr;
    }
}

}  // namespace

Window::~Window() {
    HWND hwnd = hwnd_;
    if (hwnd == nullptr) return;
    Window::Unbind();
    if (ownsWindow_ && IsWindow(hwnd)) DestroyWindow(hwnd);
}

Window* Window::FromHandle(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    WindowMap& map = Map();
    std::lock_guard guard(map.lock);
    auto found = map.windows.find(hwnd);
    return found == map.windows.end() ? nullptr : found->second;
}

void Window::Bind(HWND hwnd) {
    hwnd_ = hwnd;
    WindowMap& map = Map();
    std::lock_guard guard(map.lock);
    map.windows[hwnd] = this;
}

void Window::Unbind() {
    if (hwnd_ == nullptr) return;
    WindowMap& map = Map();
    {
        std::lock_guard guard(map.lock);
        auto found = map.windows.find(hwnd_);
        if (found != map.windows.end() && found->second == this) map.windows.erase(found);
    }
    hwnd_ = nullptr;
}

bool Window::PreTranslateMessage(MSG&) { return false; }

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

bool Window::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Window::Dispatch(Window* window, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND target = ReflectionTarget(hwnd, message, lParam);
    if (target != nullptr && target != hwnd) {
        if (Window* control = FromHandle(target)) {
            LRESULT result = 0;
            if (control->OnReflectedMessage(message, wParam, lParam, result)) return result;
        }
    }
    const LRESULT result = window->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY && window->hwnd_ == hwnd) window->Unbind();
    return result;
}

LRESULT Window::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageW(hwnd_, message, wParam, lParam);
}

bool Window::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    return PostMessageW(hwnd_, message, wParam, lParam) != FALSE;
}

RECT Window::ClientRect() const {
    RECT rect{};
    GetClientRect(hwnd_, &rect);
    return rect;
}

RECT Window::RectInParent() const {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    if (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) {
        MapWindowPoints(nullptr, GetAncestor(hwnd_, GA_PARENT), reinterpret_cast<POINT*>(&rect), 2);
    }
    return rect;
}

std::wstring Window::Text() const {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Window::SetText(const std::wstring& text) const { SetWindowTextW(hwnd_, text.c_str()); }
void Window::Show(int command) const { ShowWindow(hwnd_, command); }
bool Window::IsVisible() const { return IsWindowVisible(hwnd_) != FALSE; }
void Window::Enable(bool enable) const { EnableWindow(hwnd_, enable ? TRUE : FALSE); }
bool Window::IsEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
void Window::Invalidate(bool erase) const { InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE); }

void Window::MoveTo(int x, int y, int width, int height, bool repaint) const {
    MoveWindow(hwnd_, x, y, width, height, repaint ? TRUE : FALSE);
}

bool Window::SetTimer(UINT_PTR id, UINT milliseconds) const {
    return ::SetTimer(hwnd_, id, milliseconds, nullptr) != 0;
}

void Window::KillTimer(UINT_PTR id) const { ::KillTimer(hwnd_, id); }

// --- CustomWindow

bool CustomWindow::Create(const WindowArgs& args) {
    static const ATOM registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = &CustomWindow::StaticWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kWindowClassName;
        return RegisterClassExW(&windowClass);
    }();
    if (registered == 0 || Handle() != nullptr) return false;
    background_ = args.background;
    SetOwnsWindow(true);
    HMENU menuOrId = (args.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)) : nullptr;
    HWND hwnd = CreateWindowExW(args.exStyle, kWindowClassName, args.title, args.style, args.x, args.y, args.width,
                                args.height, args.parent, menuOrId, GetModuleHandleW(nullptr), this);
    return hwnd != nullptr;
}

LRESULT CustomWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND && background_ != nullptr) {
        RECT client = ClientRect();
        FillRect(reinterpret_cast<HDC>(wParam), &client, background_);
        return TRUE;
    }
    return DefWindowProcW(Handle(), message, wParam, lParam);
}

LRESULT CALLBACK CustomWindow::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (auto* window = static_cast<CustomWindow*>(created->lpCreateParams)) window->Bind(hwnd);
    }
    Window* window = FromHandle(hwnd);
    if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return Dispatch(window, hwnd, message, wParam, lParam);
}

// --- Control

Control::~Control() {
    // The window may outlive the wrapper: its messages must stop coming here now;
    // the base lets go of the map entry and destroys what the wrapper created.
    if (Handle() != nullptr) RemoveWindowSubclass(Handle(), &Control::SubclassProc, kSubclassId);
}

bool Control::Attach(HWND control) {
    if (control == nullptr || !IsWindow(control) || Handle() != nullptr || FromHandle(control) != nullptr) return false;
    Bind(control);
    if (!SetWindowSubclass(control, &Control::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        Window::Unbind();
        return false;
    }
    OnAttached();
    return true;
}

bool Control::Create(const ControlArgs& args) {
    if (Handle() != nullptr) return false;
    HWND control = CreateWindowExW(args.exStyle, args.className, args.text, args.style, args.x, args.y, args.width,
                                   args.height, args.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr) return false;
    if (!Attach(control)) {
        DestroyWindow(control);
        return false;
    }
    SetOwnsWindow(true);
    return true;
}

LRESULT Control::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(Handle(), message, wParam, lParam);
}

void Control::Unbind() {
    if (Handle() != nullptr) RemoveWindowSubclass(Handle(), &Control::SubclassProc, kSubclassId);
    Window::Unbind();
}

LRESULT CALLBACK Control::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data) {
    auto* control = reinterpret_cast<Control*>(data);
    if (control->Handle() != hwnd) return DefSubclassProc(hwnd, message, wParam, lParam);
    return Dispatch(control, hwnd, message, wParam, lParam);
}

}  // namespace ui
