#include "shell/toolkit/taskbar_notifier.h"

#include <algorithm>

#include "shell/toolkit/bitmap_pieces.h"
#include "shell/toolkit/hover_tracking.h"

NotifierDisplay SystemNotifierDisplay() {
    NotifierDisplay display;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &display.workArea, 0);
    display.screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return display;
}

CTaskbarNotifier::CTaskbarNotifier() = default;

CTaskbarNotifier::~CTaskbarNotifier() {
    if (Exists()) {
        for (UINT id : {kShowTimer, kWaitTimer, kHideTimer}) KillTimer(id);
        RemovePropW(Handle(), kWindowProperty);
    }
}

bool CTaskbarNotifier::Create(HWND owner, NotifierContent* content) {
    owner_ = owner;
    content_ = content;
    ui::WindowArgs args;
    args.parent = owner;
    args.style = WS_POPUP;
    // A toast: no taskbar button of its own, above the windows it reminds of.
    args.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    args.x = 0;
    args.y = 0;
    args.width = 0;
    args.height = 0;
    args.background = GetSysColorBrush(COLOR_WINDOW);
    if (!CustomWindow::Create(args)) return false;
    SetPropW(Handle(), kWindowProperty, reinterpret_cast<HANDLE>(1));
    handCursor_ = HandCursor();
    if (content_ != nullptr && !content_->CreateIn(Handle())) content_ = nullptr;
    return true;
}

void CTaskbarNotifier::SetFonts() {
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    LOGFONTW font{};
    font.lfHeight = -MulDiv(90, pixelsPerInch, 720);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Arial", LF_FACESIZE);
    font_.Reset(CreateFontIndirectW(&font));
    font.lfUnderline = TRUE;
    underlinedFont_.Reset(CreateFontIndirectW(&font));
}

bool CTaskbarNotifier::SetSkin(UINT bitmapId) {
    HBITMAP skin = LoadBitmapResource(bitmapId);
    if (skin == nullptr) return false;
    skin_.Reset(skin);
    const SIZE size = BitmapSize(skin);
    width_ = size.cx;
    height_ = size.cy;
    FitContent();
    if (content_ != nullptr) ShowWindow(content_->ContentWindow(), SW_SHOW);
    return true;
}

