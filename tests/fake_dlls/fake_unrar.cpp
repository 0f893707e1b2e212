// A stand-in for the RAR library over a plain text "archive": a first line
// "FAKERAR", then one member per line as "name|content". It extracts the way the
// real library does, to the destination folder plus the member's stored name, so a
// caller that passes an unsafe name on lets it write outside.
#include <windows.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/unrar_api.h"

namespace {

struct Member {
    std::string name;
    std::string content;
};

struct Archive {
    std::vector<Member> members;
    size_t next = 0;
};

void CreateParents(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
}

}  // namespace

extern "C" {

__declspec(dllexport) HANDLE PASCAL RAROpenArchiveEx(unrar::OpenArchiveDataEx* data) {
    std::ifstream file(data->archiveName ? data->archiveName : "", std::ios::binary);
    std::string line;
    if (!file || !std::getline(file, line) || line.rfind("FAKERAR", 0) != 0) {
        data->openResult = 15;
        return nullptr;
    }
    auto* archive = new Archive;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t bar = line.find('|');
        if (bar == std::string::npos) continue;
        archive->members.push_back({line.substr(0, bar), line.substr(bar + 1)});
    }
    data->openResult = 0;
    return archive;
}

__declspec(dllexport) int PASCAL RARCloseArchive(HANDLE handle) {
    delete static_cast<Archive*>(handle);
    return 0;
}

__declspec(dllexport) int PASCAL RARReadHeader(HANDLE handle, unrar::HeaderData* header) {
    auto* archive = static_cast<Archive*>(handle);
    if (archive->next >= archive->members.size()) return unrar::kEndOfArchive;
    const Member& member = archive->members[archive->next];
    std::strncpy(header->fileName, member.name.c_str(), sizeof(header->fileName) - 1);
    header->packedSize = header->unpackedSize = static_cast<unsigned>(member.content.size());
    return 0;
}

__declspec(dllexport) int PASCAL RARReadHeaderEx(HANDLE handle, unrar::HeaderDataEx* header) {
    auto* archive = static_cast<Archive*>(handle);
    if (archive->next >= archive->members.size()) return unrar::kEndOfArchive;
    const Member& member = archive->members[archive->next];
    std::strncpy(header->fileName, member.name.c_str(), sizeof(header->fileName) - 1);
    MultiByteToWideChar(CP_ACP, 0, member.name.c_str(), -1, header->fileNameW, 1023);
    header->packedSize = static_cast<unsigned>(member.content.size() / 2);
    header->packedSizeHigh = 1;
    header->unpackedSize = static_cast<unsigned>(member.content.size());
    header->unpackedSizeHigh = 0;
    return 0;
}

__declspec(dllexport) int PASCAL RARProcessFile(HANDLE handle, int operation, char* destinationPath, char*) {
    auto* archive = static_cast<Archive*>(handle);
    if (archive->next >= archive->members.size()) return unrar::kEndOfArchive;
    const Member& member = archive->members[archive->next++];
    if (operation != unrar::kExtractMember) return 0;
    std::string path = destinationPath ? destinationPath : "";
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += member.name;
    CreateParents(path);
    std::ofstream out(path, std::ios::binary);
    out << member.content;
    return out ? 0 : 21;
}

}  // extern "C"
