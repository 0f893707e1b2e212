#include "foundation/string_file.h"

#include "foundation/extended_path.h"

bool CStringFile::Open(const std::wstring& path) {
    Close();
    file_.Reset(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.Get(), &size)) {
        Close();
        return false;
    }
    length_ = static_cast<ULONGLONG>(size.QuadPart);
    return true;
}

void CStringFile::Close() {
    file_.Reset();
    length_ = 0;
    position_ = dataEnd_ = 0;
    atEnd_ = false;
    firstRead_ = true;
    encoding_ = Encoding::Ansi;
    lineCount_ = 0;
    pendingUnit_ = false;
}

bool CStringFile::FillBuffer() {
    if (atEnd_ || !file_) return false;
    DWORD read = 0;
    if (!ReadFile(file_.Get(), buffer_, kReadBufferSize, &read, nullptr) || read == 0) {
        atEnd_ = true;
        return false;
    }
    position_ = 0;
    dataEnd_ = read;
    return true;
}

void CStringFile::DetectEncoding() {
    firstRead_ = false;
    if (!FillBuffer()) return;
    // A mark split over the first read cannot happen: the buffer holds 2048 bytes
    // unless the file is shorter than that.
    const DWORD have = dataEnd_;
    if (have >= 3 && buffer_[0] == 0xEF && buffer_[1] == 0xBB && buffer_[2] == 0xBF) {
        encoding_ = Encoding::Utf8;
        position_ = 3;
    } else if (have >= 2 && buffer_[0] == 0xFF && buffer_[1] == 0xFE) {
        encoding_ = Encoding::Utf16Le;
        position_ = 2;
    } else if (have >= 2 && buffer_[0] == 0xFE && buffer_[1] == 0xFF) {
        encoding_ = Encoding::Utf16Be;
        position_ = 2;
    }
}

// One code unit of the file: a byte, or a 16-bit unit for UTF-16 files.
bool CStringFile::NextUnit(unsigned& unit) {
    if (pendingUnit_) {
        pendingUnit_ = false;
        unit = pending_;
        return true;
    }
    const int width = (encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be) ? 2 : 1;
    BYTE bytes[2] = {};
    for (int i = 0; i < width; ++i) {
        if (position_ >= dataEnd_ && !FillBuffer()) return false;  // an odd last byte is dropped
        bytes[i] = buffer_[position_++];
    }
    if (width == 1) {
        unit = bytes[0];
    } else if (encoding_ == Encoding::Utf16Le) {
        unit = static_cast<unsigned>(bytes[0] | (bytes[1] << 8));
    } else {
        unit = static_cast<unsigned>((bytes[0] << 8) | bytes[1]);
    }
    return true;
}

std::wstring CStringFile::Decode(const std::vector<unsigned>& units) const {
    if (encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be) {
        std::wstring text;
        text.reserve(units.size());
        for (unsigned u : units) text.push_back(static_cast<wchar_t>(u));
        return text;
    }
    std::string bytes;
    bytes.reserve(units.size());
    for (unsigned u : units) bytes.push_back(static_cast<char>(u));
    const UINT codePage = encoding_ == Encoding::Utf8 ? CP_UTF8 : CP_THREAD_ACP;
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0) return {};
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

UINT CStringFile::ReadLine(std::wstring& line) {
    line.clear();
    if (!file_) return 0;
    if (firstRead_) DetectEncoding();

    std::vector<unsigned> units;
    unsigned unit = 0;
    for (;;) {
        if (!NextUnit(unit)) break;
        if (unit == 0) continue;
        if (unit == '\n' || unit == '\r') {
            // A second break character right after counts with the first.
            unsigned next = 0;
            if (NextUnit(next) && next != '\n' && next != '\r') {
                pending_ = next;
                pendingUnit_ = true;
            }
            if (units.empty()) continue;  // empty lines are skipped
            break;
        }
        units.push_back(unit);
    }
    if (units.empty()) return 0;
    line = Decode(units);
    return ++lineCount_;
}
