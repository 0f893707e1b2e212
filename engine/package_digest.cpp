#include "engine/package_digest.h"

#include "foundation/md5_checksum.h"
#include "foundation/sha1_digest.h"

#include <cwchar>

bool PackageDigestMatches(const std::wstring& path, const std::wstring& expectedDigest) {
    std::wstring actual;
    if (expectedDigest.size() == 32) actual = Md5OfFile(path);
    else if (expectedDigest.size() == 40) actual = Sha1HexDigestOf(path);
    else return false;
    // Both digests give no text for a file that cannot be read, so it never matches.
    return actual.size() == expectedDigest.size() && _wcsicmp(actual.c_str(), expectedDigest.c_str()) == 0;
}
