#pragma once

#include <windows.h>
#include <mshtml.h>

#include <string>
#include <vector>

#include "platform/com_objects.h"

// The bridge from a screen into its page's script: calls a page function by name
// with text arguments. A failed call never reaches the user: it is kept in the
// error text for diagnosis and answered with false.
class CWebPage {
public:
    CWebPage() = default;
    virtual ~CWebPage() = default;
    CWebPage(const CWebPage&) = delete;
    CWebPage& operator=(const CWebPage&) = delete;

    // The document of the page's completed load; the reference to the previous
    // one goes. Without a document, "NULL pointer" is recorded.
    void SetDocument(ComPtr<IHTMLDocument> document);
    IHTMLDocument* Document() const { return document_.Get(); }

    bool InvokeScript(const std::wstring& function);
    bool InvokeScript1(const std::wstring& function, const std::wstring& argument);
    bool InvokeScript2(const std::wstring& function, const std::wstring& first, const std::wstring& second);
    bool InvokeScript3(const std::wstring& function, const std::wstring& first, const std::wstring& second,
                       const std::wstring& third);
    // The general call: the function receives the texts as its arguments in this
    // order; its result goes to `result` when one is given.
    bool InvokeScriptArgs(const std::wstring& function, const std::vector<std::wstring>& arguments,
                          VARIANT* result = nullptr);
    // For the page functions that hand a number back (rows and items the user
    // picked); false when the call failed or its answer is not a number.
    bool InvokeScriptInteger(const std::wstring& function, const std::vector<std::wstring>& arguments, int& value);

    void AddScriptError(const std::wstring& text);
    const std::wstring& ErrorText() const { return errorText_; }

private:
    ComPtr<IHTMLDocument> document_;
    std::wstring errorText_;
};

// The system's text for `hr`, or "FormatMessage Native Error" when it has none.
std::wstring ScriptErrorReason(HRESULT hr);
