#pragma once

// The calls of the RAR library ("unrar.dll") that the install engine makes, declared
// from the library's published interface: open an archive, walk its member headers,
// skip or extract each member, close. Only the 32-bit program loads it.

#include <windows.h>

namespace unrar {

constexpr unsigned kOpenForListing = 0;
constexpr unsigned kOpenForExtraction = 1;

constexpr int kSkipMember = 0;
constexpr int kExtractMember = 2;

constexpr int kSuccess = 0;
constexpr int kEndOfArchive = 10;

// The library reads the fields past OpenResult (comment buffer, callback, flags);
// they stay zero.
struct OpenArchiveDataEx {
    char* archiveName;
    wchar_t* archiveNameW;
    unsigned openMode;
    unsigned openResult;
    char* commentBuffer;
    unsigned commentBufferSize;
    unsigned commentSize;
    unsigned commentState;
    unsigned flags;
    void* callback;
    LPARAM userData;
    unsigned operationFlags;
    wchar_t* commentBufferW;
    unsigned reserved[25];
};

struct HeaderData {
    char archiveName[260];
    char fileName[260];
    unsigned flags;
    unsigned packedSize;
    unsigned unpackedSize;
    unsigned hostOs;
    unsigned fileCrc;
    unsigned fileTime;
    unsigned unpackVersion;
    unsigned method;
    unsigned fileAttributes;
    char* commentBuffer;
    unsigned commentBufferSize;
    unsigned commentSize;
    unsigned commentState;
};

// Later library versions append fields; the reserved tail leaves room for them.
struct HeaderDataEx {
    char archiveName[1024];
    wchar_t archiveNameW[1024];
    char fileName[1024];
    wchar_t fileNameW[1024];
    unsigned flags;
    unsigned packedSize;
    unsigned packedSizeHigh;
    unsigned unpackedSize;
    unsigned unpackedSizeHigh;
    unsigned hostOs;
    unsigned fileCrc;
    unsigned fileTime;
    unsigned unpackVersion;
    unsigned method;
    unsigned fileAttributes;
    char* commentBuffer;
    unsigned commentBufferSize;
    unsigned commentSize;
    unsigned commentState;
    unsigned reserved[1024];
};

using OpenArchiveExFn = HANDLE(PASCAL*)(OpenArchiveDataEx* data);
using CloseArchiveFn = int(PASCAL*)(HANDLE archive);
using ReadHeaderFn = int(PASCAL*)(HANDLE archive, HeaderData* header);
using ReadHeaderExFn = int(PASCAL*)(HANDLE archive, HeaderDataEx* header);
using ProcessFileFn = int(PASCAL*)(HANDLE archive, int operation, char* destinationPath, char* destinationName);

}  // namespace unrar
