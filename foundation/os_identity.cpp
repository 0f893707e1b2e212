#include "foundation/os_identity.h"

#include <mutex>

namespace {

constexpr int kArchitectureX64 = 9;
constexpr int kArchitectureItanium = 6;

// One id for a workstation and one for a server, each with its x64 variant.
int ByEdition(bool workstation, bool x64, int workstationId, int serverId) {
    return (workstation ? workstationId : serverId) + (x64 ? 1 : 0);
}

int NtOsId(const OsVersionFacts& facts) {
    const bool workstation = facts.productType == 1;
    const bool x64 = facts.processorArchitecture == kArchitectureX64;
    const bool itanium = facts.processorArchitecture == kArchitectureItanium;
    const DWORD major = facts.major;
    const DWORD minor = facts.minor;

    if (major == 4 && minor == 0) return 10;
    if (major == 5 && minor == 0) return itanium ? 17 : 3;
    if (major == 5 && minor == 1) return 4;
    if (major == 5 && minor == 2) {
        if (x64) return workstation ? 7 : 8;
        if (itanium) return workstation ? 18 : 19;
        return 5;
    }
    if (major == 6 && minor == 0) {
        if (workstation) return x64 ? 9 : 6;
        if (x64) return 16;
        return itanium ? 20 : 11;
    }
    if (major == 6 && minor == 1) {
        if (workstation) return x64 ? 21 : 12;
        return x64 ? 29 : 28;
    }
    if (major == 6 && minor == 2) return ByEdition(workstation, x64, 22, 30);
    if (major == 6 && minor == 3) return ByEdition(workstation, x64, 24, 32);
    if (major == 10 && minor == 0) return ByEdition(workstation, x64, 26, 34);
    return (facts.suiteMask & 0x8000) != 0 ? 14 : -1;
}

struct OsIdCache {
    std::mutex lock;
    int values[4] = {0, 0, 0, 0};
};

OsIdCache& LastOsId() {
    static OsIdCache cache;
    return cache;
}

}  // namespace

int OsIdFromFacts(const OsVersionFacts& facts) {
    if (facts.platformId == 1) {
        if (facts.major == 4 && facts.minor == 10) return 1;
        if (facts.major == 4 && facts.minor == 90) return 2;
        return -1;
    }
    if (facts.platformId == 2) return NtOsId(facts);
    return -1;
}

OsVersionFacts ReadOsVersionFacts() {
    OsVersionFacts facts;
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        facts.platformId = version.dwPlatformId;
        facts.major = version.dwMajorVersion;
        facts.minor = version.dwMinorVersion;
        facts.build = version.dwBuildNumber;
        facts.productType = version.wProductType;
        facts.suiteMask = version.wSuiteMask;
    }

    SYSTEM_INFO system{};
    using NativeInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto native = kernel != nullptr
                            ? reinterpret_cast<NativeInfoFn>(
                                  reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")))
                            : nullptr;
    if (native != nullptr) {
        native(&system);
    } else {
        GetSystemInfo(&system);
    }
    facts.processorArchitecture = system.wProcessorArchitecture;
    return facts;
}

int GetOsId(int& productType, int& major, int& minor, int& processorArchitecture) {
    const OsVersionFacts facts = ReadOsVersionFacts();
    productType = facts.productType;
    major = static_cast<int>(facts.major);
    minor = static_cast<int>(facts.minor);
    processorArchitecture = facts.processorArchitecture;
    return OsIdFromFacts(facts);
}

std::wstring GetOsIdString() {
    int productType = 0;
    int major = 0;
    int minor = 0;
    int architecture = 0;
    const int id = GetOsId(productType, major, minor, architecture);
    OsIdCache& cache = LastOsId();
    {
        std::lock_guard<std::mutex> guard(cache.lock);
        cache.values[0] = major;
        cache.values[1] = minor;
        cache.values[2] = productType;
        cache.values[3] = architecture;
    }
    return std::to_wstring(id);
}

std::wstring GetOsIdCachedValue(int index) {
    if (index < 0 || index > 3) return std::wstring();
    OsIdCache& cache = LastOsId();
    std::lock_guard<std::mutex> guard(cache.lock);
    return std::to_wstring(cache.values[index]);
}

int GetOsIdCode() {
    int productType = 0;
    int major = 0;
    int minor = 0;
    int architecture = 0;
    return GetOsId(productType, major, minor, architecture);
}

void GetOsVersionInfo(DWORD& build, DWORD& major, DWORD& minor, int& productType, int& processorArchitecture) {
    const OsVersionFacts facts = ReadOsVersionFacts();
    build = facts.build;
    major = facts.major;
    minor = facts.minor;
    productType = facts.productType;
    processorArchitecture = facts.processorArchitecture;
}

std::wstring GetComputerNameString() {
    wchar_t name[16] = {};
    DWORD size = 16;
    if (!GetComputerNameW(name, &size)) return std::wstring();
    return std::wstring(name, size);
}
