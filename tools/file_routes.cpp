#include "tools/file_routes.h"

#include <utility>

void FileRoutes::PutFile(const std::string& path, std::string bytes) {
    std::lock_guard lock(mutex_);
    files_[path] = std::make_shared<const std::string>(std::move(bytes));
}

bool FileRoutes::RemoveFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    return files_.erase(path) != 0;
}

void FileRoutes::AddFault(FileFaultRule rule) {
    std::lock_guard lock(mutex_);
    faults_.push_back(std::move(rule));
}

void FileRoutes::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::optional<FileFaultRule> FileRoutes::TakeFault(const HttpRequest& request, bool head,
                                                   std::optional<std::uint64_t> start) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        FileFaultRule& rule = *it;
        if (rule.path != request.path || rule.times == 0) continue;
        const bool headFault = rule.fault == FileFault::HeadStatus || rule.fault == FileFault::DeclaredLength;
        if (headFault != head) continue;
        if (rule.rangeStart && (!start || *start != *rule.rangeStart)) continue;
        FileFaultRule taken = rule;
        if (rule.times > 0 && --rule.times == 0) faults_.erase(it);
        return taken;
    }
    return std::nullopt;
}

std::optional<HttpResponse> FileRoutes::Answer(const HttpRequest& request) {
    const bool head = request.method == "HEAD";
    if (!head && request.method != "GET") return std::nullopt;

    std::shared_ptr<const std::string> file;
    std::optional<ByteRange> range;
    std::optional<FileFaultRule> fault;
    {
        std::lock_guard lock(mutex_);
        const auto found = files_.find(request.path);
        if (found == files_.end()) return std::nullopt;
        file = found->second;
        const std::string rangeHeader = request.Header("Range");
        if (!head && !rangeHeader.empty()) range = ParseRangeHeader(rangeHeader, file->size());
        fault = TakeFault(request, head, range ? std::optional<std::uint64_t>(range->first) : std::nullopt);
    }

    HttpResponse response;
    response.AddHeader("Content-Type", "application/octet-stream");
    response.AddHeader("Accept-Ranges", "bytes");
    const std::uint64_t size = file->size();

    if (head) {
        response.sendBody = false;
        response.bodyLength = static_cast<std::size_t>(size);
        if (fault && fault->fault == FileFault::HeadStatus) {
            response.status = static_cast<int>(fault->amount);
            response.declaredLength = "0";
        } else if (fault && fault->fault == FileFault::DeclaredLength) {
            response.declaredLength = fault->declaredLength;
        }
        return response;
    }

    if (!range && !request.Header("Range").empty()) {
        response.status = 416;
        response.AddHeader("Content-Range", "bytes */" + std::to_string(size));
        return response;
    }

    if (!range || (fault && fault->fault == FileFault::IgnoreRange)) {
        response.SetBodyView(file, 0, static_cast<std::size_t>(size));
    } else {
        std::uint64_t first = range->first;
        std::uint64_t length = range->last - range->first + 1;
        std::uint64_t claimedFirst = first;
        if (fault && fault->fault == FileFault::WrongRangeStart) claimedFirst = first + fault->amount;
        if (fault && fault->fault == FileFault::ShortBody && fault->amount < length) length = fault->amount;
        response.status = 206;
        response.AddHeader("Content-Range", "bytes " + std::to_string(claimedFirst) + "-" +
                                                std::to_string(claimedFirst + length - 1) + "/" +
                                                std::to_string(size));
        response.SetBodyView(file, static_cast<std::size_t>(first), static_cast<std::size_t>(length));
    }
    if (fault && fault->fault == FileFault::DropAfter) {
        response.closeAfterBodyBytes = static_cast<std::size_t>(fault->amount);
    }
    if (fault && fault->fault == FileFault::Stall) {
        response.stallAfterBodyBytes = static_cast<std::size_t>(fault->amount);
        response.stallMilliseconds = fault->stallMilliseconds;
    }
    return response;
}
