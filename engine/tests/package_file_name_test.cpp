#include "engine/package_file_name.h"

#include "foundation/md5_checksum.h"
#include "tests/support/scoped_temp_folder.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kDigest[] = L"0123456789ABCDEF0123456789abcdef";

std::wstring Md5Of(const std::string& bytes) { return Md5OfString(bytes.data(), bytes.size()); }

}  // namespace

TEST(PackageFileName, UrlGivesADecodedNameOrAGeneratedOne) {
    const struct {
        const wchar_t* url;
        const wchar_t* name;
    } cases[] = {
        {L"http://h/drivers/setup.exe", L"setup.exe"},
        {L"http://h/d/setup.exe?token=1/2&x=..", L"setup.exe"},
        {L"http://h/d/pkg.zip#part", L"pkg.zip"},
        {L"http://h/d/Intel%20LAN%20v2.zip", L"Intel LAN v2.zip"},
        {L"http://h/d/caf%C3%A9.cab", L"caf\u00e9.cab"},
        // Everything below would leave the folder, name a device or not be a name.
        {L"http://h/d/..%5C..%5CWindows%5Cevil.exe", L"package-0123456789ab.exe"},
        {L"http://h/d/%2e%2e", L"package-0123456789ab"},
        {L"http://h/d/a%2Fb.zip", L"package-0123456789ab.zip"},
        {L"http://h/d/C%3A%5Cx.inf", L"package-0123456789ab.inf"},
        {L"http://h/d/nul.zip", L"package-0123456789ab.zip"},
        {L"http://h/d/COM1", L"package-0123456789ab"},
        {L"http://h/d/lpt9.exe", L"package-0123456789ab.exe"},
        {L"http://h/d/a%3F.exe", L"package-0123456789ab.exe"},
        {L"http://h/d/tab%09.exe", L"package-0123456789ab.exe"},
        {L"http://h/d/setup.exe.", L"package-0123456789ab"},
        {L"http://h/d/bad%ZZ.exe", L"package-0123456789ab.exe"},
        {L"http://h/d/bad%C3.exe", L"package-0123456789ab.exe"},  // a cut UTF-8 sequence
        {L"http://h/d/", L"package-0123456789ab"},
        {L"http://h", L"package-0123456789ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(PackageFileNameFromUrl(c.url, kDigest), c.name) << c.url;
    // Names that only look alike stay.
    EXPECT_EQ(PackageFileNameFromUrl(L"http://h/console.exe", kDigest), L"console.exe");
    EXPECT_EQ(PackageFileNameFromUrl(L"http://h/com10.exe", kDigest), L"com10.exe");
    EXPECT_EQ(PackageFileNameFromUrl(L"http://h/v1.2.exe", kDigest), L"v1.2.exe");
}

// Two packages of one run that both call themselves setup.exe.
TEST(PackageFileName, PackagesWithOneNameNeverReplaceEachOther) {
    ScopedTempFolder folder;
    std::map<std::wstring, std::wstring> downloaded;
    const std::string first = "first package", second = "second package", third = "third";

    const std::wstring firstPath = UniquePackagePath(folder.Path(), L"setup.exe", Md5Of(first), downloaded);
    EXPECT_EQ(firstPath, folder.File(L"setup.exe"));
    ASSERT_TRUE(WriteFileBytes(firstPath, first));
    downloaded[L"http://a/setup.exe"] = DownloadedFilesEntry(firstPath, Md5Of(first));

    const std::wstring secondPath = UniquePackagePath(folder.Path(), L"setup.exe", Md5Of(second), downloaded);
    EXPECT_EQ(secondPath, folder.File(L"setup (2).exe"));
    ASSERT_TRUE(WriteFileBytes(secondPath, second));
    downloaded[L"http://b/setup.exe"] = DownloadedFilesEntry(secondPath, Md5Of(second));

    // The same package again goes where it already lies, in any letter case of its digest.
    EXPECT_EQ(UniquePackagePath(folder.Path(), L"setup.exe", Md5Of(second), downloaded), secondPath);
    EXPECT_EQ(UniquePackagePath(folder.Path() + L"\\", L"setup.exe", Md5Of(first), downloaded), firstPath);

    // A file of another package keeps its name even when the list does not know it,
    // and a recorded one keeps it while it is missing from disk.
    ASSERT_TRUE(WriteFileBytes(folder.File(L"drv.zip"), "someone else's"));
    EXPECT_EQ(UniquePackagePath(folder.Path(), L"drv.zip", Md5Of(third), downloaded), folder.File(L"drv (2).zip"));
    DeleteFileW(firstPath.c_str());
    EXPECT_EQ(UniquePackagePath(folder.Path(), L"setup.exe", Md5Of(third), downloaded), folder.File(L"setup (3).exe"));
    // An unrecorded file that hashes to the package is that package.
    ASSERT_TRUE(WriteFileBytes(folder.File(L"same.cab"), third));
    EXPECT_EQ(UniquePackagePath(folder.Path(), L"same.cab", Md5Of(third), downloaded), folder.File(L"same.cab"));
}

TEST(PackageFileName, DownloadListEntriesKeepThePathBarDigestForm) {
    EXPECT_EQ(DownloadedFilesEntry(L"C:\\dl\\setup.exe", L"abc"), L"C:\\dl\\setup.exe|abc");
    EXPECT_EQ(DownloadedFilesKey(L"HTTP://Host/Pkg.ZIP"), L"http:hostpkg.zip");

    const struct {
        const wchar_t* value;
        bool read;
        const wchar_t* path;
        const wchar_t* md5;
    } cases[] = {
        {L"C:\\dl\\setup.exe|abc", true, L"C:\\dl\\setup.exe", L"abc"},
        {L"C:\\dl\\setup.exe|", true, L"C:\\dl\\setup.exe", L""},
        {L"|abc", false, L"", L""},  // a bar only at the first character
        {L"C:\\dl\\setup.exe", false, L"", L""},
        {L"", false, L"", L""},
    };
    for (const auto& c : cases) {
        const auto entry = ParseDownloadedFilesEntry(c.value);
        ASSERT_EQ(entry.has_value(), c.read) << c.value;
        if (entry) {
            EXPECT_EQ(entry->path, c.path);
            EXPECT_EQ(entry->md5, c.md5);
        }
    }
}

TEST(PackageFileName, PackageIsCheckedAgainRightBeforeTheInstall) {
    ScopedTempFolder folder;
    const std::wstring path = folder.File(L"pkg.zip");
    const std::string bytes = "package bytes";
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    std::wstring upper = Md5Of(bytes);
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    EXPECT_TRUE(PackageReadyToInstall(path, Md5Of(bytes)));
    EXPECT_TRUE(PackageReadyToInstall(path, upper));
    EXPECT_FALSE(PackageReadyToInstall(path, L""));
    EXPECT_FALSE(PackageReadyToInstall(folder.File(L"missing.zip"), Md5Of(bytes)));
    ASSERT_TRUE(WriteFileBytes(path, "package bytez"));  // changed on disk since the download
    EXPECT_FALSE(PackageReadyToInstall(path, Md5Of(bytes)));
}
