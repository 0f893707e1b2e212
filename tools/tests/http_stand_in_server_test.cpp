#include "tools/http_stand_in_server.h"

#include <gtest/gtest.h>
#include <ws2tcpip.h>

#include <string>

namespace {

// Sends one request with Connection: close and returns all bytes up to the close.
std::string Exchange(unsigned short port, const std::string& request) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    std::string reply;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
        send(s, request.data(), static_cast<int>(request.size()), 0);
        char buffer[4096];
        int received;
        while ((received = recv(s, buffer, sizeof(buffer), 0)) > 0) reply.append(buffer, received);
    }
    closesocket(s);
    return reply;
}

std::string Get(unsigned short port, const std::string& path, const std::string& range = {},
                const std::string& method = "GET") {
    std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!range.empty()) request += "Range: " + range + "\r\n";
    return Exchange(port, request + "\r\n");
}

std::string BodyOf(const std::string& reply) {
    const std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

std::string HeadOf(const std::string& reply) { return reply.substr(0, reply.find("\r\n\r\n") + 2); }

class StandInServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.Files().PutFile("/pkg.bin", kContent);
        ASSERT_TRUE(server.Start());
        ASSERT_NE(server.Port(), 0);
    }
    const std::string kContent = "0123456789abcdefghij";
    HttpStandInServer server;
};

