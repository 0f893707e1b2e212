#include "shell/web_page.h"

#include <utility>

#include "platform/html/script_call.h"

std::wstring ScriptErrorReason(HRESULT hr) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), reinterpret_cast<LPWSTR>(&text), 0,
        nullptr);
    if (length == 0 || text == nullptr) return L"FormatMessage Native Error";
    std::wstring reason(text, length);
    LocalFree(text);
    return reason;
}

void CWebPage::SetDocument(ComPtr<IHTMLDocument> document) {
    document_ = std::move(document);
    if (!document_) AddScriptError(L"NULL pointer");
}

void CWebPage::AddScriptError(const std::wstring& text) { errorText_ = L"JSCall Error:\n" + text; }

bool CWebPage::InvokeScript(const std::wstring& function) { return InvokeScriptArgs(function, {}); }

bool CWebPage::InvokeScript1(const std::wstring& function, const std::wstring& argument) {
    return InvokeScriptArgs(function, {argument});
}

bool CWebPage::InvokeScript2(const std::wstring& function, const std::wstring& first, const std::wstring& second) {
    return InvokeScriptArgs(function, {first, second});
}

bool CWebPage::InvokeScript3(const std::wstring& function, const std::wstring& first, const std::wstring& second,
                             const std::wstring& third) {
    return InvokeScriptArgs(function, {first, second, third});
}

bool CWebPage::InvokeScriptArgs(const std::wstring& function, const std::vector<std::wstring>& arguments,
                                VARIANT* result) {
    if (!document_) {
        AddScriptError(L"NULL pointer");
        AddScriptError(L"Cannot GetScript");
        return false;
    }
    ComPtr<IDispatch> script;
    if (FAILED(document_->get_Script(script.Put())) || !script) {
        AddScriptError(L"Cannot GetScript");
        return false;
    }
    const HRESULT hr = CallScriptFunction(script.Get(), function, arguments, result);
    if (FAILED(hr)) {
        AddScriptError(ScriptErrorReason(hr));
        return false;
    }
    return true;
}

bool CWebPage::InvokeScriptInteger(const std::wstring& function, const std::vector<std::wstring>& arguments,
                                   int& value) {
    ScopedVariant result;
    if (!InvokeScriptArgs(function, arguments, result.Get())) return false;
    const HRESULT hr = VariantChangeType(result.Get(), result.Get(), 0, VT_I4);
    if (FAILED(hr)) {
        AddScriptError(ScriptErrorReason(hr));
        return false;
    }
    value = result.Value().lVal;
    return true;
}
