// The system's identifying values: WMI first, IP Helper and the workstation
// transports as the second source of adapter addresses.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <lm.h>
#include <objbase.h>
#include <wbemidl.h>

#include <cstdio>
#include <vector>

#include "platform/com_apartment.h"
#include "platform/trim_blanks.h"
#include "platform/com_objects.h"
#include "scan/hardware_hash.h"

namespace {

class Variant {
public:
    Variant() { VariantInit(&v_); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* Get() { return &v_; }

private:
    VARIANT v_;
};

// The property as text; false when it cannot be read or turned into text.
enum class Read { Ok, Missing, NotText };
Read ReadPropertyText(IWbemClassObject* object, const std::wstring& name, std::wstring& out) {
    Variant value;
    if (FAILED(object->Get(name.c_str(), 0, value.Get(), nullptr, nullptr))) return Read::Missing;
    if (V_VT(value.Get()) == VT_NULL || V_VT(value.Get()) == VT_EMPTY) return Read::NotText;
    if (V_VT(value.Get()) != VT_BSTR && FAILED(VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR))) {
        return Read::NotText;
    }
    const BSTR text = V_BSTR(value.Get());
    out.assign(text ? text : L"", text ? SysStringLen(text) : 0);
    return Read::Ok;
}

constexpr wchar_t kAdapterQuery[] =
    L"select name, macaddress from Win32_NetworkAdapter where netconnectionid<>NULL and macaddress<>NULL "
    L"and Manufacturer <> 'Microsoft' AND NOT PNPDeviceID LIKE 'ROOT\\\\%'";

}  // namespace

int SystemMachineFacts::QueryWmiClass(const std::wstring& className, std::vector<TextPair>& pairs) {
    if (pairs.empty()) return 0;
    const ComApartment apartment;
    if (!apartment.Usable()) return 1;
    ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.Put())))) {
        return 1;
    }
    ComPtr<IWbemServices> services;
    ScopedBstr root(L"ROOT\\CIMV2");
    if (FAILED(locator->ConnectServer(root.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Put()))) {
        return 1;
    }
    if (FAILED(CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE))) {
        return 1;
    }

    const bool adapters = className == L"Win32_NetworkAdapter";
    std::wstring query;
    if (adapters) {
        query = kAdapterQuery;
        pairs.clear();
    } else {
        std::wstring list;
        for (const auto& pair : pairs) list += (list.empty() ? L"" : L",") + pair.first;
        if (!list.empty() && list.front() == L',') list.erase(0, 1);
        if (!list.empty() && list.back() == L',') list.pop_back();
        query = L"select " + list + L" from " + className;
    }
    ComPtr<IEnumWbemClassObject> results;
    ScopedBstr language(L"WQL");
    ScopedBstr queryText(query);
    if (FAILED(services->ExecQuery(language.Get(), queryText.Get(),
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   results.Put()))) {
        return 1;
    }
    for (;;) {
        ComPtr<IWbemClassObject> object;
        ULONG returned = 0;
        if (FAILED(results->Next(static_cast<LONG>(WBEM_INFINITE), 1, object.Put(), &returned)) || returned == 0) {
            break;
        }
        if (adapters) {
            std::wstring name, address;
            if (ReadPropertyText(object.Get(), L"macaddress", address) != Read::Ok) continue;
            ReadPropertyText(object.Get(), L"name", name);
            address = TrimBlanks(address);
            std::wstring compact;
            for (wchar_t c : address) {
                if (c != L':') compact += c;
            }
            pairs.emplace_back(TrimBlanks(name), compact);
            continue;
        }
        for (auto& pair : pairs) {
            std::wstring text;
            const Read read = ReadPropertyText(object.Get(), pair.first, text);
            // A value that cannot be made text ends the query; what was read stays.
            if (read == Read::NotText) return 0;
            if (read == Read::Ok) pair.second = TrimBlanks(text);
        }
    }
    return 0;
}

void SystemMachineFacts::CollectAdapterAddresses(std::vector<std::wstring>& addresses) {
    addresses.clear();

    // Ask with room for sixteen adapters and retry with the size the call wants;
    // the list is walked only after a call that succeeded.
    ULONG size = 10368;
    std::vector<unsigned char> buffer;
    DWORD status = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        status = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    if (status == ERROR_SUCCESS) {
        for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); adapter; adapter = adapter->Next) {
            if (adapter->AddressLength < 6) continue;
            wchar_t text[13];
            std::swprintf(text, 13, L"%02X%02X%02X%02X%02X%02X", adapter->Address[0], adapter->Address[1],
                          adapter->Address[2], adapter->Address[3], adapter->Address[4], adapter->Address[5]);
            AddUniqueAddress(addresses, text);
        }
    }

    BYTE* transports = nullptr;
    DWORD read = 0, total = 0;
    if (NetWkstaTransportEnum(nullptr, 0, &transports, MAX_PREFERRED_LENGTH, &read, &total, nullptr) ==
            NERR_Success &&
        transports) {
        const auto* info = reinterpret_cast<const WKSTA_TRANSPORT_INFO_0*>(transports);
        for (DWORD i = 0; i < read; ++i) {
            const wchar_t* address = info[i].wkti0_transport_address;
            if (!address) continue;
            unsigned short parts[6] = {};
            if (std::swscanf(address, L"%2hx%2hx%2hx%2hx%2hx%2hx", &parts[0], &parts[1], &parts[2], &parts[3],
                             &parts[4], &parts[5]) != 6) {
                continue;
            }
            wchar_t text[13];
            std::swprintf(text, 13, L"%02X%02X%02X%02X%02X%02X", parts[0], parts[1], parts[2], parts[3], parts[4],
                          parts[5]);
            if (std::wstring(text) == L"000000000000") continue;
            AddUniqueAddress(addresses, text);
        }
    }
    if (transports) NetApiBufferFree(transports);
}
