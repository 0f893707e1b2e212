#include "engine/package_digest.h"

#include <windows.h>
#include <wincrypt.h>

#include <cwchar>
#include <vector>

namespace {

// Hexadecimal digest of a file's bytes through the system's hash provider.
std::wstring FileDigestHex(const std::wstring& path, ALG_ID algorithm) {
    std::wstring hex;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return hex;
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, algorithm, 0, 0, &hash)) {
        std::vector<char> chunk(65536);
        DWORD read = 0;
        bool ok = true;
        while (ok && ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) && read > 0) {
            ok = CryptHashData(hash, reinterpret_cast<const BYTE*>(chunk.data()), read, 0) != FALSE;
        }
        BYTE digest[64];
        DWORD size = sizeof(digest);
        if (ok && CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
            wchar_t pair[3];
            for (DWORD i = 0; i < size; ++i) {
                std::swprintf(pair, 3, L"%02X", digest[i]);
                hex += pair;
            }
        }
    }
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
    CloseHandle(file);
    return hex;
}

}  // namespace

bool PackageDigestMatches(const std::wstring& path, const std::wstring& expectedDigest) {
    std::wstring actual;
    if (expectedDigest.size() == 32) actual = FileDigestHex(path, CALG_MD5);
    else if (expectedDigest.size() == 40) actual = FileDigestHex(path, CALG_SHA1);
    else return false;
    return actual.size() == expectedDigest.size() && _wcsicmp(actual.c_str(), expectedDigest.c_str()) == 0;
}
