#pragma once

#include <windows.h>

#include <functional>
#include <span>
#include <string>

#include "platform/ui/gdi.h"
#include "shell/html_dialog/child_html_dialog.h"
#include "shell/toolkit/dialog_font.h"
#include "shell/toolkit/main_border.h"

// The about page: the program's edition, version, rights and warning texts, put
// into the page as text. Nothing on it can be selected, dragged or right-clicked;
// its product link opens in the user's browser.
class CDlgAbout : public CChildHtmlDialog {
public:
    // DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO |
    // DOCHOSTUIFLAG_OPENNEWWIN
    static constexpr DWORD kAboutHostFlags = 0x2D;

    CDlgAbout();
    ~CDlgAbout() override;

    // Opens a web address in the user's browser; tests look instead.
    std::function<bool(const std::wstring&)> openInBrowser;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    std::span<const HtmlEventEntry> EventTable() const override;
    DWORD HostFlags() const override { return kAboutHostFlags; }
    void OnDocumentReady() override;

private:
    HRESULT OnProductLink(const PageElement& element);
    HRESULT OnAnySelectDragOrMenu(const PageElement& element);
    void CloseAboutWindow(UINT command);

    DialogFontState fontState_;
};

// The about window: a framed window holding the about page, shown modally over the
// backdrop.
class CDlgAboutMain : public CMainBorder {
public:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 350;
    static constexpr RECT kPagePlace{10, 72, 10 + 580, 72 + 226};

    CDlgAboutMain();
    ~CDlgAboutMain() override;

    CDlgAbout& Page() { return page_; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    void Close(INT_PTR result);

    CDlgAbout page_;
    DialogFontState fontState_;
    ui::ScopedBitmap separator_;
};
