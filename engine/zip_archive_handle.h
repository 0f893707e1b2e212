#pragma once

#include <windows.h>

// unzip.h and zip.h first: iowin32.h relies on what they include.
#include <unzip.h>
#include <zip.h>
#include <iowin32.h>

#include <string>

// An open zip archive for reading, opened through the wide-character file functions
// so any path works; closed at the end.
class ZipReadHandle {
public:
    ZipReadHandle() = default;
    ~ZipReadHandle() { Close(); }
    ZipReadHandle(const ZipReadHandle&) = delete;
    ZipReadHandle& operator=(const ZipReadHandle&) = delete;

    // False when the file is not a readable zip archive.
    bool Open(const std::wstring& path);
    void Close();
    unzFile Get() const { return archive_; }

private:
    unzFile archive_ = nullptr;
};

// A zip archive being written. Close reports whether the central directory made it
// to disk; an archive that is dropped without Close is closed all the same.
class ZipWriteHandle {
public:
    ZipWriteHandle() = default;
    ~ZipWriteHandle() { Close(); }
    ZipWriteHandle(const ZipWriteHandle&) = delete;
    ZipWriteHandle& operator=(const ZipWriteHandle&) = delete;

    // Creates (or replaces) the file; false when it cannot be created.
    bool Create(const std::wstring& path);
    bool Close();
    zipFile Get() const { return archive_; }

private:
    zipFile archive_ = nullptr;
};
