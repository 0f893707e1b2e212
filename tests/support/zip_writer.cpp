#include "tests/support/zip_writer.h"

#include <windows.h>

// iowin32.h relies on what zip.h and unzip.h declare first.
#include <unzip.h>
#include <zip.h>
#include <iowin32.h>

bool WriteZip(const std::wstring& path, const std::vector<CabinetMember>& members) {
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
    if (zip == nullptr) return false;
    bool ok = true;
    for (const CabinetMember& member : members) {
        zip_fileinfo info = {};
        ok = ok && zipOpenNewFileInZip64(zip, member.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK;
        ok = ok && zipWriteInFileInZip(zip, member.content.data(), static_cast<unsigned>(member.content.size())) ==
                       ZIP_OK;
        ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

std::set<std::string> ZipEntryNames(const std::wstring& path) {
    std::set<std::string> names;
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    unzFile zip = unzOpen2_64(path.c_str(), &functions);
    if (zip == nullptr) return names;
    for (int step = unzGoToFirstFile(zip); step == UNZ_OK; step = unzGoToNextFile(zip)) {
        char name[512] = {};
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0) == UNZ_OK) {
            names.insert(name);
        }
    }
    unzClose(zip);
    return names;
}

std::string Noise(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed * 2654435761u + 1;
    for (char& c : bytes) {
        value = value * 1103515245u + 12345u;
        c = static_cast<char>(value >> 16);
    }
    return bytes;
}
