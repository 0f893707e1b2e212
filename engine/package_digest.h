#pragma once

#include <string>

// Whether a package file hashes to the expected hexadecimal digest (case ignored):
// 32 digits are an MD5, 40 digits a SHA-1; any other text matches nothing.
bool PackageDigestMatches(const std::wstring& path, const std::wstring& expectedDigest);
