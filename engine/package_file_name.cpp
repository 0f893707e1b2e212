#include "engine/package_file_name.h"

#include "platform/path_checks.h"
#include "engine/invalid_name_char.h"
#include "foundation/md5_checksum.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// %XX escapes as UTF-8 bytes; a broken escape or byte sequence gives nothing, which
// then counts as an unusable name.
std::optional<std::wstring> PercentDecoded(const std::wstring& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else {
            // Already a wide character: carry it through as UTF-8.
            char buffer[8];
            const int count = WideCharToMultiByte(CP_UTF8, 0, &c, 1, buffer, sizeof(buffer), nullptr, nullptr);
            if (count <= 0) return std::nullopt;
            bytes.append(buffer, static_cast<std::size_t>(count));
        }
    }
    if (bytes.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                           nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring decoded(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), decoded.data(),
                        length);
    return decoded;
}

bool IsDeviceName(const std::wstring& name) {
    // The part before the first dot decides: "nul.txt" is the device too.
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && (stem.back() == L' ')) stem.pop_back();
    for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kDevices) {
        if (stem == device) return true;
    }
    if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0)) {
        const wchar_t digit = stem[3];
        return (digit >= L'1' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

bool IsUsableFileName(const std::wstring& name) {
    if (name.empty() || name.size() > 200) return false;
    if (name.find(L"..") != std::wstring::npos) return false;
    for (wchar_t c : name) {
        if (c < 0x20 || std::wcschr(L"\\/:*?\"<>|", c)) return false;
    }
    // Windows drops trailing dots and blanks, so "a.exe." would land on "a.exe".
    if (name.back() == L'.' || name.back() == L' ' || name.front() == L' ') return false;
    return !IsDeviceName(name);
}

std::wstring PlainExtension(const std::wstring& name) {
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot + 1 >= name.size() || name.size() - dot - 1 > 8) return {};
    for (std::size_t i = dot + 1; i < name.size(); ++i) {
        const wchar_t c = name[i];
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'))) return {};
    }
    return name.substr(dot);
}

std::wstring Lower(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool SameText(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

}  // namespace

std::wstring PackageFileNameFromUrl(const std::wstring& url, const std::wstring& digest) {
    std::wstring path = url.substr(0, url.find_first_of(L"?#"));
    const std::size_t scheme = path.find(L"://");
    if (scheme != std::wstring::npos) {
        const std::size_t pathStart = path.find(L'/', scheme + 3);
        path = pathStart == std::wstring::npos ? std::wstring() : path.substr(pathStart);
    }
    const std::wstring raw = path.substr(path.rfind(L'/') == std::wstring::npos ? 0 : path.rfind(L'/') + 1);
    const std::optional<std::wstring> decoded = PercentDecoded(raw);
    if (decoded && IsUsableFileName(*decoded)) return *decoded;

    std::wstring generated = L"package-" + Lower(digest.substr(0, 12));
    if (digest.empty()) generated = L"package";
    return generated + PlainExtension(decoded ? *decoded : raw);
}

std::wstring UniquePackagePath(const std::wstring& folder, const std::wstring& fileName, const std::wstring& digest,
                               const std::map<std::wstring, std::wstring>& downloadedFiles) {
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    const std::wstring extension = PlainExtension(fileName);
    const std::wstring stem = fileName.substr(0, fileName.size() - extension.size());

    auto belongsToThisPackage = [&](const std::wstring& candidate) {
        for (const auto& [key, value] : downloadedFiles) {
            const auto entry = ParseDownloadedFilesEntry(value);
            if (entry && SameText(entry->path, candidate)) return SameText(entry->md5, digest) && !digest.empty();
        }
        return !digest.empty() && FileExists(candidate) && SameText(Md5OfFile(candidate), digest);
    };
    auto recordedForAnother = [&](const std::wstring& candidate) {
        for (const auto& [key, value] : downloadedFiles) {
            const auto entry = ParseDownloadedFilesEntry(value);
            if (entry && SameText(entry->path, candidate) && !SameText(entry->md5, digest)) return true;
        }
        return false;
    };

    for (int number = 1;; ++number) {
        const std::wstring name = number == 1 ? fileName : stem + L" (" + std::to_wstring(number) + L")" + extension;
        const std::wstring candidate = base + name;
        // A recorded file of another package keeps its name even while it is
        // missing: the list still points there.
        if (recordedForAnother(candidate)) continue;
        if (!PathExists(candidate) || belongsToThisPackage(candidate)) return candidate;
    }
}

std::wstring DownloadedFilesKey(const std::wstring& url) { return Lower(RemoveFirstInvalidNameChar(url)); }

std::wstring DownloadedFilesEntry(const std::wstring& path, const std::wstring& md5) { return path + L"|" + md5; }

std::optional<DownloadedFile> ParseDownloadedFilesEntry(const std::wstring& value) {
    const std::size_t bar = value.find(L'|', 1);
    if (value.empty() || bar == std::wstring::npos) return std::nullopt;
    return DownloadedFile{value.substr(0, bar), value.substr(bar + 1)};
}

bool PackageReadyToInstall(const std::wstring& path, const std::wstring& md5) {
    if (md5.empty() || !FileExists(path)) return false;
    return SameText(Md5OfFile(path), md5);
}

std::recursive_mutex& DownloadedFilesLock() {
    static std::recursive_mutex lock;
    return lock;
}
