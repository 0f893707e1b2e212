#pragma once

#include <string>

#include "platform/http_address.h"

// What came back from one HTTP POST of a SOAP request.
struct SoapHttpReply {
    int status = 0;        // 0 when no answer arrived
    std::string body;      // UTF-8 as sent by the peer
    std::string error;     // why the exchange failed, for the log
};

// Carries one SOAP request to its address and brings the answer back.
class SoapTransport {
public:
    static constexpr unsigned long kDefaultTimeoutMs = 120000;
    static constexpr size_t kDefaultMaxAnswerBytes = 32u * 1024u * 1024u;

    virtual ~SoapTransport() = default;

    // True when an HTTP answer arrived whole (whatever its status).
    virtual bool Post(const HttpAddress& address, const std::string& soapAction, const std::string& body,
                      SoapHttpReply& reply) = 0;

    void SetTimeout(unsigned long milliseconds) { timeoutMs_ = milliseconds ? milliseconds : kDefaultTimeoutMs; }
    unsigned long Timeout() const { return timeoutMs_; }
    void SetMaxAnswerBytes(size_t bytes) { maxAnswerBytes_ = bytes; }
    size_t MaxAnswerBytes() const { return maxAnswerBytes_; }

private:
    unsigned long timeoutMs_ = kDefaultTimeoutMs;
    size_t maxAnswerBytes_ = kDefaultMaxAnswerBytes;
};
