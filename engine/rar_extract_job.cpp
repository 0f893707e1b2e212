#include "engine/rar_extract_job.h"

#include <memory>

#include "engine/archive_member_name.h"
#include "platform/entry_point.h"
#include "platform/unrar_api.h"

namespace {

std::string Narrowed(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                        nullptr);
    return narrow;
}

std::wstring Widened(const char* text) {
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<size_t>(length - 1), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, wide.data(), length);
    return wide;
}

uint64_t Joined(unsigned high, unsigned low) { return (static_cast<uint64_t>(high) << 32) | low; }

}  // namespace

RarExtractJob::RarExtractJob() { LoadUnrarLibrary(); }

RarExtractJob::~RarExtractJob() { FreeUnrarLibrary(); }

bool RarExtractJob::LoadUnrarLibrary() {
    if (library_ != nullptr) return true;
    library_ = LoadLibraryW(L"unrar.dll");
    if (library_ == nullptr) errorText_ = kLoadErrorText;
    return library_ != nullptr;
}

void RarExtractJob::FreeUnrarLibrary() {
    if (library_ != nullptr) ::FreeLibrary(library_);
    library_ = nullptr;
}

HANDLE RarExtractJob::OpenArchive(unsigned mode) {
    const auto open = GetEntryPoint<unrar::OpenArchiveExFn>(library_, "RAROpenArchiveEx");
    if (open == nullptr) {
        errorText_ = kLoadErrorText;
        return nullptr;
    }
    std::string name = Narrowed(archivePath_);
    unrar::OpenArchiveDataEx data = {};
    data.archiveName = name.data();
    data.openMode = mode;
    HANDLE archive = open(&data);
    if (archive == nullptr || data.openResult != unrar::kSuccess) {
        errorText_ = kOpenErrorText;
        if (archive != nullptr) {
            if (const auto close = GetEntryPoint<unrar::CloseArchiveFn>(library_, "RARCloseArchive")) close(archive);
        }
        return nullptr;
    }
    return archive;
}

bool RarExtractJob::Extract(const std::wstring& archivePath) {
    archivePath_ = archivePath;
    if (library_ == nullptr) return false;
    const auto readHeader = GetEntryPoint<unrar::ReadHeaderExFn>(library_, "RARReadHeaderEx");
    const auto process = GetEntryPoint<unrar::ProcessFileFn>(library_, "RARProcessFile");
    const auto close = GetEntryPoint<unrar::CloseArchiveFn>(library_, "RARCloseArchive");
    if (readHeader == nullptr || process == nullptr || close == nullptr) {
        errorText_ = kLoadErrorText;
        return false;
    }
    HANDLE archive = OpenArchive(unrar::kOpenForListing);
    if (archive == nullptr) return false;
    entries_.clear();
    // The header is large; keep it off the worker's stack.
    auto header = std::make_unique<unrar::HeaderDataEx>();
    while (readHeader(archive, header.get()) == unrar::kSuccess) {
        header->fileNameW[1023] = L'\0';
        entries_.push_back({header->fileNameW, Joined(header->packedSizeHigh, header->packedSize),
                            Joined(header->unpackedSizeHigh, header->unpackedSize)});
        if (process(archive, unrar::kSkipMember, nullptr, nullptr) != unrar::kSuccess) break;
        *header = {};
    }
    close(archive);
    return true;
}

bool RarExtractJob::ExtractAll() {
    if (library_ == nullptr) return false;
    const auto readHeader = GetEntryPoint<unrar::ReadHeaderFn>(library_, "RARReadHeader");
    const auto process = GetEntryPoint<unrar::ProcessFileFn>(library_, "RARProcessFile");
    const auto close = GetEntryPoint<unrar::CloseArchiveFn>(library_, "RARCloseArchive");
    if (readHeader == nullptr || process == nullptr || close == nullptr) {
        errorText_ = kLoadErrorText;
        return false;
    }
    HANDLE archive = OpenArchive(unrar::kOpenForExtraction);
    if (archive == nullptr) return false;
    std::string target = Narrowed(targetFolder_);
    bool allExtracted = true;
    unrar::HeaderData header = {};
    while (readHeader(archive, &header) == unrar::kSuccess) {
        header.fileName[259] = '\0';
        const bool safe = IsSafeArchiveMemberName(Widened(header.fileName));
        if (!safe) allExtracted = false;
        const int answer = safe ? process(archive, unrar::kExtractMember, target.data(), nullptr)
                                : process(archive, unrar::kSkipMember, nullptr, nullptr);
        if (answer != unrar::kSuccess) {
            allExtracted = false;
            break;
        }
        header = {};
    }
    close(archive);
    return allExtracted;
}
