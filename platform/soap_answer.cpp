#include "platform/soap_answer.h"

#include <vector>

#include "platform/xml_event_reader.h"
#include "platform/xml_text.h"

namespace {

SoapAnswer Malformed(const std::string& why) {
    SoapAnswer answer;
    answer.outcome = SoapAnswer::Outcome::Malformed;
    answer.error = why;
    return answer;
}

}  // namespace

SoapAnswer ReadSoapAnswer(const std::string& body, const std::wstring& operation) {
    std::string bytes = body;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    std::wstring text;
    if (!WideFromUtf8(bytes, text)) return Malformed("answer is not UTF-8");

    const std::wstring responseName = operation + L"Response";
    const std::wstring resultName = operation + L"Result";
    XmlEventReader reader(text);

    // Depths: 1 Envelope, 2 Body, 3 the response or fault, 4 its children.
    int depth = 0;
    bool inBody = false, sawBody = false, sawResponse = false, isFault = false;
    bool inResult = false, inFaultString = false, sawResult = false;
    std::wstring result, faultString;
    for (;;) {
        const auto event = reader.Next();
        if (event == XmlEventReader::Event::Error) return Malformed(reader.error);
        if (event == XmlEventReader::Event::Finished) break;
        if (event == XmlEventReader::Event::Start) {
            ++depth;
            const std::wstring local = XmlLocalName(reader.name);
            if (inResult || inFaultString) return Malformed("markup inside a text field");
            if (depth == 1 && local != L"Envelope") return Malformed("root is not a SOAP envelope");
            if (depth == 2 && local == L"Body") inBody = sawBody = true;
            if (depth == 3 && inBody && !sawResponse && !isFault) {
                if (local == L"Fault") isFault = true;
                else if (local == responseName) sawResponse = true;
                else return Malformed("unexpected element in the body");
            }
            if (depth == 4 && sawResponse && !isFault && local == resultName && !sawResult) {
                inResult = sawResult = true;
            }
            if (depth == 4 && isFault && local == L"faultstring") inFaultString = true;
        } else if (event == XmlEventReader::Event::End) {
            if (depth == 2) inBody = false;
            if (depth == 4) inResult = inFaultString = false;
            --depth;
        } else if (event == XmlEventReader::Event::Text) {
            if (inResult) result += reader.text;
            if (inFaultString) faultString += reader.text;
        }
    }
    if (!sawBody) return Malformed("no SOAP body");
    SoapAnswer answer;
    if (isFault) {
        answer.outcome = SoapAnswer::Outcome::Fault;
        answer.faultString = faultString;
        return answer;
    }
    if (!sawResponse) return Malformed("no response element");
    answer.outcome = SoapAnswer::Outcome::Result;
    answer.result = result;
    return answer;
}
