#include "platform/html/script_call.h"

#include "platform/com_objects.h"

namespace {

// Holds the BSTR arguments of one call, the last argument first as Invoke takes them.
class ReversedTextArguments {
public:
    explicit ReversedTextArguments(const std::vector<std::wstring>& texts) : values_(texts.size()) {
        for (size_t i = 0; i < texts.size(); ++i) {
            VARIANT& value = values_[texts.size() - 1 - i];
            VariantInit(&value);
            value.vt = VT_BSTR;
            value.bstrVal = SysAllocStringLen(texts[i].data(), static_cast<UINT>(texts[i].size()));
        }
    }
    ~ReversedTextArguments() {
        for (VARIANT& value : values_) VariantClear(&value);
    }
    ReversedTextArguments(const ReversedTextArguments&) = delete;
    ReversedTextArguments& operator=(const ReversedTextArguments&) = delete;

    DISPPARAMS Parameters() {
        return DISPPARAMS{values_.empty() ? nullptr : values_.data(), nullptr, static_cast<UINT>(values_.size()), 0};
    }

private:
    std::vector<VARIANT> values_;
};

class ScopedExceptionRecord {
public:
    ScopedExceptionRecord() { ZeroMemory(&record_, sizeof(record_)); }
    ~ScopedExceptionRecord() {
        SysFreeString(record_.bstrSource);
        SysFreeString(record_.bstrDescription);
        SysFreeString(record_.bstrHelpFile);
    }
    ScopedExceptionRecord(const ScopedExceptionRecord&) = delete;
    ScopedExceptionRecord& operator=(const ScopedExceptionRecord&) = delete;
    EXCEPINFO* Get() { return &record_; }

private:
    EXCEPINFO record_;
};

}  // namespace

HRESULT CallScriptFunction(IDispatch* script, const std::wstring& name, const std::vector<std::wstring>& arguments,
                           VARIANT* result) {
    if (script == nullptr) return E_POINTER;
    std::wstring nameCopy = name;
    LPOLESTR names[] = {nameCopy.data()};
    DISPID member = DISPID_UNKNOWN;
    HRESULT hr = script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &member);
    if (FAILED(hr)) return hr;

    ReversedTextArguments values(arguments);
    DISPPARAMS parameters = values.Parameters();
    ScopedVariant answer;
    ScopedExceptionRecord exception;
    UINT badArgument = static_cast<UINT>(-1);
    hr = script->Invoke(member, IID_NULL, 0, DISPATCH_METHOD, &parameters, answer.Get(), exception.Get(),
                        &badArgument);
    if (FAILED(hr)) return hr;
    if (result != nullptr) {
        VariantClear(result);
        hr = VariantCopy(result, answer.Get());
    }
    return hr;
}
