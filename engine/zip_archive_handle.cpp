#include "engine/zip_archive_handle.h"

namespace {

zlib_filefunc64_def WideFileFunctions() {
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    return functions;
}

}  // namespace

bool ZipReadHandle::Open(const std::wstring& path) {
    Close();
    zlib_filefunc64_def functions = WideFileFunctions();
    archive_ = unzOpen2_64(path.c_str(), &functions);
    return archive_ != nullptr;
}

void ZipReadHandle::Close() {
    if (archive_ != nullptr) unzClose(archive_);
    archive_ = nullptr;
}

bool ZipWriteHandle::Create(const std::wstring& path) {
    Close();
    zlib_filefunc64_def functions = WideFileFunctions();
    archive_ = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
    return archive_ != nullptr;
}

bool ZipWriteHandle::Close() {
    if (archive_ == nullptr) return true;
    const bool closed = zipClose(archive_, nullptr) == ZIP_OK;
    archive_ = nullptr;
    return closed;
}
