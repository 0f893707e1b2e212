#include "platform/http_response_reader.h"

#include <gtest/gtest.h>

namespace {

using State = HttpResponseReader::State;

// Feeds the bytes one at a time, so every split point of the framing is crossed.
State FeedBytewise(HttpResponseReader& reader, const std::string& bytes, bool closeAtEnd) {
    for (char c : bytes) reader.Feed(&c, 1);
    return closeAtEnd ? reader.FinishAtClose() : reader.GetState();
}

TEST(HttpResponseReader, FramesTheBodyEveryWayAPeerMaySendIt) {
    struct Case {
        const char* name;
        std::string bytes;
        bool close;
        int status;
        std::string body;
    } cases[] = {
        {"content length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, 200, "hello"},
        {"chunked with extension and trailer",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\nA\r\n, world!!!\r\n0\r\nX-T: 1\r\n\r\n",
         false, 200, "hello, world!!!"},
        {"until close", "HTTP/1.0 500 Internal Server Error\r\nContent-Type: text/xml\r\n\r\n<fault/>", true, 500,
         "<fault/>"},
        {"interim continue", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\ncontent-length: 2\r\n\r\nok", false,
         200, "ok"},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", false, 204, ""},
    };
    for (const auto& c : cases) {
        HttpResponseReader reader(1024);
        ASSERT_EQ(FeedBytewise(reader, c.bytes, c.close), State::Complete) << c.name << ": " << reader.Error();
        EXPECT_EQ(reader.StatusCode(), c.status) << c.name;
        EXPECT_EQ(reader.Body(), c.body) << c.name;
    }
}

TEST(HttpResponseReader, RefusesOversizedAndMalformedAnswers) {
    struct Case {
        const char* name;
        std::string bytes;
        bool close;
    } cases[] = {
        {"declared length over the cap", "HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n", false},
        {"chunks over the cap", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8\r\n12345678\r\n9\r\n", false},
        {"close-framed body over the cap", "HTTP/1.1 200 OK\r\n\r\n" + std::string(17, 'x'), false},
        {"huge chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFF\r\n", false},
        {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false},
        {"missing chunk end", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\naXY", false},
        {"conflicting lengths", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", false},
        {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", false},
        {"bad status", "HTTP/1.1 2x0 OK\r\n\r\n", false},
        {"closed inside the body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", true},
        {"closed inside the head", "HTTP/1.1 200 OK\r\nContent-Le", true},
        {"endless head", "HTTP/1.1 200 OK\r\n" + std::string(70000, 'h'), false},
    };
    for (const auto& c : cases) {
        HttpResponseReader reader(16);
        EXPECT_EQ(FeedBytewise(reader, c.bytes, c.close), State::Failed) << c.name;
    }
}

}  // namespace
