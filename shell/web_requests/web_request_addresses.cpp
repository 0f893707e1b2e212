#include "shell/web_requests/web_request_addresses.h"

#include <windows.h>

#include "foundation/product_key.h"
#include "foundation/registry_values.h"
#include "platform/xml_text.h"

WebRequestAddresses DefaultWebRequestAddresses() {
    WebRequestAddresses addresses;
    addresses.programUpdate = L"https://update.brennavik.com/halvenor/update.ini";
    addresses.downloadPage = L"https://www.brennavik.com/halvenor/download";
    addresses.signup = L"https://www.brennavik.com/halvenor/driveralerts/register?email=<email>";
    addresses.signupConfirm =
        L"https://www.brennavik.com/halvenor/driveralerts/confirm?pid=<pid>&uid=<uid>&macid=<macid>&osid=<osid>"
        L"&appver=<appver>";
    return addresses;
}

WebRequestAddresses LoadWebRequestAddresses() {
    WebRequestAddresses addresses = DefaultWebRequestAddresses();
    const struct {
        const wchar_t* valueName;
        std::wstring* target;
    } overrides[] = {
        {L"ProgramUpdateAddress", &addresses.programUpdate},
        {L"ProgramDownloadPage", &addresses.downloadPage},
        {L"DriverAlertSignupAddress", &addresses.signup},
        {L"DriverAlertConfirmAddress", &addresses.signupConfirm},
    };
    for (const auto& o : overrides) {
        *o.target = ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, o.valueName, *o.target);
    }
    return addresses;
}

std::wstring PercentEncodeUtf8(const std::wstring& text) {
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring encoded;
    for (const unsigned char byte : Utf8FromWide(text)) {
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~';
        if (unreserved) {
            encoded += static_cast<wchar_t>(byte);
        } else {
            encoded += L'%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

void ReplacePlaceholder(std::wstring& address, const std::wstring& placeholder, const std::wstring& value) {
    if (placeholder.empty()) return;
    const std::wstring encoded = PercentEncodeUtf8(value);
    for (size_t at = address.find(placeholder); at != std::wstring::npos;
         at = address.find(placeholder, at + encoded.size())) {
        address.replace(at, placeholder.size(), encoded);
    }
}
