#include "engine/zip_package_reader.h"

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/scoped_handle.h"
#include "engine/archive_member_name.h"
#include "engine/backup_folder_paths.h"

namespace {

constexpr unsigned kUtf8NameFlag = 0x800;

std::wstring MemberName(const std::vector<char>& raw, unsigned long flags) {
    const int length = static_cast<int>(strnlen(raw.data(), raw.size()));
    if (length == 0) return {};
    const UINT codePage = (flags & kUtf8NameFlag) ? CP_UTF8 : CP_OEMCP;
    const int wideLength = MultiByteToWideChar(codePage, 0, raw.data(), length, nullptr, 0);
    std::wstring name(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, 0, raw.data(), length, name.data(), wideLength);
    for (wchar_t& c : name) {
        if (c == L'/') c = L'\\';
    }
    return name;
}

bool CreateFolders(const std::wstring& folder) {
    if (folder.empty()) return true;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 0 && !CreateFolders(folder.substr(0, slash))) return false;
    return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteCurrentMember(unzFile archive, const std::wstring& path) {
    if (unzOpenCurrentFile(archive) != UNZ_OK) return false;
    UniqueHandle owned(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const HANDLE file = owned.Get();
    bool ok = owned.Valid();
    std::vector<char> buffer(64 * 1024);
    while (ok) {
        const int read = unzReadCurrentFile(archive, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (read < 0) ok = false;
        if (read <= 0) break;
        DWORD written = 0;
        ok = WriteFile(file, buffer.data(), static_cast<DWORD>(read), &written, nullptr) &&
             written == static_cast<DWORD>(read);
    }
    // A member whose last writes fail at the close is as lost as one that fails before.
    if (!owned.Close()) ok = false;
    // The CRC check happens on close.
    if (unzCloseCurrentFile(archive) != UNZ_OK) ok = false;
    if (!ok) DeleteFileW(path.c_str());
    return ok;
}

}  // namespace

bool ZipPackageReader::Open(const std::wstring& archivePath) { return archive_.Open(archivePath); }

bool ZipPackageReader::ForEachMember(const std::function<bool(const std::wstring& name, uint64_t size)>& visit) {
    unzFile archive = archive_.Get();
    if (archive == nullptr) return false;
    int step = unzGoToFirstFile(archive);
    while (step == UNZ_OK) {
        unz_file_info64 info = {};
        std::vector<char> rawName(1024);
        if (unzGetCurrentFileInfo64(archive, &info, rawName.data(), static_cast<uLong>(rawName.size()), nullptr, 0,
                                    nullptr, 0) != UNZ_OK) {
            return false;
        }
        if (!visit(MemberName(rawName, info.flag), info.uncompressed_size)) return false;
        step = unzGoToNextFile(archive);
    }
    return step == UNZ_END_OF_LIST_OF_FILE;
}

bool ZipPackageReader::CheckMembers(uint64_t sizeLimit, uint64_t& memberCount, uint64_t& totalSize) {
    memberCount = 0;
    totalSize = 0;
    return ForEachMember([&](const std::wstring& name, uint64_t size) {
        if (!IsSafeArchiveMemberName(name) || size > sizeLimit - totalSize) return false;
        ++memberCount;
        totalSize += size;
        return true;
    });
}

bool ZipPackageReader::ExtractAll(const std::wstring& targetFolder) {
    std::wstring folder = targetFolder;
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (archive_.Get() == nullptr || !CreateFolders(folder)) return false;

    bool allExtracted = true;
    const bool walked = ForEachMember([&](const std::wstring& name, uint64_t) {
        const std::wstring path = folder + L"\\" + name;
        if (!IsSafeArchiveMemberName(name) || !IsPathInsideFolder(folder, path)) {
            allExtracted = false;
        } else if (name.back() == L'\\') {
            allExtracted = CreateFolders(path.substr(0, path.size() - 1)) && allExtracted;
        } else if (!CreateFolders(path.substr(0, path.find_last_of(L'\\'))) ||
                   !WriteCurrentMember(archive_.Get(), path)) {
            allExtracted = false;
        }
        return true;
    });
    return walked && allExtracted;
}
