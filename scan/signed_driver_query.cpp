#include <windows.h>

#include "platform/com_apartment.h"
#include <wbemidl.h>

#include "scan/installed_driver_details.h"

#include "platform/scoped_handle.h"
#include "platform/com_objects.h"

namespace {

// A property as text; null or unreadable values give an empty text.
std::wstring ReadPropertyText(IWbemClassObject* object, const wchar_t* name) {
    VARIANT value;
    VariantInit(&value);
    std::wstring text;
    if (SUCCEEDED(object->Get(name, 0, &value, nullptr, nullptr)) && value.vt != VT_NULL && value.vt != VT_EMPTY) {
        VARIANT converted;
        VariantInit(&converted);
        if (SUCCEEDED(VariantChangeType(&converted, &value, 0, VT_BSTR)) && converted.bstrVal != nullptr) {
            text.assign(converted.bstrVal, SysStringLen(converted.bstrVal));
        }
        VariantClear(&converted);
    }
    VariantClear(&value);
    return text;
}

}  // namespace

bool EnsureWmiServiceRunning() {
    ScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.Valid()) return false;
    ScopedServiceHandle service(OpenServiceW(manager.Get(), L"winmgmt", SERVICE_ALL_ACCESS));
    if (!service.Valid()) return false;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.Get(), &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) {
        if (!ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
            return false;
        }
        return StartServiceW(service.Get(), 0, nullptr) != FALSE;
    }
    if (status.dwCurrentState == SERVICE_PAUSED) {
        SERVICE_STATUS after{};
        return ControlService(service.Get(), SERVICE_CONTROL_CONTINUE, &after) != FALSE;
    }
    return true;
}

bool QuerySignedDrivers(SignedDriverTable& table) {
    // A failed query must not leave an earlier scan's rows behind.
    table.rows.clear();
    table.truncated = false;
    if (!EnsureWmiServiceRunning()) return false;

    // Callers run in an apartment of their own; this thread's COM mode is kept.
    const ComApartment apartment;
    if (!apartment.Usable() || !InitializeComSecurity(RPC_C_AUTHN_LEVEL_PKT)) return false;

    const CLSID administrativeLocator = {
        0xCB8555CC, 0x9128, 0x11D1, {0xAD, 0x9B, 0x00, 0xC0, 0x4F, 0xD8, 0xFD, 0xFF}};
    ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(administrativeLocator, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IWbemLocator, reinterpret_cast<void**>(locator.Put())))) {
        return false;
    }
    ComPtr<IWbemServices> services;
    ScopedBstr space(L"root\\cimv2");
    if (FAILED(locator->ConnectServer(space.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Put()))) {
        return false;
    }
    ComPtr<IEnumWbemClassObject> results;
    ScopedBstr language(L"WQL");
    ScopedBstr query(L"Select * from Win32_PnPSignedDriver");
    if (FAILED(services->ExecQuery(language.Get(), query.Get(), WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   results.Put()))) {
        return false;
    }
    results->Reset();

    for (;;) {
        ComPtr<IWbemClassObject> object;
        ULONG returned = 0;
        if (results->Next(WBEM_INFINITE, 1, object.Put(), &returned) != WBEM_S_NO_ERROR || returned == 0) break;
        if (table.rows.size() >= SignedDriverTable::kCapacity) {
            table.truncated = true;
            break;
        }
        SignedDriverEntry entry;
        entry.deviceName = ReadPropertyText(object.Get(), L"DeviceName");
        entry.signer = ReadPropertyText(object.Get(), L"Signer");
        entry.friendlyName = ReadPropertyText(object.Get(), L"FriendlyName");
        table.rows.push_back(std::move(entry));
    }
    return !table.rows.empty();
}
