#include "shell/app/tray_icon.h"

#include <shlwapi.h>

#include "foundation/shared_constants.h"

namespace {

constexpr wchar_t kTrayWindowClass[] = L"HalvenorTrayIcon";

bool AskShellVersionFive() {
    static const bool modern = [] {
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        HMODULE loaded = nullptr;
        if (shell == nullptr) shell = loaded = LoadLibraryW(L"shell32.dll");
        bool atLeastFive = false;
        using GetVersionFunction = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
        if (auto get = reinterpret_cast<GetVersionFunction>(
                reinterpret_cast<void (*)()>(GetProcAddress(shell, "DllGetVersion")))) {
            DLLVERSIONINFO info{};
            info.cbSize = sizeof(info);
            atLeastFive = SUCCEEDED(get(&info)) && info.dwMajorVersion >= 5;
        }
        if (loaded != nullptr) FreeLibrary(loaded);
        return atLeastFive;
    }();
    return modern;
}

HICON LoadSmallIcon(UINT resourceId) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

void CopyText(wchar_t* target, std::size_t capacity, const std::wstring& text) {
    lstrcpynW(target, text.c_str(), static_cast<int>(capacity));
}

bool RegisterTrayClass() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kTrayWindowClass;
        return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// The system's minimise animation between the window and the tray, when it is on.
void AnimateTrayMove(HWND window, bool toTray) {
    ANIMATIONINFO animation{sizeof(animation), 0};
    SystemParametersInfoW(SPI_GETANIMATION, sizeof(animation), &animation, 0);
    if (animation.iMinAnimate == 0) return;
    RECT windowRect{};
    GetWindowRect(window, &windowRect);
    const RECT tray = FindTrayRectangle();
    DrawAnimatedRects(window, IDANI_CAPTION, toTray ? &windowRect : &tray, toTray ? &tray : &windowRect);
}

}  // namespace

CXTTrayIcon::CXTTrayIcon(TrayShell shell) : shell_(shell) {
    nid_.cbSize = sizeof(nid_);
    nid_.uCallbackMessage = kCallbackMessage;
}

CXTTrayIcon::~CXTTrayIcon() {
    if (!removed_) Notify(NIM_DELETE);
    if (window_ != nullptr) DestroyWindow(window_);
    RemoveAnimationIcons();
    if (icon_ != nullptr) DestroyIcon(icon_);
    if (hiddenParent_ != nullptr) DestroyWindow(hiddenParent_);
}

bool CXTTrayIcon::ModernShell() const { return shell_.modernShell != nullptr ? shell_.modernShell() : AskShellVersionFive(); }

bool CXTTrayIcon::Notify(DWORD message) { return shell_.notify != nullptr && shell_.notify(message, &nid_) != FALSE; }

bool CXTTrayIcon::Create(const std::wstring& tooltip, HWND owner, UINT iconResourceId, UINT id, UINT defaultMenuItem,
                         bool defaultByPosition) {
    if (owner == nullptr || !RegisterTrayClass()) return false;
    iconResourceId_ = iconResourceId;
    owner_ = owner;
    maxTipLength_ = 127;
    SetIconHandle(LoadSmallIcon(iconResourceId));
    tooltip_ = tooltip.size() >= maxTipLength_ ? tooltip.substr(0, maxTipLength_ - 1) : tooltip;
    CopyText(nid_.szTip, std::size(nid_.szTip), tooltip_);
    window_ = CreateWindowExW(0, kTrayWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr) return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CXTTrayIcon::WindowProc));
    nid_.hWnd = window_;
    nid_.uID = id;
    defaultMenuItem_ = defaultMenuItem;
    defaultByPosition_ = defaultByPosition;
    addFlags_ = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    return AddIcon();
}

void CXTTrayIcon::SetIconHandle(HICON icon) {
    if (icon_ != nullptr && icon_ != icon) DestroyIcon(icon_);
    icon_ = icon;
    nid_.hIcon = icon;
}

bool CXTTrayIcon::AddIcon() {
    if (!removed_) {
        nid_.uFlags = 0;
        if (Notify(NIM_DELETE)) hidden_ = removed_ = true;
    }
    nid_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (Notify(NIM_ADD)) {
        hidden_ = removed_ = false;
        addPending_ = false;
        return true;
    }
    addPending_ = true;
    return false;
}

