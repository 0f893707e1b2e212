#pragma once

#include <windows.h>
#include <mshtml.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com_objects.h"

// The element events a page hands to its window, by the numbers the browser gives
// them.
enum class PageEvent : DISPID {
    Click = -600,
    SelectStart = static_cast<DISPID>(0x8001000C),
    DragStart = static_cast<DISPID>(0x8001000B),
    ContextMenu = 1023,
};

// One element as the window sees it.
struct PageElement {
    std::wstring id;
    std::wstring tagName;  // lower case
    bool isTextEdit = false;
};

// What a page host reports to the window that shows the page.
class PageHostEvents {
public:
    virtual ~PageHostEvents() = default;
    // The top document finished loading (after every load).
    virtual void OnDocumentComplete() = 0;
    // The top document could not be loaded; no document-complete follows for it.
    virtual void OnLoadFailed() {}
    // `event` happened on `path.front()`; the rest of `path` are its ancestors, the
    // nearest first. S_FALSE cancels what the page would do by default.
    virtual HRESULT OnElementEvent(PageEvent event, const std::vector<PageElement>& path) = 0;
};

// Host flags of the page view (the browser's DOCHOSTUIFLAG values).
namespace page_host_flags {
constexpr DWORD kDialog = 0x1;
constexpr DWORD kNo3DBorder = 0x4;
constexpr DWORD kScrollNo = 0x8;
constexpr DWORD kOpenNewWindow = 0x20;
}  // namespace page_host_flags

// Shows one HTML page of the program's resources inside a window and gives the
// window the page's document and element events. The browser control is the real
// one; tests choose a host that runs the page's script without a browser, or one
// that only records.
class PageHost {
public:
    virtual ~PageHost() = default;

    // Creates the page view over the client area of `window` and starts loading the
    // HTML resource `resourceId` of `module`; document-complete follows through
    // `events` once the window's messages are pumped. False when no view could be
    // made; the host then has no document.
    virtual bool Open(HWND window, HMODULE module, UINT resourceId, PageHostEvents& events) = 0;
    // Takes the view down; the host reports nothing afterwards.
    virtual void Close() = 0;
    virtual void SetHostFlags(DWORD flags) = 0;
    // Tells the view not to accept dropped files nor to register as a browser.
    virtual void RefuseDrops() = 0;
    virtual void Resize(const RECT& area) = 0;
    // The loaded document, empty while there is none.
    virtual ComPtr<IHTMLDocument> Document() = 0;
    // Puts `text` into the element as its text (never as markup). False when the
    // page has no such element or no document.
    virtual bool SetElementText(const std::wstring& id, const std::wstring& text) = 0;
    // Gives the view its chance at a key message of the window's thread; true when
    // the view used it.
    virtual bool TranslateKey(MSG& message) = 0;
};

using PageHostFactory = std::function<std::unique_ptr<PageHost>()>;

// A new host of the kind in force: the browser control unless a test installed a
// factory of its own.
std::unique_ptr<PageHost> CreatePageHost();

// Makes CreatePageHost use `factory` while the object lives.
class ScopedPageHostFactory {
public:
    explicit ScopedPageHostFactory(PageHostFactory factory);
    ~ScopedPageHostFactory();
    ScopedPageHostFactory(const ScopedPageHostFactory&) = delete;
    ScopedPageHostFactory& operator=(const ScopedPageHostFactory&) = delete;

private:
    PageHostFactory previous_;
};
