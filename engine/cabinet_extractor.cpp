#include "engine/cabinet_extractor.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdlib>
#include <set>

#include "platform/scoped_handle.h"
#include "engine/angle_base64_name_codec.h"
#include "engine/archive_member_name.h"
#include "foundation/system_helpers.h"
#include "platform/entry_point.h"

namespace {

FNALLOC(FdiAlloc) { return std::malloc(cb); }
FNFREE(FdiFree) { std::free(pv); }
FNOPEN(FdiOpen) { return _open(pszFile, oflag, pmode); }
FNREAD(FdiRead) { return static_cast<UINT>(_read(static_cast<int>(hf), pv, cb)); }
FNWRITE(FdiWrite) { return static_cast<UINT>(_write(static_cast<int>(hf), pv, cb)); }
FNCLOSE(FdiClose) { return _close(static_cast<int>(hf)); }
FNSEEK(FdiSeek) { return _lseek(static_cast<int>(hf), dist, seektype); }

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::wstring Widened(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// A member name as the file system will see it.
std::wstring MemberNameAsWide(const std::string& name) {
    return HasEncodedNameRun(name) ? AngleBase64NameCodec().Decode(name) : Widened(name);
}

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
}

}  // namespace

CabinetExtractor::~CabinetExtractor() {
    if (context_ != nullptr && fdiDestroy_ != nullptr) fdiDestroy_(context_);
    if (library_ != nullptr) FreeLibrary(library_);
}

void CabinetExtractor::Fail(int code) {
    errorCode_ = code;
    failed_ = true;
}

bool CabinetExtractor::LoadCabinetFdi() {
    if (context_ != nullptr) return true;
    if (library_ == nullptr) library_ = LoadLibraryA("Cabinet.dll");
    fdiCreate_ = GetEntryPoint<FdiCreateFn>(library_, "FDICreate");
    fdiCopy_ = GetEntryPoint<FdiCopyFn>(library_, "FDICopy");
    fdiIsCabinet_ = GetEntryPoint<FdiIsCabinetFn>(library_, "FDIIsCabinet");
    fdiDestroy_ = GetEntryPoint<FdiDestroyFn>(library_, "FDIDestroy");
    if (library_ == nullptr || !fdiCreate_ || !fdiCopy_ || !fdiIsCabinet_ || !fdiDestroy_) {
        if (library_ != nullptr) FreeLibrary(library_);
        library_ = nullptr;
        fdiError_.fError = TRUE;
        Fail(CabinetError::kLibraryMissing);
        return false;
    }
    context_ = fdiCreate_(FdiAlloc, FdiFree, FdiOpen, FdiRead, FdiWrite, FdiClose, FdiSeek, cpu80386, &fdiError_);
    return context_ != nullptr;
}

bool CabinetExtractor::Extract(const std::string& targetFolder, const std::string& cabinetPath) {
    failed_ = false;
    errorCode_ = CabinetError::kNone;
    if (context_ == nullptr && !LoadCabinetFdi()) return false;

    targetFolder_ = targetFolder;
    if (targetFolder_.size() > 1 && targetFolder_.back() != '\\') targetFolder_ += '\\';
    const std::string path = cabinetPath.substr(0, 1998);
    const size_t slash = path.rfind('\\');
    const std::string cabinetName = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string cabinetFolder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);

    if (targetFolder_.empty() || cabinetName.empty() || cabinetFolder.empty()) {
        Fail(CabinetError::kEmptyPath);
        return false;
    }
    if (targetFolder_.size() > kMaxPathChars || cabinetFolder.size() > kMaxPathChars) {
        Fail(CabinetError::kPathTooLong);
        return false;
    }
    if (HasEncodedNameRun(cabinetName)) {
        Fail(CabinetError::kEncodedCabinetName);
        return false;
    }
    if (!IsWindowsNT() && (HasEncodedNameRun(targetFolder_) || HasEncodedNameRun(cabinetFolder))) {
        Fail(CabinetError::kEncodedPathBeforeNt);
        return false;
    }

    const bool chainCompleted = FollowCabinetChain(cabinetName, [&](const std::string& name, std::string& next) {
        nextCabinet_ = name;
        std::string nameBuffer = name;
        std::string folderBuffer = cabinetFolder;
        const BOOL copied =
            fdiCopy_(context_, nameBuffer.data(), folderBuffer.data(), 0, Notify, nullptr, this);
        next = nextCabinet_;
        return copied != FALSE;
    });
    return chainCompleted && !failed_;
}

