#pragma once

#include <string>

// What the body of a SOAP 1.1 answer said.
struct SoapAnswer {
    enum class Outcome { Result, Fault, Malformed };

    Outcome outcome = Outcome::Malformed;
    std::wstring result;       // the decoded text of <operation>Result
    std::wstring faultString;  // the fault's "faultstring", when it is a fault
    std::string error;         // why a body was refused
};

// Reads the UTF-8 body of the answer to `operation`. The body comes from the
// network: a document type declaration, an unknown entity, markup inside the
// result, a broken nesting or bytes that are not UTF-8 make the answer Malformed.
SoapAnswer ReadSoapAnswer(const std::string& body, const std::wstring& operation);
