#include "foundation/guid_text.h"

#include <objbase.h>

#include <algorithm>

bool GuidFromString(const std::wstring& text, GUID& guid) {
    std::wstring braced = L"{" + text + L"}";
    return SUCCEEDED(CLSIDFromString(braced.c_str(), &guid));
}

bool GuidToString(const GUID& guid, std::wstring& text) {
    wchar_t buffer[40] = {};
    if (StringFromGUID2(guid, buffer, 40) == 0) return false;
    text = buffer;
    return true;
}

bool GuidFromDriverKey(const std::wstring& driverKey, GUID& guid) {
    std::wstring classPart = driverKey.substr(0, driverKey.find(L'\\'));
    classPart.erase(std::remove_if(classPart.begin(), classPart.end(),
                                   [](wchar_t c) { return c == L'{' || c == L'}'; }),
                    classPart.end());
    return GuidFromString(classPart, guid);
}
