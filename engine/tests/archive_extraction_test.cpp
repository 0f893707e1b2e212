// Real zip and cabinet files, written with the same libraries a packager uses, are
// extracted; crafted ones that name paths outside the target are refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cabinet_extractor.h"
#include "engine/zip_package_reader.h"
#include "tests/support/cabinet_writer.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/zip_writer.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::vector<std::wstring> FilesBelow(const std::wstring& folder) {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::wstring& inner : FilesBelow(folder + L"\\" + name)) found.push_back(name + L"\\" + inner);
        } else {
            found.push_back(name);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

// Three nested folders: the archive lies in "source", extraction goes to
// "outer\target", and a crafted name aims at "outer" or at "elsewhere".
class ArchiveExtraction : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(source_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(outer_.c_str(), nullptr));
    }

    std::vector<CabinetMember> CraftedMembers() const {
        return {{"good.inf", "good"},
                {"..\\evil.txt", "evil"},
                {"sub\\..\\..\\evil2.txt", "evil"},
                {Narrow(elsewhere_.File(L"abs.txt")), "evil"}};
    }

    void ExpectNothingOutsideTarget() {
        EXPECT_EQ(FilesBelow(outer_), std::vector<std::wstring>{L"target\\good.inf"});
        EXPECT_TRUE(FilesBelow(elsewhere_.Path()).empty());
    }

    ScopedTempFolder root_;
    ScopedTempFolder elsewhere_;
    std::wstring source_ = root_.File(L"source");
    std::wstring outer_ = root_.File(L"outer");
    std::wstring target_ = outer_ + L"\\target";
};

TEST_F(ArchiveExtraction, ZipMembersLandBelowTheTarget) {
    const std::wstring zip = source_ + L"\\package.zip";
    ASSERT_TRUE(WriteZip(zip, {{"setup.inf", "[Version]"}, {"x64/", ""}, {"x64/drv.sys", std::string(70000, 'z')}}));
    ZipPackageReader reader;
    ASSERT_TRUE(reader.Open(zip));
    EXPECT_TRUE(reader.ExtractAll(target_ + L"\\"));
    reader.Close();
    EXPECT_EQ(ReadFileBytes(target_ + L"\\setup.inf"), "[Version]");
    EXPECT_EQ(ReadFileBytes(target_ + L"\\x64\\drv.sys"), std::string(70000, 'z'));
}

TEST_F(ArchiveExtraction, ZipRefusesMembersThatLeaveTheTarget) {
    const std::wstring zip = source_ + L"\\crafted.zip";
    std::vector<CabinetMember> members = CraftedMembers();
    members.push_back({"../evil3.txt", "evil"});
    ASSERT_TRUE(WriteZip(zip, members));
    ZipPackageReader reader;
    ASSERT_TRUE(reader.Open(zip));
    EXPECT_FALSE(reader.ExtractAll(target_));
    ExpectNothingOutsideTarget();
}

TEST_F(ArchiveExtraction, ZipReaderRejectsWhatIsNoZip) {
    const std::wstring file = source_ + L"\\setup.exe";
    ASSERT_TRUE(WriteFileBytes(file, "MZ not a zip archive at all"));
    ZipPackageReader reader;
    EXPECT_FALSE(reader.Open(file));
    EXPECT_FALSE(reader.ExtractAll(target_));
    EXPECT_FALSE(reader.Open(source_ + L"\\missing.zip"));
}

TEST_F(ArchiveExtraction, CabinetMembersLandBelowTheTargetWithTheirFolders) {
    const auto parts = WriteCabinetSet(Narrow(source_), "pkg",
                                       {{"drv.inf", "[Version]"}, {"x86\\drv.sys", "bin"}, {"<APwgrA>\\<AEEAQg>.txt", "wide"}});
    ASSERT_EQ(parts.size(), 1u);
    CabinetExtractor extractor;
    ASSERT_TRUE(extractor.LoadCabinetFdi());
    // The target is given without its trailing backslash.
    EXPECT_TRUE(extractor.Extract(Narrow(target_), Narrow(source_) + "\\" + parts[0]));
    EXPECT_EQ(extractor.ErrorCode(), CabinetError::kNone);
    EXPECT_EQ(ReadFileBytes(target_ + L"\\drv.inf"), "[Version]");
    EXPECT_EQ(ReadFileBytes(target_ + L"\\x86\\drv.sys"), "bin");
    // A name with encoded runs is decoded to its UTF-16 form, folders included.
    EXPECT_EQ(ReadFileBytes(target_ + L"\\\u00FC\u20AC\\AB.txt"), "wide");
}

