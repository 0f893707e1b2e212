#pragma once

#include <windows.h>
#include <fdi.h>

#include <functional>
#include <string>

// Own error codes of the cabinet extraction.
namespace CabinetError {
constexpr int kNone = 0;
constexpr int kLibraryMissing = 1000;
constexpr int kEmptyPath = 1001;
constexpr int kEncodedCabinetName = 1002;
constexpr int kEncodedPathBeforeNt = 1003;
constexpr int kUnsafeName = 1004;
constexpr int kPathTooLong = 1005;
constexpr int kCreateFailed = 8;
}  // namespace CabinetError

// Extracts cabinet files through the FDI interface of "Cabinet.dll", loaded by name.
// Paths are 8-bit text (the caller converts with CP_THREAD_ACP), as FDI takes them.
class CabinetExtractor {
public:
    static constexpr size_t kMaxPathChars = 254;

    CabinetExtractor() = default;
    ~CabinetExtractor();
    CabinetExtractor(const CabinetExtractor&) = delete;
    CabinetExtractor& operator=(const CabinetExtractor&) = delete;

    // Loads the library and creates the FDI context once; false when that failed.
    bool LoadCabinetFdi();
    // Extracts every member of the cabinet, following the set's next cabinets in the
    // same folder. False when anything failed or a member was refused; members that
    // would land outside the target folder are never written.
    bool Extract(const std::string& targetFolder, const std::string& cabinetPath);

    int ErrorCode() const { return errorCode_; }
    const ERF& FdiError() const { return fdiError_; }

private:
    static INT_PTR DIAMONDAPI Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification);
    INT_PTR OpenMemberFile(const char* memberName);
    INT_PTR CloseMemberFile(PFDINOTIFICATION notification);
    INT_PTR NoteNextCabinet(PFDINOTIFICATION notification);
    void Fail(int code);

    using FdiCreateFn = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE, PFNSEEK, int,
                                         PERF);
    using FdiCopyFn = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
    using FdiIsCabinetFn = BOOL(DIAMONDAPI*)(HFDI, INT_PTR, PFDICABINETINFO);
    using FdiDestroyFn = BOOL(DIAMONDAPI*)(HFDI);

    HMODULE library_ = nullptr;
    FdiCreateFn fdiCreate_ = nullptr;
    FdiCopyFn fdiCopy_ = nullptr;
    FdiIsCabinetFn fdiIsCabinet_ = nullptr;
    FdiDestroyFn fdiDestroy_ = nullptr;
    HFDI context_ = nullptr;
    ERF fdiError_ = {};
    int errorCode_ = CabinetError::kNone;
    bool failed_ = false;
    std::string targetFolder_;
    std::string nextCabinet_;
    std::wstring openMemberPath_;
};

// Runs `copyOne` on the first cabinet and then on each next cabinet that the previous
// one recorded, until a cabinet records no other name. A name met before ends the
// chain as a failure, as does a name that is not a plain file name. `copyOne` gets
// the cabinet name and sets the recorded next name (it starts as the current name).
bool FollowCabinetChain(const std::string& firstName,
                        const std::function<bool(const std::string& name, std::string& next)>& copyOne);

// Creates every missing folder of an 8-bit path (a path with an encoded run is
// decoded and created with the wide call). 0 on success, else the system error.
DWORD CreateDirectoryPath(const std::string& path);
