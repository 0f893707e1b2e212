#include "shell/html_dialog/child_html_dialog.h"

#include <shellapi.h>

#include "foundation/daily_log.h"
#include "shell/html_dialog/key_state.h"
#include "shell/toolkit/toolkit_context.h"

namespace {

constexpr const wchar_t* kTagNames[] = {
    L"a",        L"abbr",     L"acronym",  L"address",  L"applet",   L"area",     L"b",        L"base",
    L"basefont", L"bdo",      L"bgsound",  L"big",      L"blink",    L"blockquote", L"body",   L"br",
    L"button",   L"caption",  L"center",   L"cite",     L"code",     L"col",      L"colgroup", L"comment",
    L"dd",       L"del",      L"dfn",      L"dir",      L"div",      L"dl",       L"dt",       L"em",
    L"embed",    L"fieldset", L"font",     L"form",     L"frame",    L"frameset", L"h1",       L"h2",
    L"h3",       L"h4",       L"h5",       L"h6",       L"head",     L"hr",       L"html",     L"i",
    L"iframe",   L"img",      L"input",    L"ins",      L"isindex",  L"kbd",      L"label",    L"legend",
    L"li",       L"link",     L"listing",  L"map",      L"marquee",  L"menu",     L"meta",     L"nextid",
    L"nobr",     L"noembed",  L"noframes", L"noscript", L"object",   L"ol",       L"optgroup", L"option",
    L"p",        L"param",    L"plaintext", L"pre",     L"q",        L"rt",       L"ruby",     L"s",
    L"samp",     L"script",   L"select",   L"small",    L"span",     L"strike",   L"strong",   L"style",
    L"sub",      L"sup",      L"table",    L"tbody",    L"td",       L"textarea", L"tfoot",    L"th",
    L"thead",    L"title",    L"tr",       L"tt",       L"u",        L"ul",       L"var",      L"wbr",
    L"xml",      L"xmp",
};

}  // namespace

bool IsKeyHeld(SHORT state) { return (static_cast<USHORT>(state) & 0x8000) != 0; }

std::span<const wchar_t* const> AllHtmlTagNames() { return kTagNames; }

CChildHtmlDialog::CChildHtmlDialog(UINT templateId, UINT pageResourceId, HINSTANCE resourceModule)
    : Dialog(templateId, resourceModule), pageResourceId_(pageResourceId) {}

CChildHtmlDialog::~CChildHtmlDialog() {
    if (host_) host_->Close();
}

std::span<const HtmlEventEntry> CChildHtmlDialog::EventTable() const {
    static const std::vector<HtmlEventEntry> table = [] {
        std::vector<HtmlEventEntry> entries = {
            OnElement(L"ButtonOK", PageEvent::Click, &CChildHtmlDialog::OnButtonOK),
            OnElement(L"ButtonCancel", PageEvent::Click, &CChildHtmlDialog::OnButtonCancel),
        };
        for (const wchar_t* tag : kTagNames) {
            for (PageEvent event : {PageEvent::SelectStart, PageEvent::DragStart, PageEvent::ContextMenu}) {
                entries.push_back(OnTag(tag, event, &CChildHtmlDialog::OnSelectDragOrMenu));
            }
        }
        return entries;
    }();
    return table;
}

BOOL CChildHtmlDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    host_ = CreatePageHost();
    bool opened = false;
    if (host_) {
        host_->SetHostFlags(HostFlags());
        opened = host_->Open(Handle(), ResourceModule(), pageResourceId_, *this);
    }
    if (!opened) {
        // The window stays and works without its page (a system without a document
        // engine); the screen decides what to do instead.
        WriteLogLine(L"HTML page %u could not be shown", pageResourceId_);
    }
    // The browser registers itself as a drop target when it starts and again when
    // the window stops taking files: it is told no on both sides of that.
    RefuseDrops();
    DragAcceptFiles(Handle(), FALSE);
    RefuseDrops();
    if (!opened) OnPageUnavailable();
    return TRUE;
}

void CChildHtmlDialog::RefuseDrops() {
    if (host_) host_->RefuseDrops();
}

bool CChildHtmlDialog::SetElementText(const std::wstring& id, const std::wstring& text) {
    return host_ && host_->SetElementText(id, text);
}

