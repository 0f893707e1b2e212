#pragma once

#include <cstddef>
#include <string>

// Reads one HTTP/1.x answer from the bytes of a connection as they arrive: the
// status line, the headers, and a body framed by Content-Length, by chunked
// transfer coding or by the end of the connection. The peer is not trusted: the
// headers and the body are capped and every length is checked before it is used.
class HttpResponseReader {
public:
    enum class State { NeedMore, Complete, Failed };

    explicit HttpResponseReader(size_t maxBodyBytes);

    State Feed(const char* data, size_t size);
    // The peer closed the connection; completes a body framed by the close.
    State FinishAtClose();

    State GetState() const { return state_; }
    int StatusCode() const { return status_; }
    const std::string& Body() const { return body_; }
    const std::string& Error() const { return error_; }

private:
    enum class Stage { Headers, FixedBody, ChunkSize, ChunkData, ChunkDataEnd, Trailers, UntilClose, Done };

    State Fail(const char* why);
    State Advance();
    bool ParseHeaders(const std::string& head);
    bool TakeLine(std::string& line);

    size_t maxBodyBytes_;
    State state_ = State::NeedMore;
    Stage stage_ = Stage::Headers;
    std::string pending_;
    std::string body_;
    std::string error_;
    int status_ = 0;
    unsigned long long remaining_ = 0;
    size_t headScanned_ = 0;
};
