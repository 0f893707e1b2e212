#include "foundation/system_helpers.h"

#include <shellapi.h>

#include <memory>
#include <type_traits>

#include "foundation/os_identity.h"
#include "platform/scoped_handle.h"

namespace {

// The version the system reports to this program, read once: it does not change
// while the program runs.
const OsVersionFacts& ProcessVersionFacts() {
    static const OsVersionFacts facts = ReadOsVersionFacts();
    return facts;
}

struct SidFreer {
    void operator()(PSID sid) const {
        if (sid != nullptr) FreeSid(sid);
    }
};
using UniqueSid = std::unique_ptr<void, SidFreer>;

UniqueHandle OpenQueryToken() {
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY | TOKEN_DUPLICATE, TRUE, &token)) {
        if (GetLastError() != ERROR_NO_TOKEN) return UniqueHandle();
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &token)) return UniqueHandle();
    }
    return UniqueHandle(token);
}

}  // namespace

unsigned GetWindowsMajorVersion() { return ProcessVersionFacts().major; }

unsigned GetWindowsMinorVersion() { return ProcessVersionFacts().minor; }

bool IsWindowsNT() { return ProcessVersionFacts().platformId == VER_PLATFORM_WIN32_NT; }

bool IsWow64() {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (kernel == nullptr) return false;
    auto isWow64Process =
        reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64Process == nullptr || !isWow64Process(GetCurrentProcess(), &wow64)) return false;
    return wow64 != FALSE;
}

bool IsCurrentUserAdmin() {
    UniqueHandle token = OpenQueryToken();
    if (!token) return false;
    HANDLE impersonation = nullptr;
    if (!DuplicateToken(token.Get(), SecurityImpersonation, &impersonation)) return false;
    UniqueHandle impersonationToken(impersonation);

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                  0, 0, 0, &administrators)) {
        return false;
    }
    UniqueSid administratorsSid(administrators);

    constexpr DWORD kAccessRead = 1;
    constexpr DWORD kAccessWrite = 2;
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(administrators) - sizeof(DWORD);
    auto aclBuffer = std::make_unique<BYTE[]>(aclSize);
    auto* acl = reinterpret_cast<PACL>(aclBuffer.get());
    SECURITY_DESCRIPTOR descriptor{};
    if (!InitializeAcl(acl, aclSize, ACL_REVISION2) ||
        !AddAccessAllowedAce(acl, ACL_REVISION2, kAccessRead | kAccessWrite, administrators) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
        return false;
    }
    // AccessCheck insists on an owner and a group.
    SetSecurityDescriptorGroup(&descriptor, administrators, FALSE);
    SetSecurityDescriptorOwner(&descriptor, administrators, FALSE);
    if (!IsValidSecurityDescriptor(&descriptor)) return false;

    GENERIC_MAPPING mapping{kAccessRead, kAccessWrite, 0, kAccessRead | kAccessWrite};
    PRIVILEGE_SET privileges{};
    DWORD privilegesSize = sizeof(privileges);
    DWORD granted = 0;
    BOOL accessGranted = FALSE;
    if (!AccessCheck(&descriptor, impersonationToken.Get(), kAccessRead, &mapping, &privileges, &privilegesSize,
                     &granted, &accessGranted)) {
        return false;
    }
    return accessGranted != FALSE;
}

BOOL RebootComputer() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        UniqueHandle owner(token);
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
    }
    return ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0x80000001);
}

std::wstring GetModulePath() {
    wchar_t buffer[1040] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 1039);
    std::wstring path(buffer, length < 1039 ? length : 1039);
    if (!path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring first;
    if (arguments != nullptr) {
        if (count > 0) first = arguments[0];
        LocalFree(arguments);
    }
    return first;
}

std::wstring GetAppFileVersionString() {
    const std::wstring path = GetModulePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return L"0";
    auto block = std::make_unique<BYTE[]>(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.get())) return L"0";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(block.get(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || fixed == nullptr ||
        fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return L"0";
    }
    return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

bool EnumRegistrySubkeys(HKEY key, std::vector<std::wstring>& names) {
    names.clear();
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    for (DWORD index = 0; index < count; ++index) {
        wchar_t name[256] = {};
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            names.emplace_back(name, length);
        }
    }
    return !names.empty();
}

bool MapContainsKey(const StringMap& map, const std::wstring& key) { return map.find(key) != map.end(); }

void FillDeviceClassNames(StringMap& map) {
    static const wchar_t* const kNames[] = {
        L"Host Controller", L"IEEE 1394 Host Bus Controller", L"1394", L"PCMCIA", L"Floppy Disk Controllers",
        L"IEEE 1394", L"PCMCIA Ports", L"PCMCIA Controller Chipsets", L"Hard Disk Controller",
        L"Hard Disk Controllers", L"DiskDrive", L"HDC", L"Disk Drivers", L"SCSI and RAID Controller",
        L"SCSI and RAID Controllers", L"CDROM", L"FDC", L"FloppyDisk", L"MediumChanger", L"SCSIAdapter",
        L"TapeDrive", L"Volume", L"CD-ROM", L"Floppy Disk Drives", L"SCSI/RAID", L"Storage Volumes", L"SD Host",
        L"SmartCard Reader", L"TouchPad", L"Transfer Cable", L"Wireless Series", L"Battery", L"MTD",
        L"Multifunction", L"MultiportSerial", L"Ports", L"SmartCardReader", L"Biometric", L"KDSiDeviceClass",
        L"LegacyDriver", L"nodriver", L"Saitek Magic Bus", L"Memory Technology Drivers", L"Smart Card Readers",
        L"Adapter", L"MCADevices",
    };
    for (const wchar_t* name : kNames) map.emplace(name, L"");
}

std::vector<std::wstring> ProcessArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (list == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
    LocalFree(list);
    return arguments;
}