bool CXTTrayIcon::RemoveIcon() {
    addPending_ = false;
    if (removed_) return true;
    nid_.uFlags = 0;
    if (!Notify(NIM_DELETE)) return false;
    hidden_ = removed_ = true;
    return true;
}

bool CXTTrayIcon::HideIcon() {
    if (hidden_ || removed_) return true;
    if (!ModernShell()) return RemoveIcon();
    nid_.uFlags = NIF_STATE;
    nid_.dwState = NIS_HIDDEN;
    nid_.dwStateMask = NIS_HIDDEN;
    hidden_ = Notify(NIM_MODIFY);
    return hidden_;
}

bool CXTTrayIcon::ShowIcon() {
    if (removed_) return AddIcon();
    if (!hidden_) return true;
    if (!ModernShell()) return AddIcon();
    nid_.uFlags = NIF_STATE;
    nid_.dwState = 0;
    nid_.dwStateMask = NIS_HIDDEN;
    if (!Notify(NIM_MODIFY)) return false;
    hidden_ = removed_ = false;
    return true;
}

bool CXTTrayIcon::SetIcon(HICON icon) {
    if (icon == icon_) return true;
    SetIconHandle(icon);
    if (hidden_) return true;
    nid_.uFlags = NIF_ICON;
    return Notify(NIM_MODIFY);
}

bool CXTTrayIcon::SetIcon(UINT resourceId) { return SetIcon(LoadSmallIcon(resourceId)); }

bool CXTTrayIcon::SetTooltipText(const std::wstring& text) {
    tooltip_ = text.size() >= maxTipLength_ ? text.substr(0, maxTipLength_ - 1) : text;
    CopyText(nid_.szTip, std::size(nid_.szTip), tooltip_);
    if (hidden_) return true;
    nid_.uFlags = NIF_TIP;
    return Notify(NIM_MODIFY);
}

bool CXTTrayIcon::ShowBalloonTip(const std::wstring& text, const std::wstring& title) {
    if (!ModernShell() || text.empty()) return false;
    nid_.uFlags = NIF_INFO;
    CopyText(nid_.szInfo, 256, text);
    CopyText(nid_.szInfoTitle, 64, title);
    nid_.uTimeout = 10000;
    nid_.dwInfoFlags = NIIF_USER;
    const bool shown = Notify(NIM_MODIFY);
    // Later changes must not show the balloon again.
    nid_.szInfo[0] = L'\0';
    return shown;
}

bool CXTTrayIcon::SetAnimationIcons(const UINT* iconIds, int count, const std::wstring* tooltips) {
    RemoveAnimationIcons();
    for (int i = 0; i < count; ++i) {
        HICON icon = LoadSmallIcon(iconIds[i]);
        if (icon == nullptr) return false;
        frames_.push_back({icon, tooltips != nullptr ? tooltips[i] : std::wstring()});
    }
    return true;
}

void CXTTrayIcon::RemoveAnimationIcons() {
    for (Frame& frame : frames_) DestroyIcon(frame.icon);
    frames_.clear();
    animationFrame_ = 0;
}

void CXTTrayIcon::StartAnimation(UINT period) {
    if (window_ != nullptr) SetTimer(window_, animationTimerId_, period, nullptr);
}

void CXTTrayIcon::StopAnimation() {
    if (window_ != nullptr) KillTimer(window_, animationTimerId_);
    SetTooltipText(tooltip_);
    SetIcon(iconResourceId_);
}

void CXTTrayIcon::StepAnimation() {
    // Without frames there is nothing to show.
    if (frames_.empty()) return;
    if (animationFrame_ < frames_.size()) {
        const Frame& frame = frames_[animationFrame_];
        CopyText(nid_.szTip, std::size(nid_.szTip), frame.tooltip.empty() ? tooltip_ : frame.tooltip);
        nid_.uFlags = NIF_TIP;
        if (frame.icon != nullptr) {
            nid_.hIcon = frame.icon;
            nid_.uFlags |= NIF_ICON;
        }
        if (!hidden_) Notify(NIM_MODIFY);
        nid_.hIcon = icon_;
    }
    animationFrame_ = (animationFrame_ + 1) % frames_.size();
}

void CXTTrayIcon::RestoreIcon() {
    if (removed_ || hidden_) return;
    nid_.uFlags = addFlags_;
    addPending_ = !Notify(NIM_ADD);
}

