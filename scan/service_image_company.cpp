#include "foundation/file_version_info.h"
#include "platform/path_checks.h"
#include "platform/registry.h"
#include "scan/scan_operation.h"
#include "scan/installed_driver_details.h"
#include "platform/text_case.h"

namespace {

std::wstring ReadCompanyName(const std::wstring& path) {
    FILE_DETAILS details;
    if (!GetFileVersionTranslation(path, details)) return {};
    return GetFileVersionString(details);
}

}  // namespace

std::wstring ResolveServiceImagePath(const std::wstring& windowsFolder, const std::wstring& imagePath) {
    std::wstring relative = imagePath;
    const size_t system32 = LowerInvariant(imagePath).find(L"system32");
    if (system32 != std::wstring::npos) relative = imagePath.substr(system32);
    std::wstring candidate = windowsFolder + L"\\" + relative;
    if (!FileExists(candidate)) {
        const size_t slash = imagePath.rfind(L'\\');
        candidate = windowsFolder + L"\\system32\\drivers\\" +
                    (slash == std::wstring::npos ? imagePath : imagePath.substr(slash + 1));
    }
    return candidate;
}

std::wstring GetServiceImageCompany(const ScanOperation& app, const std::wstring& windowsFolder,
                                    const std::wstring& serviceName) {
    // A 32-bit process on 64-bit Windows must see the real system32 here.
    ScanOperation::FsRedirectionOff redirectionOff(app);
    CRegistry key;
    key.SetAccessMask(CRegistry::kReadOnlyMask);
    if (!key.Open(L"SYSTEM\\CurrentControlSet\\Services\\" + serviceName, HKEY_LOCAL_MACHINE, false)) return {};
    std::wstring imagePath;
    key.ReadString(L"ImagePath", imagePath);
    key.Close();
    const std::wstring candidate = ResolveServiceImagePath(windowsFolder, imagePath);
    if (!FileExists(candidate)) return {};
    return ReadCompanyName(candidate);
}
