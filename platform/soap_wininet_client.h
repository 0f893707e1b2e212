#pragma once

#include "platform/soap_transport.h"

// HTTP or HTTPS through WinInet with the system's preconfigured connection settings.
class CSoapWininetClient : public SoapTransport {
public:
    bool Post(const HttpAddress& address, const std::string& soapAction, const std::string& body,
              SoapHttpReply& reply) override;
};