void CChildHtmlDialog::OnOK() {
    if (IsKeyHeld(ReadAsyncKeyState(VK_RETURN))) return;
    Dialog::OnOK();
}

void CChildHtmlDialog::OnCancel() {
    if (IsKeyHeld(ReadAsyncKeyState(VK_ESCAPE))) return;
    Dialog::OnCancel();
}

bool CChildHtmlDialog::PreTranslateMessage(MSG& message) {
    const auto held = [](int key) { return IsKeyHeld(ReadAsyncKeyState(key)); };
    const auto anyHeld = [&](std::initializer_list<int> keys) {
        for (int key : keys) {
            if (held(key)) return true;
        }
        return false;
    };
    if ((message.message == WM_SYSKEYDOWN || message.message == WM_SYSKEYUP) && message.wParam == VK_F4) {
        message.wParam = 0;
    }
    if (message.message == WM_KEYDOWN) {
        switch (message.wParam) {
            case VK_RETURN:
            case VK_ESCAPE:
            case VK_SPACE:
            case VK_F4:
                message.wParam = 0;
                break;
            default:
                break;
        }
        // Reload, print, new window, find, select all and the browser's own menus.
        if (anyHeld({VK_F5, VK_F4})) return true;
        if (IsKeyHeld(ReadKeyState(VK_CONTROL)) && anyHeld({'O', 'P', 'N', 'A', '5', 'F', VK_NUMPAD5})) return true;
        if ((IsKeyHeld(ReadKeyState(VK_LMENU)) || IsKeyHeld(ReadKeyState(VK_RMENU))) &&
            anyHeld({'O', 'P', 'G', 'H', VK_F4})) {
            return true;
        }
    }
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST && host_ && host_->TranslateKey(message)) {
        return true;
    }
    return Dialog::PreTranslateMessage(message);
}

LRESULT CChildHtmlDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DROPFILES:
            DragAcceptFiles(Handle(), FALSE);
            RefuseDrops();
            DragFinish(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return 0;
        case WM_SIZE:
            if (host_) host_->Resize(ClientRect());
            break;
        case WM_DESTROY:
            if (host_) host_->Close();
            break;
        default:
            if (ui::IsControlColourMessage(message)) return reinterpret_cast<LRESULT>(SharedWhiteBrush());
            break;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void CChildHtmlDialog::OnDocumentComplete() {
    m_webPage.SetDocument(host_ ? host_->Document() : ComPtr<IHTMLDocument>());
    OnDocumentReady();
}

void CChildHtmlDialog::OnLoadFailed() {
    WriteLogLine(L"HTML page %u failed to load", pageResourceId_);
    OnPageLoadFailed();
}

HRESULT CChildHtmlDialog::OnElementEvent(PageEvent event, const std::vector<PageElement>& path) {
    return DispatchPageEvent(event, path);
}

HRESULT CChildHtmlDialog::DispatchPageEvent(PageEvent event, const std::vector<PageElement>& path) {
    if (path.empty()) return S_OK;
    // A click that comes with Escape held is the tail of a key the page swallowed.
    // Only the down bit counts: the low bit says Escape went down at some time since
    // anyone on the desktop last asked, and would swallow the next real click.
    if (event == PageEvent::Click && IsKeyHeld(ReadAsyncKeyState(VK_ESCAPE))) return S_OK;
    for (const HtmlEventEntry& entry : EventTable()) {
        if (entry.event != event || entry.handler == nullptr) continue;
        if (entry.match == HtmlEventEntry::Match::TagName) {
            if (path.front().tagName == entry.name) return (this->*entry.handler)(path.front());
            continue;
        }
        for (const PageElement& element : path) {
            if (element.id == entry.name) return (this->*entry.handler)(element);
        }
    }
    return S_OK;
}

HRESULT CChildHtmlDialog::OnButtonOK(const PageElement&) {
    OnOK();
    return S_OK;
}

HRESULT CChildHtmlDialog::OnButtonCancel(const PageElement&) {
    OnCancel();
    return S_OK;
}

HRESULT CChildHtmlDialog::OnSelectDragOrMenu(const PageElement& element) {
    return element.isTextEdit ? S_OK : S_FALSE;
}
