#pragma once

#include <string>
#include <vector>

// One request field of a document/literal wrapped SOAP 1.1 operation.
struct SoapField {
    enum class Kind { Text, NullText, Boolean, Int };

    static SoapField Text(std::wstring name, std::wstring value);
    static SoapField NullText(std::wstring name);
    static SoapField Boolean(std::wstring name, bool value);
    static SoapField Int(std::wstring name, int value);

    std::wstring name;
    Kind kind = Kind::Text;
    std::wstring value;  // already in its lexical form for Boolean and Int
};

// The UTF-8 request body: the envelope with one body element named after the
// operation in the service namespace and one child per field, in order. No header.
std::string BuildSoapEnvelope(const std::wstring& serviceNamespace, const std::wstring& operation,
                              const std::vector<SoapField>& fields);

// The value of the SOAPAction header line, quotes included.
std::string SoapActionHeaderValue(const std::wstring& serviceNamespace, const std::wstring& operation);
