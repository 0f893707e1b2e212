#include "scan/service_addresses.h"

#include <windows.h>

#include "foundation/product_key.h"
#include "foundation/registry_values.h"

ServiceAddresses DefaultServiceAddresses() {
    ServiceAddresses addresses;
    addresses.updateFirst = std::wstring(L"https://update1.brennavik.com") + ServiceAddresses::kUpdateServicePath;
    addresses.updateSecond = std::wstring(L"https://update2.brennavik.com") + ServiceAddresses::kUpdateServicePath;
    addresses.miscFirst = std::wstring(L"https://update1.brennavik.com") + ServiceAddresses::kMiscServicePath;
    addresses.miscSecond = std::wstring(L"https://update2.brennavik.com") + ServiceAddresses::kMiscServicePath;
    addresses.serviceNamespace = L"http://services.brennavik.com/";
    return addresses;
}

ServiceAddresses LoadServiceAddresses() {
    ServiceAddresses addresses = DefaultServiceAddresses();
    const struct {
        const wchar_t* valueName;
        std::wstring* target;
    } overrides[] = {
        {L"UpdateServiceAddress1", &addresses.updateFirst}, {L"UpdateServiceAddress2", &addresses.updateSecond},
        {L"MiscServiceAddress1", &addresses.miscFirst},     {L"MiscServiceAddress2", &addresses.miscSecond},
        {L"ServiceNamespace", &addresses.serviceNamespace},
    };
    for (const auto& o : overrides) {
        *o.target = ReadRegStringDefault(HKEY_CURRENT_USER, kProductKeyPath, o.valueName, *o.target);
    }
    if (!addresses.serviceNamespace.empty() && addresses.serviceNamespace.back() != L'/') {
        addresses.serviceNamespace += L'/';
    }
    return addresses;
}
