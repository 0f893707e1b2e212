#include "platform/soap_call.h"

#include "platform/soap_answer.h"

HRESULT InvokeSoapOperation(SoapTransport& transport, const std::wstring& url, const std::wstring& serviceNamespace,
                            const std::wstring& operation, const std::vector<SoapField>& fields,
                            std::wstring& result) {
    result.clear();
    HttpAddress address;
    if (!ParseHttpAddress(url, address)) return kSoapBadAddress;
    SoapHttpReply reply;
    if (!transport.Post(address, SoapActionHeaderValue(serviceNamespace, operation),
                        BuildSoapEnvelope(serviceNamespace, operation, fields), reply)) {
        return kSoapNoAnswer;
    }
    const SoapAnswer answer = ReadSoapAnswer(reply.body, operation);
    if (answer.outcome == SoapAnswer::Outcome::Fault) return kSoapFault;
    if (reply.status != 200) return kSoapHttpError;
    if (answer.outcome != SoapAnswer::Outcome::Result) return kSoapMalformedAnswer;
    result = answer.result;
    return S_OK;
}
