// The RAR library is not on this machine: these tests drive the job's calls against
// a stand-in library with the same entry points (see tests/fake_dlls/fake_unrar.cpp).
#include "engine/rar_extract_job.h"

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

class ScopedDllDirectory {
public:
    explicit ScopedDllDirectory(const std::wstring& folder) { SetDllDirectoryW(folder.c_str()); }
    ~ScopedDllDirectory() { SetDllDirectoryW(nullptr); }
};

TEST(RarExtractJob, ReportsAMissingLibrary) {
    RarExtractJob job;
    EXPECT_FALSE(job.Extract(L"C:\\pkg\\driver.rar"));
    EXPECT_EQ(job.ErrorText(), RarExtractJob::kLoadErrorText);
    EXPECT_FALSE(job.ExtractAll());
}

class RarWithLibrary : public ::testing::Test {
protected:
    ScopedDllDirectory libraryFolder_{WindowsPathFromHost(HALVENOR_FAKE_DLL_HOST_DIR) + L"\\unrar"};
    ScopedTempFolder root_;
    ScopedTempFolder elsewhere_;
};

TEST_F(RarWithLibrary, ListsMembersWithTheirSizes) {
    const std::wstring archive = root_.File(L"driver.rar");
    ASSERT_TRUE(WriteFileBytes(archive, "FAKERAR\ndrv.inf|[Version]\nx64\\drv.sys|0123456789\n"));
    RarExtractJob job;
    ASSERT_TRUE(job.Extract(archive));
    ASSERT_EQ(job.Entries().size(), 2u);
    EXPECT_EQ(job.Entries()[0].name, L"drv.inf");
    EXPECT_EQ(job.Entries()[1].name, L"x64\\drv.sys");
    // Sizes join the library's high and low halves.
    EXPECT_EQ(job.Entries()[1].packedSize, (1ull << 32) + 5);
    EXPECT_EQ(job.Entries()[1].unpackedSize, 10u);

    const std::wstring notRar = root_.File(L"other.rar");
    ASSERT_TRUE(WriteFileBytes(notRar, "PK\x03\x04"));
    EXPECT_FALSE(job.Extract(notRar));
    EXPECT_EQ(job.ErrorText(), RarExtractJob::kOpenErrorText);
}

TEST_F(RarWithLibrary, ExtractsBelowTheTargetAndRefusesNamesThatLeaveIt) {
    const std::wstring target = root_.File(L"outer\\target");
    const std::wstring archive = root_.File(L"driver.rar");
    const std::wstring absolute = elsewhere_.File(L"abs.txt");
    ASSERT_TRUE(WriteFileBytes(archive, "FAKERAR\ndrv.inf|good\n..\\evil.txt|evil\n" +
                                            std::string(absolute.begin(), absolute.end()) +
                                            "|evil\nx64\\drv.sys|bin\n"));
    RarExtractJob job;
    ASSERT_TRUE(job.Extract(archive));
    job.SetTargetFolder(target);
    EXPECT_FALSE(job.ExtractAll());
    EXPECT_EQ(ReadFileBytes(target + L"\\drv.inf"), "good");
    EXPECT_EQ(ReadFileBytes(target + L"\\x64\\drv.sys"), "bin");
    EXPECT_FALSE(PathExists(root_.File(L"outer\\evil.txt")));
    EXPECT_FALSE(PathExists(elsewhere_.File(L"abs.txt")));

    const std::wstring clean = root_.File(L"clean.rar");
    ASSERT_TRUE(WriteFileBytes(clean, "FAKERAR\na.inf|a\n"));
    ASSERT_TRUE(job.Extract(clean));
    EXPECT_TRUE(job.ExtractAll());
}

}  // namespace