INT_PTR DIAMONDAPI CabinetExtractor::Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification) {
    auto* self = static_cast<CabinetExtractor*>(notification->pv);
    switch (type) {
        case fdintCOPY_FILE: return self->OpenMemberFile(notification->psz1);
        case fdintCLOSE_FILE_INFO: return self->CloseMemberFile(notification);
        case fdintNEXT_CABINET: return self->NoteNextCabinet(notification);
        default: return 0;
    }
}

INT_PTR CabinetExtractor::OpenMemberFile(const char* memberName) {
    const std::string name = memberName != nullptr ? memberName : "";
    const std::wstring wideName = MemberNameAsWide(name);
    if (!IsSafeArchiveMemberName(wideName)) {
        Fail(CabinetError::kUnsafeName);
        return 0;
    }
    if (name.size() > kMaxPathChars || targetFolder_.size() + name.size() > kMaxPathChars) {
        Fail(CabinetError::kPathTooLong);
        return 0;
    }
    const std::string targetPath = targetFolder_ + name;
    if (!IsWindowsNT() && HasEncodedNameRun(targetPath)) {
        Fail(CabinetError::kEncodedPathBeforeNt);
        return 0;
    }
    const size_t slash = targetPath.rfind('\\');
    if (slash != std::string::npos && CreateDirectoryPath(targetPath.substr(0, slash + 1)) != 0) {
        Fail(CabinetError::kCreateFailed);
        return 0;
    }
    openMemberPath_ = HasEncodedNameRun(targetPath) ? AngleBase64NameCodec().Decode(targetPath) : Widened(targetPath);
    // A read-only file left by an earlier run would refuse the new content.
    if (GetFileAttributesW(openMemberPath_.c_str()) != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesW(openMemberPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    constexpr int kFlags = _O_BINARY | _O_CREAT | _O_TRUNC | _O_RDWR | _O_SEQUENTIAL;
    const int handle = HasEncodedNameRun(targetPath) ? _wopen(openMemberPath_.c_str(), kFlags, _S_IREAD | _S_IWRITE)
                                                     : _open(targetPath.c_str(), kFlags, _S_IREAD | _S_IWRITE);
    if (handle == -1) {
        Fail(CabinetError::kCreateFailed);
        return 0;
    }
    return handle;
}

INT_PTR CabinetExtractor::CloseMemberFile(PFDINOTIFICATION notification) {
    _close(static_cast<int>(notification->hf));
    FILETIME local = {};
    FILETIME utc = {};
    if (DosDateTimeToFileTime(notification->date, notification->time, &local)) {
        if (notification->attribs & 0x100) {
            utc = local;
        } else {
            LocalFileTimeToFileTime(&local, &utc);
        }
        const UniqueHandle file(CreateFileW(openMemberPath_.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) SetFileTime(file.Get(), &utc, nullptr, &utc);
    }
    const DWORD attributes = notification->attribs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesW(openMemberPath_.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
    return TRUE;
}

INT_PTR CabinetExtractor::NoteNextCabinet(PFDINOTIFICATION notification) {
    if (notification->fdie != FDIERROR_NONE) {
        fdiError_.erfOper = notification->fdie;
        fdiError_.fError = TRUE;
        failed_ = true;
        return -1;
    }
    const std::string next = notification->psz1 != nullptr ? notification->psz1 : "";
    if (!IsPlainFileName(next) || next.size() > kMaxPathChars) {
        Fail(CabinetError::kUnsafeName);
        return -1;
    }
    nextCabinet_ = next;
    return 0;
}

bool FollowCabinetChain(const std::string& firstName,
                        const std::function<bool(const std::string& name, std::string& next)>& copyOne) {
    std::set<std::string> visited;
    std::string current = firstName;
    while (true) {
        visited.insert(Lowered(current));
        std::string next = current;
        if (!copyOne(current, next)) return false;
        if (Lowered(next) == Lowered(current)) return true;
        if (!IsPlainFileName(next) || visited.count(Lowered(next)) != 0) return false;
        current = next;
    }
}

DWORD CreateDirectoryPath(const std::string& path) {
    const bool encoded = HasEncodedNameRun(path);
    const std::wstring wide = encoded ? AngleBase64NameCodec().Decode(path) : Widened(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    std::string trimmed = path;
    if (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    const size_t slash = trimmed.rfind('\\');
    if (slash != std::string::npos && slash > 0) {
        const DWORD parentError = CreateDirectoryPath(trimmed.substr(0, slash));
        if (parentError != 0) return parentError;
    }
    if (trimmed.empty() || trimmed.back() == ':') return 0;
    const BOOL created = encoded ? CreateDirectoryW(AngleBase64NameCodec().Decode(trimmed).c_str(), nullptr)
                                 : CreateDirectoryA(trimmed.c_str(), nullptr);
    if (created) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS ? 0 : error;
}