bool CXTTrayIcon::HideWindowInTray(HWND window) {
    if (hiddenParent_ == nullptr && RegisterTrayClass()) {
        hiddenParent_ = CreateWindowExW(0, kTrayWindowClass, L"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    if (hiddenParent_ == nullptr) return false;
    SetParent(window, hiddenParent_);
    return true;
}

void CXTTrayIcon::MinimizeToTray(HWND window) {
    AnimateTrayMove(window, true);
    HideWindowInTray(window);
    ShowWindow(window, SW_HIDE);
}

void CXTTrayIcon::MaximizeFromTray(HWND window) {
    AnimateTrayMove(window, false);
    if (GetParent(window) == hiddenParent_ && hiddenParent_ != nullptr) SetParent(window, nullptr);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    if (hiddenParent_ != nullptr) SetActiveWindow(hiddenParent_);
    SetActiveWindow(window);
    SetForegroundWindow(window);
}

LRESULT CXTTrayIcon::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
    if (wParam != nid_.uID || owner_ == nullptr) return 0;
    if (SendMessageW(owner_, kCallbackMessage, wParam, lParam) != 0) return 1;
    const UINT event = LOWORD(lParam);
    if (event == WM_CONTEXTMENU || event == WM_RBUTTONUP || event == NIN_SELECT || event == NIN_KEYSELECT) {
        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nid_.uID));
        if (menu == nullptr) return 0;
        HMENU popup = GetSubMenu(menu, 0);
        if (popup != nullptr) {
            SetMenuDefaultItem(popup, defaultMenuItem_, defaultByPosition_ ? TRUE : FALSE);
            POINT cursor{};
            GetCursorPos(&cursor);
            SetForegroundWindow(owner_);
            TrackPopupMenu(popup, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, owner_, nullptr);
            PostMessageW(owner_, WM_NULL, 0, 0);
        }
        DestroyMenu(menu);
        nid_.uFlags = 0;
        Notify(NIM_SETFOCUS);
    } else if (event == WM_LBUTTONDBLCLK) {
        SetForegroundWindow(owner_);
        UINT command = defaultMenuItem_;
        if (defaultByPosition_) {
            HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nid_.uID));
            if (menu == nullptr) return 0;
            command = GetMenuItemID(GetSubMenu(menu, 0), static_cast<int>(defaultMenuItem_));
            DestroyMenu(menu);
        }
        SendMessageW(owner_, WM_COMMAND, command, 0);
    }
    return 1;
}

LRESULT CXTTrayIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCallbackMessage) return OnTrayNotification(wParam, lParam);
    if (message == WM_TIMER && wParam == animationTimerId_) {
        StepAnimation();
        return 0;
    }
    if (message == WM_SETTINGCHANGE) {
        const LRESULT result = DefWindowProcW(window_, message, wParam, lParam);
        if (wParam == SPI_SETWORKAREA && addPending_) RestoreIcon();
        return result;
    }
    if (message == MsgTaskbarCreated && MsgTaskbarCreated != 0) {
        // A failed add gets another chance when Explorer comes back.
        if (addPending_) AddIcon();
        else RestoreIcon();
        return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK CXTTrayIcon::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CXTTrayIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

RECT TrayRectangleFrom(const RECT* notifyArea, const RECT* bar, UINT barEdge, const RECT& workArea) {
    if (notifyArea != nullptr) return *notifyArea;
    if (bar != nullptr) {
        if (barEdge == 1 || barEdge == 3) return {bar->right - 100, bar->top, bar->right - 16, bar->bottom};
        return {bar->left, bar->bottom - 100, bar->right, bar->bottom - 16};
    }
    return {workArea.right - 150, workArea.bottom - 30, workArea.right, workArea.bottom};
}

RECT FindTrayRectangle() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr)) {
        if (HWND notify = FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr)) {
            RECT area{};
            GetWindowRect(notify, &area);
            return TrayRectangleFrom(&area, nullptr, 0, work);
        }
    }
    APPBARDATA bar{};
    bar.cbSize = sizeof(bar);
    if (SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) return TrayRectangleFrom(nullptr, &bar.rc, bar.uEdge, work);
    return TrayRectangleFrom(nullptr, nullptr, 0, work);
}
