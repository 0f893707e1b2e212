#include "tools/http_message.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string HttpRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (EqualsNoCase(key, name)) return value;
    }
    return {};
}

bool HttpRequest::HasHeader(const std::string& name) const {
    for (const auto& header : headers) {
        if (EqualsNoCase(header.first, name)) return true;
    }
    return false;
}

void HttpResponse::SetBody(std::string bytes) {
    bodyLength = bytes.size();
    bodyOffset = 0;
    content = std::make_shared<const std::string>(std::move(bytes));
}

void HttpResponse::SetBodyView(std::shared_ptr<const std::string> bytes, std::size_t offset, std::size_t length) {
    content = std::move(bytes);
    bodyOffset = offset;
    bodyLength = length;
}

void HttpResponse::AddHeader(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
}

HttpResponse HttpResponse::Text(int status, std::string bytes, std::string contentType) {
    HttpResponse response;
    response.status = status;
    response.AddHeader("Content-Type", std::move(contentType));
    response.SetBody(std::move(bytes));
    return response;
}

const char* StandardReason(int status) {
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

namespace {

std::string Trim(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
    return text.substr(begin, end - begin);
}

bool ParseDecimal(const std::string& text, std::uint64_t& out) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    out = value;
    return true;
}

}  // namespace

std::optional<HttpRequest> ParseRequestHead(const std::string& head) {
    std::istringstream lines(head);
    std::string line;
    if (!std::getline(lines, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    HttpRequest request;
    std::istringstream requestLine(line);
    if (!(requestLine >> request.method >> request.target >> request.version)) return std::nullopt;
    request.path = request.target.substr(0, request.target.find('?'));
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) return std::nullopt;
        request.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    return request;
}

std::string FormatResponseHead(const HttpResponse& response) {
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       (response.reason.empty() ? std::string(StandardReason(response.status)) : response.reason) +
                       "\r\n";
    for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
    if (response.chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    } else {
        head += "Content-Length: " +
                (response.declaredLength ? *response.declaredLength : std::to_string(response.bodyLength)) + "\r\n";
    }
    if (response.closeConnection) head += "Connection: close\r\n";
    head += "\r\n";
    return head;
}

std::optional<ByteRange> ParseRangeHeader(const std::string& value, std::uint64_t length) {
    const std::string prefix = "bytes=";
    if (value.size() <= prefix.size() || !EqualsNoCase(value.substr(0, prefix.size()), prefix)) return std::nullopt;
    const std::string rangeText = Trim(value.substr(prefix.size()));
    if (rangeText.find(',') != std::string::npos) return std::nullopt;
    const std::size_t dash = rangeText.find('-');
    if (dash == std::string::npos || length == 0) return std::nullopt;
    const std::string from = Trim(rangeText.substr(0, dash));
    const std::string to = Trim(rangeText.substr(dash + 1));
    ByteRange range;
    if (from.empty()) {
        std::uint64_t suffix = 0;
        if (!ParseDecimal(to, suffix) || suffix == 0) return std::nullopt;
        range.first = suffix >= length ? 0 : length - suffix;
        range.last = length - 1;
        return range;
    }
    if (!ParseDecimal(from, range.first) || range.first >= length) return std::nullopt;
    if (to.empty()) {
        range.last = length - 1;
    } else {
        if (!ParseDecimal(to, range.last) || range.last < range.first) return std::nullopt;
        if (range.last >= length) range.last = length - 1;
    }
    return range;
}