void CTaskbarNotifier::FitContent() {
    if (content_ == nullptr || content_->ContentWindow() == nullptr) return;
    SetWindowPos(content_->ContentWindow(), nullptr, 0, 0, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT CTaskbarNotifier::ShownPosition(const RECT& work) const {
    switch (direction_) {
        case kFromRight: return {work.right - width_, startY_};
        case kFromLeft: return {work.left, startY_};
        case kFromTop: return {startX_, work.top};
        case kFromBottom: break;
    }
    return {startX_, work.bottom - height_};
}

bool CTaskbarNotifier::Show() {
    // Without a skin the window has no size to slide.
    if (!Exists() || skin_.Get() == nullptr || width_ <= 0 || height_ <= 0) return false;
    showTime_ = 500;
    hideTime_ = 500;
    waitTime_ = 3000;
    const NotifierDisplay area = display();
    const RECT& work = area.workArea;
    const int workWidth = work.right - work.left;
    const int workHeight = work.bottom - work.top;
    switch (state_) {
        case kHidden: {
            int size;
            if (workWidth < area.screen.cx && work.left == 0) {
                direction_ = kFromRight;
                startX_ = work.right;
                startY_ = work.bottom - height_;
                size = width_;
            } else if (workWidth < area.screen.cx) {
                direction_ = kFromLeft;
                startX_ = work.left - width_;
                startY_ = work.bottom - height_;
                size = width_;
            } else if (workHeight < area.screen.cy && work.top != 0) {
                direction_ = kFromTop;
                startX_ = work.right - width_;
                startY_ = work.top - height_;
                size = height_;
            } else {
                direction_ = kFromBottom;
                startX_ = work.right - width_;
                startY_ = work.bottom;
                size = height_;
            }
            // A skin of a pixel or two would divide by zero; a period of 0 ms is
            // no timer at all.
            const UINT steps = static_cast<UINT>(std::max(1, size / kStep));
            showPeriod_ = std::max(1u, showTime_ / steps);
            hidePeriod_ = std::max(1u, hideTime_ / steps);
            x_ = startX_;
            y_ = startY_;
            SetWindowPos(Handle(), HWND_TOPMOST, x_, y_, width_, height_, SWP_NOACTIVATE | SWP_SHOWWINDOW);
            SetTimer(kShowTimer, showPeriod_);
            break;
        }
        case kShowing:
            Invalidate(true);
            break;
        case kWaiting:
            Invalidate(true);
            SetTimer(kWaitTimer, waitTime_);
            break;
        case kHiding: {
            KillTimer(kHideTimer);
            SetTimer(kWaitTimer, waitTime_);
            // Back at once to where it stands fully shown, and waiting there, so
            // that the next slide-out starts from the right place.
            const POINT shown = ShownPosition(work);
            MoveTo(shown.x, shown.y);
            state_ = kWaiting;
            Invalidate(true);
            break;
        }
    }
    FitContent();
    if (content_ != nullptr) {
        content_->RefreshTexts();
        ShowWindow(content_->ContentWindow(), SW_SHOW);
    }
    return true;
}

void CTaskbarNotifier::Hide() {
    if (Exists()) {
        // Whatever state it was in, no timer may move it again.
        for (UINT id : {kShowTimer, kWaitTimer, kHideTimer}) KillTimer(id);
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(Handle(), SW_HIDE);
    }
    state_ = kHidden;
    if (onHidden) onHidden();
}

void CTaskbarNotifier::MoveTo(int x, int y) {
    x_ = x;
    y_ = y;
    SetWindowPos(Handle(), nullptr, x_, y_, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTaskbarNotifier::OnTimer(UINT id) {
    switch (id) {
        case kShowTimer: {
            state_ = kShowing;
            bool moved = true;
            switch (direction_) {
                case kFromTop: moved = y_ - startY_ < height_; if (moved) MoveTo(x_, y_ + kStep); break;
                case kFromLeft: moved = x_ - startX_ < width_; if (moved) MoveTo(x_ + kStep, y_); break;
                case kFromRight: moved = startX_ - width_ < x_; if (moved) MoveTo(x_ - kStep, y_); break;
                case kFromBottom: moved = startY_ - height_ < y_; if (moved) MoveTo(x_, y_ - kStep); break;
            }
            if (!moved) {
                KillTimer(kShowTimer);
                SetTimer(kWaitTimer, waitTime_);
                state_ = kWaiting;
            }
            break;
        }
        case kWaitTimer:
            KillTimer(kWaitTimer);
            SetTimer(kHideTimer, hidePeriod_);
            break;
        case kHideTimer: {
            state_ = kHiding;
            bool moved = true;
            switch (direction_) {
                case kFromTop: moved = startY_ < y_; if (moved) MoveTo(x_, y_ - kStep); break;
                case kFromLeft: moved = startX_ < x_; if (moved) MoveTo(x_ - kStep, y_); break;
                case kFromRight: moved = x_ < startX_; if (moved) MoveTo(x_ + kStep, y_); break;
                case kFromBottom: moved = y_ < startY_; if (moved) MoveTo(x_, y_ + kStep); break;
            }
            if (!moved) Hide();
            break;
        }
        default:
            break;
    }
}

LRESULT CTaskbarNotifier::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE: {
            TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, Handle(), 1};
            TrackMouseEvent(&track);
            return 0;
        }
        case WM_MOUSEHOVER:
            if (!hover_) {
                hover_ = true;
                Invalidate(true);
            }
            return 0;
        case WM_MOUSELEAVE:
            hover_ = false;
            Invalidate(true);
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && handCursor_ != nullptr) {
                SetCursor(handCursor_);
                return TRUE;
            }
            break;
        case WM_ERASEBKGND:
            if (skin_.Get() != nullptr) {
                BlitFromBitmap(reinterpret_cast<HDC>(wParam), 0, 0, width_, height_, skin_.Get(), 0, 0);
                return TRUE;
            }
            break;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(Handle(), &paint);
            EndPaint(Handle(), &paint);
            return 0;
        }
        case WM_LBUTTONUP:
            if (owner_ != nullptr) PostMessageW(owner_, kClickMessage, 0, 0);
            return 0;
        case WM_TIMER:
            OnTimer(static_cast<UINT>(wParam));
            return 0;
        default:
            break;
    }
    return CustomWindow::WindowProc(message, wParam, lParam);
}
