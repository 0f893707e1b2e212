#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One HTTP request as the stand-in server received it.
struct HttpRequest {
    std::string method;   // "GET", "HEAD", "POST", ...
    std::string target;   // as sent: path and query
    std::string path;     // target without the query
    std::string version;  // "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;  // read by Content-Length

    // Value of the first header of that name (case-insensitive), or empty.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

// What a handler answers. The body is a view into shared bytes so that large files
// are sent without copies; the wire options let tests misbehave on purpose.
struct HttpResponse {
    int status = 200;
    std::string reason;  // empty: the standard phrase of the status
    std::vector<std::pair<std::string, std::string>> headers;

    std::shared_ptr<const std::string> content;
    std::size_t bodyOffset = 0;
    std::size_t bodyLength = 0;

    bool chunked = false;      // Transfer-Encoding: chunked instead of Content-Length
    bool sendBody = true;      // false for HEAD: headers only
    std::optional<std::string> declaredLength;  // Content-Length text instead of the body's size

    // Faults on the wire, applied while the body is sent.
    std::optional<std::size_t> closeAfterBodyBytes;  // drop the connection after N body bytes
    std::optional<std::size_t> stallAfterBodyBytes;  // pause after N body bytes ...
    unsigned stallMilliseconds = 0;                  // ... for this long (or until the server stops)
    bool closeConnection = false;                    // Connection: close after this response

    void SetBody(std::string bytes);
    void SetBodyView(std::shared_ptr<const std::string> bytes, std::size_t offset, std::size_t length);
    void AddHeader(std::string name, std::string value);

    static HttpResponse Text(int status, std::string bytes, std::string contentType = "text/plain");
};

const char* StandardReason(int status);

// Parses the request line and headers of one request head (without the blank line).
std::optional<HttpRequest> ParseRequestHead(const std::string& head);

// The status line and headers of a response, ending with the blank line.
std::string FormatResponseHead(const HttpResponse& response);

// "bytes=a-b", "bytes=a-" or "bytes=-n" against a length; only a single range.
struct ByteRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;  // inclusive
};
std::optional<ByteRange> ParseRangeHeader(const std::string& value, std::uint64_t length);

bool EqualsNoCase(const std::string& a, const std::string& b);
