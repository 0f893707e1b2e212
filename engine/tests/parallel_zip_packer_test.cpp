#include "engine/parallel_zip_packer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "engine/zip_archive_handle.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

constexpr std::size_t kPiece = ParallelZipPacker::kPieceBytes;

// Random stretches between repeats of text that reach back across piece borders,
// so a piece that lost what came before it would show in its bytes or its CRC.
std::string DriverLikeBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes;
    bytes.reserve(size);
    const std::string text = "DriverEntry IoCreateDevice KeWaitForSingleObject " + std::to_string(seed) + "\r\n";
    while (bytes.size() < size) {
        const std::size_t stretch = 1 + random() % 70000;
        if (random() % 2 == 0) {
            for (std::size_t i = 0; i < stretch; ++i) bytes.push_back(static_cast<char>(random()));
        } else {
            for (std::size_t i = 0; i < stretch; ++i) bytes.push_back(text[(bytes.size() + i) % text.size()]);
        }
    }
    bytes.resize(size);
    return bytes;
}

struct Entry {
    std::string name;
    std::string bytes;
    unz_file_info64 info{};
    int closeResult = UNZ_OK;
};

std::vector<Entry> ReadArchive(const std::wstring& path) {
    std::vector<Entry> entries;
    ZipReadHandle archive;
    if (!archive.Open(path)) return entries;
    for (int more = unzGoToFirstFile(archive.Get()); more == UNZ_OK; more = unzGoToNextFile(archive.Get())) {
        Entry entry;
        char name[512] = {};
        unzGetCurrentFileInfo64(archive.Get(), &entry.info, name, sizeof(name), nullptr, 0, nullptr, 0);
        entry.name = name;
        if (unzOpenCurrentFile(archive.Get()) == UNZ_OK) {
            std::vector<char> buffer(65536);
            for (int read; (read = unzReadCurrentFile(archive.Get(), buffer.data(), 65536)) > 0;) {
                entry.bytes.append(buffer.data(), static_cast<std::size_t>(read));
            }
            // Reports a CRC that does not match the bytes read.
            entry.closeResult = unzCloseCurrentFile(archive.Get());
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

TEST(ParallelZipPacker, EveryEntryUnpacksToItsFileWhateverItsSizeAndTheThreadCount) {
    const std::size_t sizes[] = {0, 1, kPiece - 1, kPiece, kPiece + 1, 3 * kPiece + 12345};
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        ScopedTempFolder folder;
        std::vector<std::string> contents;
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            contents.push_back(DriverLikeBytes(sizes[i], static_cast<unsigned>(i + 1)));
            ASSERT_TRUE(WriteFileBytes(folder.File(L"f" + std::to_wstring(i)), contents.back()));
        }
        const std::wstring path = folder.File(L"packed.zip");
        {
            ZipWriteHandle archive;
            ASSERT_TRUE(archive.Create(path));
            ParallelZipPacker packer(archive.Get(), threads);
            for (std::size_t i = 0; i < contents.size(); ++i) {
                ASSERT_TRUE(packer.AddFile(folder.File(L"f" + std::to_wstring(i)), "dir/f" + std::to_string(i)));
            }
            ASSERT_TRUE(packer.Finish());
            ASSERT_TRUE(archive.Close());
        }
        const std::vector<Entry> entries = ReadArchive(path);
        ASSERT_EQ(entries.size(), contents.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            SCOPED_TRACE(sizes[i]);
            EXPECT_EQ(entries[i].name, "dir/f" + std::to_string(i));
            EXPECT_EQ(entries[i].info.compression_method, static_cast<uLong>(Z_DEFLATED));
            EXPECT_EQ(entries[i].info.uncompressed_size, sizes[i]);
            EXPECT_EQ(entries[i].closeResult, UNZ_OK);
            EXPECT_TRUE(entries[i].bytes == contents[i]);
        }
    }
}

TEST(ParallelZipPacker, AFileThatCannotBeReadFailsThePacking) {
    ScopedTempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.File(L"there"), DriverLikeBytes(2 * kPiece, 7)));
    ZipWriteHandle archive;
    ASSERT_TRUE(archive.Create(folder.File(L"packed.zip")));
    ParallelZipPacker packer(archive.Get(), 2);
    EXPECT_TRUE(packer.AddFile(folder.File(L"there"), "there"));
    EXPECT_FALSE(packer.AddFile(folder.File(L"missing"), "missing"));
    // The caller learns of the failure from AddFile; what was handed on before
    // is still written out.
    EXPECT_TRUE(packer.Finish());
}

}  // namespace
