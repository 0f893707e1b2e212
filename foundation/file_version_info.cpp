#include "foundation/file_version_info.h"

#include <cwchar>

#include "foundation/extended_path.h"

namespace {

constexpr const wchar_t* kValueNames[12] = {
    L"CompanyName",  L"FileDescription", L"FileVersion",      L"InternalName",
    L"LegalCopyRight", L"OriginalFileName", L"ProductName",     L"ProductVersion",
    L"Comments",     L"LegalTrademarks", L"PrivateBuild",     L"SpecialBuild"};

std::vector<BYTE> ReadBlock(const std::wstring& path) {
    const std::wstring file = ExtendedLengthPath(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return {};
    return block;
}

bool QueryValue(const std::vector<BYTE>& block, const std::wstring& subBlock, void*& data, UINT& length) {
    if (block.empty()) return false;
    data = nullptr;
    length = 0;
    return VerQueryValueW(block.data(), subBlock.c_str(), &data, &length) && data != nullptr;
}

std::wstring QueryString(const std::vector<BYTE>& block, const std::wstring& subBlock) {
    void* data = nullptr;
    UINT length = 0;
    if (!QueryValue(block, subBlock, data, length) || length == 0) return {};
    // The length counts characters, sometimes with the terminator.
    const wchar_t* text = static_cast<const wchar_t*>(data);
    return std::wstring(text, wcsnlen(text, length));
}

bool FirstTranslation(const std::vector<BYTE>& block, WORD& language, WORD& codePage) {
    void* data = nullptr;
    UINT length = 0;
    if (!QueryValue(block, L"\\VarFileInfo\\Translation", data, length) || length < 4) return false;
    const WORD* pair = static_cast<const WORD*>(data);
    language = pair[0];
    codePage = pair[1];
    return true;
}

std::wstring StringPath(WORD language, WORD codePage, const wchar_t* name) {
    wchar_t path[96];
    swprintf(path, 96, L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage, name);
    return path;
}

}  // namespace

bool FileVersionInfo::Load(const std::wstring& path) {
    Release();
    block_ = ReadBlock(path);
    WORD language = 0;
    WORD codePage = 0;
    if (block_.empty() || !FirstTranslation(block_, language, codePage)) {
        Release();
        return false;
    }
    translation_ = (static_cast<DWORD>(language) << 16) | codePage;
    return true;
}

std::wstring FileVersionInfo::GetFileVersionString() const {
    if (block_.empty()) return {};
    wchar_t path[96];
    swprintf(path, 96, L"\\StringFileInfo\\%08lx\\%ls", static_cast<unsigned long>(translation_), L"FileVersion");
    return QueryString(block_, path);
}

std::wstring FileVersionInfo::GetFixedVersion() const {
    void* data = nullptr;
    UINT length = 0;
    if (!QueryValue(block_, L"\\", data, length) || length < sizeof(VS_FIXEDFILEINFO)) return {};
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(data);
    wchar_t text[64];
    swprintf(text, 64, L"%u,%u,%u,%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
}

void FileVersionInfo::Release() {
    block_.clear();
    translation_ = 0;
}

bool GetFileVersionTranslation(const std::wstring& path, FILE_DETAILS& details) {
    details = FILE_DETAILS{};
    FILE_DETAILS filled;
    filled.path = path;
    filled.block = ReadBlock(path);
    void* data = nullptr;
    UINT length = 0;
    if (!QueryValue(filled.block, L"\\", data, length) || length < sizeof(VS_FIXEDFILEINFO)) return false;
    filled.fixed = *static_cast<const VS_FIXEDFILEINFO*>(data);
    if (!FirstTranslation(filled.block, filled.language, filled.codePage)) return false;
    details = std::move(filled);
    return true;
}

std::wstring GetFileVersionString(const FILE_DETAILS& details) {
    if (details.block.empty()) return {};
    return QueryString(details.block, StringPath(details.language, details.codePage, L"CompanyName"));
}

bool GetFileVersionField(const FILE_DETAILS& details, int index) {
    if (index < 0 || index >= 12 || details.block.empty()) return false;
    void* data = nullptr;
    UINT length = 0;
    return QueryValue(details.block, StringPath(details.language, details.codePage, kValueNames[index]), data,
                      length);
}
