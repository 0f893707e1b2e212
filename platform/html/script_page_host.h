#pragma once

#include <windows.h>
#include <activscp.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/html/page_host.h"
#include "platform/html/page_outline.h"
#include "platform/html/page_view_window.h"

class ScriptEngineSite;

// What the program gave one page, in its order: the texts put into elements and
// the script calls with their arguments.
struct ReceivedPageCalls {
    std::map<std::wstring, std::wstring> elementTexts;
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> calls;
};

// A page host for tests: the system's script engine runs the page's own scripts
// (in the language mode of a page shown in the newest document mode) against a
// small stand-in of the document and of jQuery, so that calls into the page reach
// its real functions and a test reads back what they put into the elements.
// Nothing is drawn.
class ScriptPageHost : public PageHost {
public:
    ScriptPageHost();
    ~ScriptPageHost() override;

    bool Open(HWND window, HMODULE module, UINT resourceId, PageHostEvents& events) override;
    void Close() override;
    void SetHostFlags(DWORD flags) override { hostFlags_ = flags; }
    void RefuseDrops() override { refusesDrops_ = true; }
    void Resize(const RECT& area) override { view_.Resize(area); }
    ComPtr<IHTMLDocument> Document() override;
    bool SetElementText(const std::wstring& id, const std::wstring& text) override;
    bool TranslateKey(MSG&) override { return false; }

    // Runs a page resource read from `markup` (its scripts still come from the
    // module), for pages written by a test.
    bool OpenMarkup(HWND window, HMODULE module, const std::wstring& markup, PageHostEvents& events);

    // What the page shows, read through the stand-in.
    bool HasElement(const std::wstring& id);
    std::wstring ElementText(const std::wstring& id);
    bool IsElementVisible(const std::wstring& id);
    std::wstring ElementValue(const std::wstring& id);
    void SetElementValue(const std::wstring& id, const std::wstring& value);
    std::wstring ElementAttribute(const std::wstring& id, const std::wstring& name);
    // A user's click: the page's own handlers first, then the window's events,
    // with the element's ancestors from the markup.
    void Click(const std::wstring& id);
    // A user's click on the `index`-th element that `selector` finds (tag names,
    // ids and classes, steps separated by blanks); false when there is none. The
    // clicks the page's script makes on elements with ids reach the window.
    bool ClickAt(const std::wstring& selector, int index);
    // How many elements `selector` finds; the text and an attribute of one.
    int Count(const std::wstring& selector);
    std::wstring TextAt(const std::wstring& selector, int index);
    std::wstring AttributeAt(const std::wstring& selector, int index, const std::wstring& name);
    // Reports `event` on the element to the window as the browser would; the
    // window's answer (S_FALSE cancels).
    HRESULT Fire(PageEvent event, const std::wstring& id);
    // Runs the page's waiting timeouts once.
    void RunTimers();
    // Lets a process that drives the program from outside act on the page through
    // its view window (see PageViewWindow::AnswerRequests). Lines of a request:
    // "has|text|visible|value <id>", "setvalue <id> <value>", "click <id>",
    // "count <selector>", "textat|clickat <selector> <index>", "timers", "errors",
    // "received" (ReceivedJson).
    // Clicks run from the view's own queue, after the answer went back.
    void AnswerOtherProcesses() { answersOthers_ = true; }
    std::wstring AnswerRequest(const std::wstring& request);

    // What the program gave the page since it opened, so that a run driven from
    // outside can show the page elsewhere as the program filled it; as JSON:
    // {"resource": <number>, "elementTexts": {id: text}, "calls": [{"function",
    // "arguments"}]}.
    const ReceivedPageCalls& Received() const { return *received_; }
    std::wstring ReceivedJson() const;

    // Errors that the engine reported while parsing or running the page's scripts
    // (source, line and description), and scripts the page names that the module
    // lacks.
    const std::vector<std::wstring>& ScriptErrors() const { return errors_; }
    DWORD HostFlags() const { return hostFlags_; }
    bool RefusesDrops() const { return refusesDrops_; }
    UINT ResourceId() const { return resourceId_; }

private:
    bool StartEngine();
    bool RunScript(const std::wstring& text, const std::wstring& source);
    HRESULT CallDom(const std::wstring& name, const std::vector<std::wstring>& arguments, VARIANT* result = nullptr);
    std::wstring CallDomText(const std::wstring& name, const std::vector<std::wstring>& arguments);
    std::vector<PageElement> PathOf(const std::wstring& id) const;
    // Hands the window the clicks that the page's script made since the last look.
    void FireScriptClicks();

    PageHostEvents* events_ = nullptr;
    PageViewWindow view_;
    PageOutline outline_;
    ComPtr<ScriptEngineSite> site_;
    ComPtr<IActiveScript> engine_;
    ComPtr<IHTMLDocument> document_;
    std::vector<std::wstring> errors_;
    DWORD hostFlags_ = 0;
    bool refusesDrops_ = false;
    UINT resourceId_ = 0;
    bool answersOthers_ = false;
    // Shared with the script object handed out, which may outlive the host.
    std::shared_ptr<ReceivedPageCalls> received_ = std::make_shared<ReceivedPageCalls>();
};

// The text of an HTML resource of `module` (UTF-8, a byte-order mark allowed);
// empty when the module has none of that name.
std::wstring LoadPageResource(HMODULE module, const wchar_t* name);
