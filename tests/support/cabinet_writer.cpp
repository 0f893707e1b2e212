#include "tests/support/cabinet_writer.h"

#include <windows.h>
#include <fci.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct WriterState {
    std::string folder;
    std::string baseName;
    std::vector<std::string> written;
};

FNFCIALLOC(Alloc) { return std::malloc(cb); }
FNFCIFREE(Free) { std::free(memory); }
FNFCIOPEN(Open) {
    (void)err;
    (void)pv;
    return _open(pszFile, oflag, pmode);
}
FNFCIREAD(Read) {
    (void)err;
    (void)pv;
    return static_cast<UINT>(_read(static_cast<int>(hf), memory, cb));
}
FNFCIWRITE(Write) {
    (void)err;
    (void)pv;
    return static_cast<UINT>(_write(static_cast<int>(hf), memory, cb));
}
FNFCICLOSE(Close) {
    (void)err;
    (void)pv;
    return _close(static_cast<int>(hf));
}
FNFCISEEK(Seek) {
    (void)err;
    (void)pv;
    return _lseek(static_cast<int>(hf), dist, seektype);
}
FNFCIDELETE(Delete) {
    (void)err;
    (void)pv;
    return std::remove(pszFile);
}
FNFCIGETTEMPFILE(TempFile) {
    (void)pv;
    char folder[MAX_PATH] = {};
    char name[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    if (!GetTempFileNameA(folder, "hcb", 0, name) || std::strlen(name) >= static_cast<size_t>(cbTempName)) {
        return FALSE;
    }
    DeleteFileA(name);
    std::strcpy(pszTempName, name);
    return TRUE;
}
FNFCIFILEPLACED(Placed) {
    (void)pccab;
    (void)pszFile;
    (void)cbFile;
    (void)fContinuation;
    (void)pv;
    return 0;
}
FNFCISTATUS(Status) {
    (void)typeStatus;
    (void)cb1;
    (void)pv;
    return cb2;
}

void NameCabinet(PCCAB cab, const WriterState& state) {
    std::snprintf(cab->szCab, sizeof(cab->szCab), "%s%d.cab", state.baseName.c_str(), cab->iCab);
}

FNFCIGETNEXTCABINET(NextCabinet) {
    (void)cbPrevCab;
    const auto* state = static_cast<WriterState*>(pv);
    NameCabinet(pccab, *state);
    return TRUE;
}

// Opens the member's content, which the test put in a temporary file.
FNFCIGETOPENINFO(OpenInfo) {
    (void)pv;
    *pdate = 0x5A21;  // 2025-01-01
    *ptime = 0x6000;  // 12:00:00
    *pattribs = _A_ARCH;
    return _open(pszName, _O_RDONLY | _O_BINARY, 0);
}

}  // namespace

std::vector<std::string> WriteCabinetSet(const std::string& folder, const std::string& baseName,
                                         const std::vector<CabinetMember>& members, unsigned long maxCabinetBytes) {
    WriterState state{folder, baseName, {}};
    CCAB cab = {};
    cab.cb = maxCabinetBytes;
    cab.cbFolderThresh = 0x7FFFFFFF;
    cab.iCab = 1;
    cab.setID = 4242;
    std::snprintf(cab.szCabPath, sizeof(cab.szCabPath), "%s\\", folder.c_str());
    NameCabinet(&cab, state);
    ERF error = {};
    HFCI fci = FCICreate(&error, Placed, Alloc, Free, Open, Read, Write, Close, Seek, Delete, TempFile, &cab, &state);
    if (fci == nullptr) return {};
    bool ok = true;
    for (size_t i = 0; i < members.size() && ok; ++i) {
        const std::string source = folder + "\\member" + std::to_string(i) + ".src";
        FILE* file = std::fopen(source.c_str(), "wb");
        ok = file != nullptr && std::fwrite(members[i].content.data(), 1, members[i].content.size(), file) ==
                                    members[i].content.size();
        if (file != nullptr) std::fclose(file);
        std::string sourceBuffer = source;
        std::string nameBuffer = members[i].name;
        ok = ok && FCIAddFile(fci, sourceBuffer.data(), nameBuffer.data(), FALSE, NextCabinet, Status, OpenInfo,
                              tcompTYPE_NONE);
    }
    ok = ok && FCIFlushCabinet(fci, FALSE, NextCabinet, Status);
    FCIDestroy(fci);
    for (size_t i = 0; i < members.size(); ++i) DeleteFileA((folder + "\\member" + std::to_string(i) + ".src").c_str());
    if (!ok) return {};
    for (int part = 1;; ++part) {
        const std::string name = baseName + std::to_string(part) + ".cab";
        if (GetFileAttributesA((folder + "\\" + name).c_str()) == INVALID_FILE_ATTRIBUTES) break;
        state.written.push_back(name);
    }
    return state.written;
}
