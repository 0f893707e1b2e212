#include "engine/install_helper_launch.h"

#include <shellapi.h>

#include <cwchar>

#include "platform/scoped_handle.h"
#include "platform/registry.h"

namespace {

constexpr DWORD kFirstWaitMs = 120000;

const wchar_t* ModeSwitch(int mode) {
    switch (mode) {
        case 1: return L"updatesystemdrivers";
        case 2: return L"restore";
        case 3: return L"difxpreinstall";
        default: return nullptr;
    }
}

bool RootByName(const std::wstring& rootName, HKEY& root) {
    if (rootName == L"HKEY_CURRENT_USER") {
        root = HKEY_CURRENT_USER;
        return true;
    }
    if (rootName == L"HKEY_LOCAL_MACHINE") {
        root = HKEY_LOCAL_MACHINE;
        return true;
    }
    return false;
}

bool HasQuote(const std::wstring& text) { return text.find(L'"') != std::wstring::npos; }

}  // namespace

std::wstring BuildInstallHelperParameters(int mode, const InstallHelperArguments& arguments) {
    // Built by concatenation rather than by filling placeholders one after the
    // other, so a value that happens to contain a placeholder is passed unchanged.
    const std::pair<const wchar_t*, const std::wstring*> pairs[] = {
        {L"hwdid", &arguments.hwdid},   {L"inf", &arguments.inf},
        {L"hkey", &arguments.hkey},     {L"regpath", &arguments.regpath},
        {L"regval", &arguments.regval}, {L"regvalupnp", &arguments.regvalupnp},
        {L"regvaldifx", &arguments.regvaldifx},
    };
    std::wstring parameters = std::wstring(ModeSwitch(mode)) + L"=\"1\" ";
    parameters += L' ';
    for (const auto& [name, value] : pairs) {
        parameters += name;
        parameters += L"=\"";
        parameters += *value;
        parameters += L"\" ";
    }
    return parameters;
}

int RunInstallHelper64(int mode, const std::wstring& helperFolder, const InstallHelperArguments& arguments,
                       DWORD& pnpError, DWORD& difxError) {
    if (helperFolder.empty() || arguments.inf.empty() || ModeSwitch(mode) == nullptr) return 0;
    for (const std::wstring* value : {&arguments.hwdid, &arguments.inf, &arguments.hkey, &arguments.regpath,
                                      &arguments.regval, &arguments.regvalupnp, &arguments.regvaldifx}) {
        if (HasQuote(*value)) return 0;
    }

    DeleteRegistryValueByRootName(arguments.hkey, arguments.regpath, arguments.regval);
    DeleteRegistryValueByRootName(arguments.hkey, arguments.regpath, arguments.regvalupnp);
    DeleteRegistryValueByRootName(arguments.hkey, arguments.regpath, arguments.regvaldifx);

    std::wstring helperPath = helperFolder;
    if (helperPath.back() != L'\\') helperPath += L'\\';
    helperPath += kInstallHelperFileName;
    const std::wstring parameters = BuildInstallHelperParameters(mode, arguments);

    Sleep(10);
    if (GetFileAttributesW(helperPath.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;

    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    // No error box: a helper that cannot start is reported by the result, and a
    // box from the install worker would stop the install until someone clicks it.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = helperPath.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_HIDE;
    if (!ShellExecuteExW(&execute) || execute.hProcess == nullptr) return 0;

    const UniqueHandle helper(execute.hProcess);
    DWORD waited = WaitForSingleObject(helper.Get(), kFirstWaitMs);
    if (waited == WAIT_TIMEOUT) waited = WaitForSingleObject(helper.Get(), INFINITE);
    if (waited != WAIT_OBJECT_0) return 0;

    const DWORD result = ReadRegistryDecimalByRootName(arguments.hkey, arguments.regpath, arguments.regval);
    pnpError = ReadRegistryDecimalByRootName(arguments.hkey, arguments.regpath, arguments.regvalupnp);
    difxError = ReadRegistryDecimalByRootName(arguments.hkey, arguments.regpath, arguments.regvaldifx);
    return result != 0 ? 1 : 0;
}

int DeleteRegistryValueByRootName(const std::wstring& rootName, const std::wstring& keyPath,
                                  const std::wstring& valueName) {
    HKEY root = nullptr;
    if (!RootByName(rootName, root)) return 1;
    CRegistry registry(root);
    registry.SetAccessMask(CRegistry::kReadWriteMask);
    if (!registry.Open(keyPath, root, false)) return 1;
    if (RegQueryValueExW(registry.Key(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        RegDeleteValueW(registry.Key(), valueName.c_str());
    }
    return 1;
}

DWORD ReadRegistryDecimalByRootName(const std::wstring& rootName, const std::wstring& keyPath,
                                    const std::wstring& valueName) {
    HKEY root = nullptr;
    if (!RootByName(rootName, root)) return 0;
    CRegistry registry(root);
    registry.SetAccessMask(CRegistry::kReadOnlyMask);
    if (!registry.Open(keyPath, root, false)) return 0;
    std::wstring text;
    if (!registry.ReadString(valueName.c_str(), text)) return 0;
    return static_cast<DWORD>(wcstoul(text.c_str(), nullptr, 10));
}
