#include "engine/driver_install_engine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Only the last extension of the file name decides, so a package is unpacked or
// started by one road only.
TEST(PackageKindTest, TheLastExtensionOfTheFileNameDecides) {
    const struct {
        const wchar_t* path;
        PackageKind kind;
    } cases[] = {
        {L"C:\\dl\\setup.exe", PackageKind::Program},
        {L"C:\\dl\\SETUP.EXE", PackageKind::Program},
        {L"C:\\dl\\driver.msi", PackageKind::Program},
        {L"C:\\dl\\driver.zip", PackageKind::Zip},
        {L"C:\\dl\\driver.cab.zip", PackageKind::Zip},
        {L"C:\\dl\\driver.zip.cab", PackageKind::Cabinet},
        {L"C:\\dl\\driver.RAR", PackageKind::Rar},
        {L"C:\\setup.exe files\\driver.cab", PackageKind::Cabinet},
        {L"C:\\driver.zip\\readme", PackageKind::Other},
        {L"C:\\dl\\driver.zipx", PackageKind::Other},
        {L"C:\\dl\\driver.inf", PackageKind::Other},
        {L"", PackageKind::Other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PackageKindOf(c.path), c.kind) << std::string(c.path, c.path + wcslen(c.path));
    }
}

}  // namespace
