#include "engine/backup_index_file.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/little_endian_bytes.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

DriverInfoRecord Record(const std::wstring& name) {
    DriverInfoRecord record;
    record.deviceName = name;
    record.infPath = L"oem7.inf";
    record.driverVersion = L"1.2";
    record.category = L"System";
    record.hardwareId = L"ROOT\\X";
    record.driverKey = L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\0003";
    record.driverDate = L"01-02-2020";
    record.number18 = 0x01020304;
    record.manufacturer = L"not stored";
    record.text13 = L"not stored";
    return record;
}

std::string ExpectedEntry(const std::wstring& name, const std::wstring& folder) {
    return CountedUtf16(name) + CountedUtf16(L"oem7.inf") + CountedUtf16(L"1.2") + CountedUtf16(L"System") + CountedUtf16(L"") + CountedUtf16(L"") +
           CountedUtf16(L"ROOT\\X") + CountedUtf16(L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\0003") + CountedUtf16(L"01-02-2020") +
           CountedUtf16(L"") + CountedUtf16(L"") + LittleEndian32(0x01020304) + CountedUtf16(folder);
}

TEST(BackupIndexWriter, NewFileGetsTheFormatNumberOnceAndRunningCounts) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"index.dat");
    {
        BackupIndexWriter writer(path);
        int opened = 0;
        for (const wchar_t* name : {L"A", L"B", L"C"}) {
            ASSERT_TRUE(writer.Append(MakeIndexEntry(Record(name), std::wstring(name) + L"\\", L"absent"),
                                      [&] { ++opened; }));
        }
        EXPECT_EQ(opened, 3);
    }
    const std::string firstRun = LittleEndian32(11) + ExpectedEntry(L"A", L"A\\") + LittleEndian32(1) + ExpectedEntry(L"B", L"B\\") +
                                 LittleEndian32(2) + ExpectedEntry(L"C", L"C\\") + LittleEndian32(3);
    EXPECT_EQ(ReadFileBytes(path), firstRun);

    // A later run appends without a second format number and counts on from the
    // file's last four bytes; an absent device carries its suffix, its folder none.
    DriverInfoRecord absent = Record(L"D");
    absent.nodeStatusResult = 13;
    BackupIndexWriter second(path);
    ASSERT_TRUE(second.Append(MakeIndexEntry(absent, L"D\\", L"not present")));
    EXPECT_EQ(ReadFileBytes(path), firstRun + ExpectedEntry(L"D (not present) ", L"D\\") + LittleEndian32(4));
}

TEST(BackupIndexWriter, EmptyTextsAndOverlongTexts) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"index.dat");
    BackupIndexWriter writer(path);
    IndexEntry empty;
    empty.number18 = 7;
    ASSERT_TRUE(writer.Append(empty));
    IndexEntry longName;
    longName.deviceName = std::wstring(300, L'n');
    longName.folder = L"F\\";
    ASSERT_TRUE(writer.Append(longName));
    const std::string expected = LittleEndian32(11) + std::string(22, '\0') + LittleEndian32(7) + CountedUtf16(L"") + LittleEndian32(1) +
                                 CountedUtf16(std::wstring(259, L'n')) + std::string(20, '\0') + LittleEndian32(0) + CountedUtf16(L"F\\") +
                                 LittleEndian32(2);
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(BackupIndexWriter, FailsOnAnIndexTooShortForItsCount) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"index.dat");
    ASSERT_TRUE(WriteFileBytes(path, "\x0b\x00"));
    BackupIndexWriter writer(path);
    EXPECT_THROW(writer.Append(IndexEntry{}), IndexFileError);
}

TEST(BackupIndexReader, ReadsWhatTheWriterWrote) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"index.dat");
    BackupIndexWriter writer(path);
    ASSERT_TRUE(writer.Append(MakeIndexEntry(Record(L"First"), L"First\\", L"")));
    ASSERT_TRUE(writer.Append(MakeIndexEntry(Record(L"Second"), L"Second\\", L"")));

    BackupIndexReader reader;
    ASSERT_EQ(reader.Open(path), BackupIndexReader::kOpened);
    EXPECT_EQ(reader.EntryCount(), 2u);
    IndexEntry entry;
    ASSERT_TRUE(reader.ReadEntry(entry));
    EXPECT_EQ(entry.deviceName, L"First");
    EXPECT_EQ(entry.driverKey, L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\0003");
    EXPECT_EQ(entry.number18, 0x01020304u);
    EXPECT_EQ(entry.folder, L"First\\");
    ASSERT_TRUE(reader.ReadEntry(entry));
    EXPECT_EQ(entry.folder, L"Second\\");
    EXPECT_FALSE(reader.ReadEntry(entry));
}

TEST(BackupIndexReader, RefusesMissingAndForeignFiles) {
    ScopedTempFolder folder;
    struct Case {
        const char* what;
        std::string bytes;
        int result;
    };
    const Case cases[] = {
        {"another format", LittleEndian32(12) + std::string(22, '\0') + LittleEndian32(0) + CountedUtf16(L"") + LittleEndian32(1), 33},
        {"too short for a format number", "\x0b", 33},
        {"empty", "", 33},
        {"format number alone", LittleEndian32(11), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(folder.File(L"index.dat"), c.bytes));
        BackupIndexReader reader;
        EXPECT_EQ(reader.Open(folder.File(L"index.dat")), c.result);
        IndexEntry entry;
        EXPECT_FALSE(reader.ReadEntry(entry));
    }
    BackupIndexReader reader;
    EXPECT_EQ(reader.Open(folder.File(L"missing.dat")), BackupIndexReader::kMissing);
}

TEST(BackupIndexReader, HoldsCraftedCountsAndLengthsToTheFile) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"index.dat");
    // A folder text padded with NULs reads as the text; a device name longer than the
    // buffer is cut; the claimed count is far beyond what the file holds; the last
    // entry claims more units than remain.
    const std::string padded = std::string("\x05\x00", 2) + std::string("F\0\\\0\0\0\0\0\0\0", 10);
    const std::string bytes = LittleEndian32(11) + CountedUtf16(std::wstring(600, L'x')) + std::string(20, '\0') + LittleEndian32(3) + padded +
                              LittleEndian32(1) + std::string("\xff\xff", 2) + "ab" + LittleEndian32(0xFFFFFFFF);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    BackupIndexReader reader;
    ASSERT_EQ(reader.Open(path), BackupIndexReader::kOpened);
    EXPECT_LE(reader.EntryCount(), bytes.size() / kSmallestIndexEntryBytes);
    IndexEntry entry;
    ASSERT_TRUE(reader.ReadEntry(entry, 259, 255));
    EXPECT_EQ(entry.deviceName, std::wstring(259, L'x'));
    EXPECT_EQ(entry.number18, 3u);
    EXPECT_EQ(entry.folder, L"F\\");
    EXPECT_FALSE(reader.ReadEntry(entry));
}

}  // namespace