TEST_F(ArchiveExtraction, CabinetSetIsFollowedToItsLastPart) {
    const std::string big(60000, 'a');
    const std::string bigger(90000, 'b');
    const auto parts =
        WriteCabinetSet(Narrow(source_), "set", {{"one.bin", big}, {"two.bin", bigger}, {"three.inf", "x"}}, 40000);
    ASSERT_GE(parts.size(), 3u);
    CabinetExtractor extractor;
    EXPECT_TRUE(extractor.Extract(Narrow(target_), Narrow(source_) + "\\" + parts[0]));
    EXPECT_EQ(ReadFileBytes(target_ + L"\\one.bin"), big);
    EXPECT_EQ(ReadFileBytes(target_ + L"\\two.bin"), bigger);
    EXPECT_EQ(ReadFileBytes(target_ + L"\\three.inf"), "x");
}

TEST_F(ArchiveExtraction, CabinetRefusesMembersThatLeaveTheTarget) {
    const auto parts = WriteCabinetSet(Narrow(source_), "crafted", CraftedMembers());
    ASSERT_EQ(parts.size(), 1u);
    CabinetExtractor extractor;
    EXPECT_FALSE(extractor.Extract(Narrow(target_), Narrow(source_) + "\\" + parts[0]));
    EXPECT_EQ(extractor.ErrorCode(), CabinetError::kUnsafeName);
    ExpectNothingOutsideTarget();
}

TEST_F(ArchiveExtraction, CabinetInputsThatCannotWorkAreRefusedUpFront) {
    CabinetExtractor extractor;
    const struct {
        std::string target;
        std::string cabinet;
        int code;
    } cases[] = {
        {"", "C:\\a\\b.cab", CabinetError::kEmptyPath},
        {"C:\\t", "b.cab", CabinetError::kEmptyPath},
        {"C:\\t", "C:\\a\\", CabinetError::kEmptyPath},
        {"C:\\t", "C:\\a\\<AEE>.cab", CabinetError::kEncodedCabinetName},
        {"C:\\" + std::string(300, 't'), "C:\\a\\b.cab", CabinetError::kPathTooLong},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(extractor.Extract(c.target, c.cabinet));
        EXPECT_EQ(extractor.ErrorCode(), c.code) << c.target << " " << c.cabinet;
    }
}

TEST(CabinetChain, EndsAtTheLastPartAndNeverLoops) {
    using Chain = std::vector<std::pair<std::string, std::string>>;  // name -> recorded next
    const struct {
        const char* what;
        Chain chain;
        bool completes;
        std::vector<std::string> visited;
    } cases[] = {
        {"single cabinet", {{"a.cab", "a.cab"}}, true, {"a.cab"}},
        {"three parts", {{"a.cab", "b.cab"}, {"b.cab", "c.cab"}, {"c.cab", "c.cab"}}, true, {"a.cab", "b.cab", "c.cab"}},
        {"back to the start", {{"a.cab", "b.cab"}, {"b.cab", "A.CAB"}}, false, {"a.cab", "b.cab"}},
        {"next in another folder", {{"a.cab", "..\\b.cab"}}, false, {"a.cab"}},
        {"a part fails", {{"a.cab", "b.cab"}, {"b.cab", ""}}, false, {"a.cab", "b.cab"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> visited;
        const bool completed = FollowCabinetChain("a.cab", [&](const std::string& name, std::string& next) {
            visited.push_back(name);
            for (const auto& [part, recorded] : c.chain) {
                if (part == name) {
                    if (recorded.empty()) return false;
                    next = recorded;
                    return true;
                }
            }
            return false;
        });
        EXPECT_EQ(completed, c.completes);
        EXPECT_EQ(visited, c.visited);
    }
}

}  // namespace
