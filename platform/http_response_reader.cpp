#include "platform/http_response_reader.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t kMaxHeaderBytes = 65536;
constexpr size_t kMaxLineBytes = 8192;

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r')) --last;
    return text.substr(first, last - first);
}

bool ParseDecimal(const std::string& text, unsigned long long& value) {
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

bool ParseHex(const std::string& text, unsigned long long& value) {
    if (text.empty() || text.size() > 15) return false;
    value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

}  // namespace

HttpResponseReader::HttpResponseReader(size_t maxBodyBytes) : maxBodyBytes_(maxBodyBytes) {}

HttpResponseReader::State HttpResponseReader::Fail(const char* why) {
    error_ = why;
    state_ = State::Failed;
    pending_.clear();
    return state_;
}

HttpResponseReader::State HttpResponseReader::Feed(const char* data, size_t size) {
    if (state_ != State::NeedMore) return state_;
    pending_.append(data, size);
    return Advance();
}

HttpResponseReader::State HttpResponseReader::FinishAtClose() {
    if (state_ != State::NeedMore) return state_;
    if (stage_ == Stage::UntilClose) {
        stage_ = Stage::Done;
        return state_ = State::Complete;
    }
    return Fail("connection closed before the answer was complete");
}

bool HttpResponseReader::TakeLine(std::string& line) {
    const size_t end = pending_.find("\r\n");
    if (end == std::string::npos) return false;
    line = pending_.substr(0, end);
    pending_.erase(0, end + 2);
    return true;
}

bool HttpResponseReader::ParseHeaders(const std::string& head) {
    size_t lineEnd = head.find("\r\n");
    const std::string statusLine = head.substr(0, lineEnd);
    // "HTTP/1.x NNN reason"
    if (statusLine.size() < 12 || statusLine.compare(0, 7, "HTTP/1.") != 0 || statusLine[8] != ' ') return false;
    unsigned long long code = 0;
    if (!ParseDecimal(statusLine.substr(9, 3), code) || code < 100 || code > 599) return false;
    if (statusLine.size() > 12 && statusLine[12] != ' ') return false;
    status_ = static_cast<int>(code);

    bool chunked = false;
    bool haveLength = false;
    unsigned long long length = 0;
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos) end = head.size();
        const std::string line = head.substr(pos, end - pos);
        pos = end + 2;
        if (line.empty()) continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) return false;
        const std::string name = Lowered(Trimmed(line.substr(0, colon)));
        const std::string value = Trimmed(line.substr(colon + 1));
        if (name == "transfer-encoding") {
            if (Lowered(value).find("chunked") != std::string::npos) chunked = true;
        } else if (name == "content-length") {
            unsigned long long parsed = 0;
            // Two different lengths make the framing ambiguous: refuse the answer.
            if (!ParseDecimal(value, parsed) || (haveLength && parsed != length)) return false;
            haveLength = true;
            length = parsed;
        }
    }
    if (chunked) {
        stage_ = Stage::ChunkSize;
    } else if (haveLength) {
        if (length > maxBodyBytes_) {
            error_ = "answer too large";
            return false;
        }
        remaining_ = length;
        stage_ = Stage::FixedBody;
    } else if (status_ == 204 || status_ == 304 || status_ < 200) {
        stage_ = Stage::Done;
    } else {
        stage_ = Stage::UntilClose;
    }
    return true;
}

HttpResponseReader::State HttpResponseReader::Advance() {
    for (;;) {
        switch (stage_) {
            case Stage::Headers: {
                // Resume the search where the last one stopped, so a head that
                // arrives a byte at a time costs no more than one that arrives whole.
                const size_t end = pending_.find("\r\n\r\n", headScanned_);
                if (end == std::string::npos) {
                    if (pending_.size() > kMaxHeaderBytes) return Fail("headers too large");
                    headScanned_ = pending_.size() < 3 ? 0 : pending_.size() - 3;
                    return state_;
                }
                headScanned_ = 0;
                if (end > kMaxHeaderBytes) return Fail("headers too large");
                const std::string head = pending_.substr(0, end);
                pending_.erase(0, end + 4);
                if (!ParseHeaders(head)) {
                    if (error_.empty()) error_ = "malformed answer head";
                    state_ = State::Failed;
                    return state_;
                }
                // An interim answer (100 Continue) is followed by the real one.
                if (status_ >= 100 && status_ < 200) {
                    stage_ = Stage::Headers;
                    continue;
                }
                break;
            }
            case Stage::FixedBody: {
                const size_t take = static_cast<size_t>(std::min<unsigned long long>(remaining_, pending_.size()));
                body_.append(pending_, 0, take);
                pending_.erase(0, take);
                remaining_ -= take;
                if (remaining_ > 0) return state_;
                stage_ = Stage::Done;
                break;
            }
            case Stage::ChunkSize: {
                std::string line;
                if (!TakeLine(line)) {
                    if (pending_.size() > kMaxLineBytes) return Fail("malformed chunk size");
                    return state_;
                }
                const size_t extension = line.find(';');
                unsigned long long size = 0;
                if (!ParseHex(Trimmed(line.substr(0, extension)), size)) return Fail("malformed chunk size");
                if (size > maxBodyBytes_ - body_.size()) return Fail("answer too large");
                remaining_ = size;
                stage_ = size == 0 ? Stage::Trailers : Stage::ChunkData;
                break;
            }
            case Stage::ChunkData: {
                const size_t take = static_cast<size_t>(std::min<unsigned long long>(remaining_, pending_.size()));
                body_.append(pending_, 0, take);
                pending_.erase(0, take);
                remaining_ -= take;
                if (remaining_ > 0) return state_;
                stage_ = Stage::ChunkDataEnd;
                break;
            }
            case Stage::ChunkDataEnd: {
                if (pending_.size() < 2) return state_;
                if (pending_.compare(0, 2, "\r\n") != 0) return Fail("malformed chunk end");
                pending_.erase(0, 2);
                stage_ = Stage::ChunkSize;
                break;
            }
            case Stage::Trailers: {
                std::string line;
                if (!TakeLine(line)) {
                    if (pending_.size() > kMaxHeaderBytes) return Fail("trailers too large");
                    return state_;
                }
                if (line.empty()) stage_ = Stage::Done;
                break;
            }
            case Stage::UntilClose: {
                if (pending_.size() > maxBodyBytes_ - body_.size()) return Fail("answer too large");
                body_ += pending_;
                pending_.clear();
                return state_;
            }
            case Stage::Done:
                pending_.clear();
                return state_ = State::Complete;
        }
    }
}
