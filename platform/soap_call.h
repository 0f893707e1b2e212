#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/soap_envelope.h"
#include "platform/soap_transport.h"

// Failure results of one SOAP call beyond the transport's own.
inline constexpr HRESULT kSoapBadAddress = E_INVALIDARG;
inline constexpr HRESULT kSoapNoAnswer = HRESULT_FROM_WIN32(ERROR_CONNECTION_ABORTED);
inline constexpr HRESULT kSoapHttpError = HRESULT_FROM_WIN32(ERROR_BAD_NET_RESP);
inline constexpr HRESULT kSoapFault = DISP_E_EXCEPTION;
inline constexpr HRESULT kSoapMalformedAnswer = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

// One operation: writes the envelope, posts it with the SOAPAction of namespace and
// operation, and reads the Result. S_OK only for an HTTP 200 answer whose body is a
// well-formed response without a fault.
HRESULT InvokeSoapOperation(SoapTransport& transport, const std::wstring& url, const std::wstring& serviceNamespace,
                            const std::wstring& operation, const std::vector<SoapField>& fields,
                            std::wstring& result);
