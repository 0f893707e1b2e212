#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/html/page_host.h"
#include "platform/ui/dialog.h"
#include "shell/web_page.h"

class CChildHtmlDialog;

// A handler of a page event: a member of the screen, given the element the entry
// matched; S_FALSE cancels what the page would do by default.
using HtmlEventHandler = HRESULT (CChildHtmlDialog::*)(const PageElement& element);

// One entry of a screen's event table: an element by its id (the clicked element or
// the nearest of its ancestors that carries the id) or any element of a tag name,
// one event, and the handler.
struct HtmlEventEntry {
    enum class Match { ElementId, TagName };
    Match match;
    const wchar_t* name;
    PageEvent event;
    HtmlEventHandler handler;
};

// The entries, written in a screen's table as
//   OnElement(L"ButtonScan", PageEvent::Click, &CMyScreen::OnScanClicked)
//   OnTag(L"input", PageEvent::DragStart, &CMyScreen::OnInputDrag)
template <class Screen>
constexpr HtmlEventEntry OnElement(const wchar_t* id, PageEvent event, HRESULT (Screen::*handler)(const PageElement&)) {
    static_assert(std::is_base_of_v<CChildHtmlDialog, Screen>);
    return {HtmlEventEntry::Match::ElementId, id, event, static_cast<HtmlEventHandler>(handler)};
}
template <class Screen>
constexpr HtmlEventEntry OnTag(const wchar_t* tagName, PageEvent event, HRESULT (Screen::*handler)(const PageElement&)) {
    static_assert(std::is_base_of_v<CChildHtmlDialog, Screen>);
    return {HtmlEventEntry::Match::TagName, tagName, event, static_cast<HtmlEventHandler>(handler)};
}

// The tag names whose selecting, dragging and context menu the pages filter.
std::span<const wchar_t* const> AllHtmlTagNames();

// The base of the program's HTML screens: a dialog of its own template whose
// whole client area shows one HTML page of the program's resources, made a fixed
// part of the program: no context menu, no dropped files, no browser keys, Enter
// and Escape held down never close it.
//
// A screen:
//   class CMyScreen : public CChildHtmlDialog {
//   public:
//       CMyScreen() : CChildHtmlDialog(kTemplateId, kPageId) {}
//   protected:
//       std::span<const HtmlEventEntry> EventTable() const override;
//       void OnDocumentReady() override { m_webPage.InvokeScript1(L"setlanguage", ...); }
//   private:
//       HRESULT OnScanClicked(const PageElement&);
//       static const HtmlEventEntry kEvents[];
//   };
//   const HtmlEventEntry CMyScreen::kEvents[] = {
//       OnElement(L"ButtonScan", PageEvent::Click, &CMyScreen::OnScanClicked),
//   };
//   std::span<const HtmlEventEntry> CMyScreen::EventTable() const { return kEvents; }
// A screen's table replaces the base's (the OK and Cancel buttons and the
// selection filter): a screen that wants them lists them again, with the base's
// handlers `OnButtonOK`, `OnButtonCancel` and `OnSelectDragOrMenu`. The first
// matching entry handles an event. No click handler runs while Escape is held.
//
// After every completed load the page's document goes to `m_webPage`, then
// `OnDocumentReady` makes the screen's calls into the page. When the page cannot be
// shown at all the window still works, blank, and `OnPageUnavailable` tells the
// screen.
class CChildHtmlDialog : public ui::Dialog, private PageHostEvents {
public:
    // DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO
    static constexpr DWORD kHostFlags = 0x0D;

    CChildHtmlDialog(UINT templateId, UINT pageResourceId, HINSTANCE resourceModule = nullptr);
    ~CChildHtmlDialog() override;

    bool PreTranslateMessage(MSG& message) override;

    UINT PageResourceId() const { return pageResourceId_; }
    // The host showing the page; null before the window exists or when none could
    // be made.
    PageHost* Host() const { return host_.get(); }
    // Puts `text` into the element as text, never as markup.
    bool SetElementText(const std::wstring& id, const std::wstring& text);

    // Runs the event table for an event on `path` (the element first, then its
    // ancestors); what the page host reports comes here.
    HRESULT DispatchPageEvent(PageEvent event, const std::vector<PageElement>& path);

    // The bridge into the page's script.
    CWebPage m_webPage;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    virtual std::span<const HtmlEventEntry> EventTable() const;
    virtual DWORD HostFlags() const { return kHostFlags; }
    virtual void OnDocumentReady() {}
    virtual void OnPageUnavailable() {}
    // The view exists but its page failed to load.
    virtual void OnPageLoadFailed() {}

    // The base's handlers, for screens that list them in their own tables.
    HRESULT OnButtonOK(const PageElement& element);
    HRESULT OnButtonCancel(const PageElement& element);
    // Text may be selected, dragged and right-clicked only inside input fields.
    HRESULT OnSelectDragOrMenu(const PageElement& element);

private:
    void OnDocumentComplete() override;
    void OnLoadFailed() override;
    HRESULT OnElementEvent(PageEvent event, const std::vector<PageElement>& path) override;
    void RefuseDrops();

    UINT pageResourceId_;
    std::unique_ptr<PageHost> host_;
};

// True while the key reads as held (the high bit of the key state).
bool IsKeyHeld(SHORT state);