TEST_F(StandInServerTest, ServesHeadWholeFileAndRangesAndLogsThem) {
    struct Case {
        std::string method, range, statusLine, header, body;
    } cases[] = {
        {"HEAD", "", "HTTP/1.1 200 OK", "Content-Length: 20\r\n", ""},
        {"GET", "", "HTTP/1.1 200 OK", "Content-Length: 20\r\n", "0123456789abcdefghij"},
        {"GET", "bytes=5-9", "HTTP/1.1 206 Partial Content", "Content-Range: bytes 5-9/20\r\n", "56789"},
        {"GET", "bytes=15-", "HTTP/1.1 206 Partial Content", "Content-Range: bytes 15-19/20\r\n", "fghij"},
        {"GET", "bytes=18-99", "HTTP/1.1 206 Partial Content", "Content-Range: bytes 18-19/20\r\n", "ij"},
        {"GET", "bytes=-3", "HTTP/1.1 206 Partial Content", "Content-Range: bytes 17-19/20\r\n", "hij"},
        {"GET", "bytes=20-25", "HTTP/1.1 416 Range Not Satisfiable", "Content-Range: bytes */20\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + " " + c.range);
        const std::string reply = Get(server.Port(), "/pkg.bin", c.range, c.method);
        EXPECT_EQ(reply.substr(0, reply.find("\r\n")), c.statusLine);
        EXPECT_NE(HeadOf(reply).find(c.header), std::string::npos) << reply;
        EXPECT_EQ(BodyOf(reply), c.body);
    }
    EXPECT_EQ(Get(server.Port(), "/missing.bin").substr(0, 12), "HTTP/1.1 404");

    const std::vector<LoggedRequest> log = server.Log();
    ASSERT_EQ(log.size(), 8u);
    EXPECT_EQ(log[0].method, "HEAD");
    EXPECT_EQ(log[2].range, "bytes=5-9");
    EXPECT_EQ(log[7].path, "/missing.bin");
    server.ClearLog();
    EXPECT_TRUE(server.Log().empty());
}

TEST_F(StandInServerTest, FaultsHitOnlyTheMatchingRequestsAndTheirCount) {
    FileFaultRule ignore = MakeFault(FileFault::IgnoreRange, "/pkg.bin");
    ignore.rangeStart = 5;
    server.Files().AddFault(ignore);
    FileFaultRule wrongStart = MakeFault(FileFault::WrongRangeStart, "/pkg.bin", 1);
    wrongStart.rangeStart = 10;
    server.Files().AddFault(wrongStart);
    FileFaultRule shortBody = MakeFault(FileFault::ShortBody, "/pkg.bin", 2);
    shortBody.times = 2;
    server.Files().AddFault(shortBody);
    FileFaultRule huge = MakeFault(FileFault::DeclaredLength, "/pkg.bin");
    huge.declaredLength = "2147483648";
    server.Files().AddFault(huge);
    server.Files().AddFault(MakeFault(FileFault::HeadStatus, "/pkg.bin", 404));

    std::string reply = Get(server.Port(), "/pkg.bin", "bytes=5-9");
    EXPECT_EQ(reply.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(BodyOf(reply), kContent);

    reply = Get(server.Port(), "/pkg.bin", "bytes=10-14");
    EXPECT_NE(reply.find("Content-Range: bytes 11-15/20"), std::string::npos);
    EXPECT_EQ(BodyOf(reply), "abcde");

    for (int i = 0; i < 2; ++i) {
        reply = Get(server.Port(), "/pkg.bin", "bytes=0-9");
        EXPECT_NE(reply.find("Content-Range: bytes 0-1/20"), std::string::npos);
        EXPECT_EQ(BodyOf(reply), "01");
    }
    EXPECT_EQ(BodyOf(Get(server.Port(), "/pkg.bin", "bytes=0-9")), "0123456789");

    EXPECT_NE(Get(server.Port(), "/pkg.bin", "", "HEAD").find("Content-Length: 2147483648"), std::string::npos);
    EXPECT_EQ(Get(server.Port(), "/pkg.bin", "", "HEAD").substr(0, 12), "HTTP/1.1 404");
    EXPECT_EQ(Get(server.Port(), "/pkg.bin", "", "HEAD").substr(0, 12), "HTTP/1.1 200");
}

TEST_F(StandInServerTest, DropsTheConnectionMidBodyAndStallsBeforeTheRest) {
    FileFaultRule drop = MakeFault(FileFault::DropAfter, "/pkg.bin", 3);
    drop.rangeStart = 4;
    server.Files().AddFault(drop);
    FileFaultRule stall = MakeFault(FileFault::Stall, "/pkg.bin", 2);
    stall.stallMilliseconds = 300;
    server.Files().AddFault(stall);

    std::string reply = Get(server.Port(), "/pkg.bin", "bytes=4-19");
    EXPECT_NE(reply.find("Content-Length: 16"), std::string::npos);
    EXPECT_EQ(BodyOf(reply), "456");

    const DWORD before = GetTickCount();
    reply = Get(server.Port(), "/pkg.bin", "bytes=0-4");
    EXPECT_GE(GetTickCount() - before, 250u);
    EXPECT_EQ(BodyOf(reply), "01234");
}

TEST_F(StandInServerTest, RoutesSeeTheRequestBodyAndMayAnswerChunked) {
    server.AddRoute("POST", "/service.asmx", [](const HttpRequest& request) {
        HttpResponse response = HttpResponse::Text(200, "got:" + request.body, "text/xml");
        response.chunked = true;
        return response;
    });
    const std::string reply = Exchange(server.Port(),
                                       "POST /service.asmx?op=1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                                       "Content-Length: 5\r\n\r\nhello");
    EXPECT_NE(reply.find("Transfer-Encoding: chunked"), std::string::npos);
    EXPECT_EQ(BodyOf(reply), "9\r\ngot:hello\r\n0\r\n\r\n");
    EXPECT_EQ(server.Log().back().path, "/service.asmx");
}

TEST(StandInServer, KeepsConnectionsAliveAndStopsWhileAClientStalls) {
    HttpStandInServer server;
    server.Files().PutFile("/a", "abc");
    FileFaultRule stall = MakeFault(FileFault::Stall, "/a", 1);
    stall.stallMilliseconds = 60000;
    server.Files().AddFault(stall);
    ASSERT_TRUE(server.Start());

    // Two requests on one connection: the second answer follows the first.
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server.Port());
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const std::string twoRequests = "GET /b HTTP/1.1\r\nHost: x\r\n\r\nGET /a HTTP/1.1\r\nHost: x\r\n\r\n";
    send(s, twoRequests.data(), static_cast<int>(twoRequests.size()), 0);
    std::string reply;
    char buffer[1024];
    while (reply.find("\r\n\r\na") == std::string::npos) {
        const int received = recv(s, buffer, sizeof(buffer), 0);
        ASSERT_GT(received, 0);
        reply.append(buffer, received);
    }
    EXPECT_EQ(reply.substr(0, 12), "HTTP/1.1 404");

    const DWORD before = GetTickCount();
    server.Stop();
    EXPECT_LT(GetTickCount() - before, 5000u);
    closesocket(s);
}

}  // namespace
