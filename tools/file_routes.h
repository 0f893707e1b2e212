#pragma once

#include "tools/http_message.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// How one GET or HEAD of a served file misbehaves.
enum class FileFault {
    IgnoreRange,          // 200 with the whole body although a range was asked
    WrongRangeStart,      // 206 whose Content-Range names a start off by `amount` bytes
    ShortBody,            // 206 with only `amount` bytes of the asked range (honest framing)
    DropAfter,            // full headers, then the connection drops after `amount` body bytes
    Stall,                // pause `stallMilliseconds` after `amount` body bytes
    HeadStatus,           // HEAD answers with status `amount` and no length
    DeclaredLength,       // HEAD declares Content-Length `declaredLength`
};

struct FileFaultRule {
    FileFault fault = FileFault::IgnoreRange;
    std::string path;                       // the file's url path
    std::optional<std::uint64_t> rangeStart;  // only requests whose Range starts here
    std::uint64_t amount = 0;
    unsigned stallMilliseconds = 0;
    std::string declaredLength;
    int times = 1;  // how many matching requests it hits; negative: all of them
};

// A rule for `path` with `amount`; set the other fields on the result.
inline FileFaultRule MakeFault(FileFault fault, std::string path, std::uint64_t amount = 0) {
    FileFaultRule rule;
    rule.fault = fault;
    rule.path = std::move(path);
    rule.amount = amount;
    return rule;
}

// Files served from memory with HEAD and single byte ranges, and faults chosen per
// request. Thread-safe: connections run on threads of their own.
class FileRoutes {
public:
    void PutFile(const std::string& path, std::string bytes);
    bool RemoveFile(const std::string& path);
    void AddFault(FileFaultRule rule);
    void ClearFaults();

    // The answer for a GET or HEAD, or nothing when no file is served at that path.
    std::optional<HttpResponse> Answer(const HttpRequest& request);

private:
    std::optional<FileFaultRule> TakeFault(const HttpRequest& request, bool head, std::optional<std::uint64_t> start);

    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<const std::string>> files_;
    std::vector<FileFaultRule> faults_;
};
