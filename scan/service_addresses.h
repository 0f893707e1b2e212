#pragma once

#include <string>

// Where the two web services live. Every address may be changed under the product
// key ("UpdateServiceAddress1", "UpdateServiceAddress2", "MiscServiceAddress1",
// "MiscServiceAddress2", "ServiceNamespace"), which is how a local stand-in of the
// services is put in their place.
struct ServiceAddresses {
    static constexpr wchar_t kUpdateServicePath[] = L"/driverupdateservicenew/updateservice.asmx";
    static constexpr wchar_t kMiscServicePath[] = L"/miscservice/miscservice.asmx";
    static constexpr size_t kMaxAddressLength = 259;

    std::wstring updateFirst;
    std::wstring updateSecond;
    std::wstring miscFirst;
    std::wstring miscSecond;
    std::wstring serviceNamespace;  // ends in "/"
};

// The built-in addresses.
ServiceAddresses DefaultServiceAddresses();

// The built-in addresses with what the current user's product key overrides.
ServiceAddresses LoadServiceAddresses();
