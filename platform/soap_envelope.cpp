#include "platform/soap_envelope.h"

#include "platform/xml_text.h"

SoapField SoapField::Text(std::wstring name, std::wstring value) {
    return SoapField{std::move(name), Kind::Text, std::move(value)};
}

SoapField SoapField::NullText(std::wstring name) { return SoapField{std::move(name), Kind::NullText, {}}; }

SoapField SoapField::Boolean(std::wstring name, bool value) {
    return SoapField{std::move(name), Kind::Boolean, value ? L"true" : L"false"};
}

SoapField SoapField::Int(std::wstring name, int value) {
    return SoapField{std::move(name), Kind::Int, std::to_wstring(value)};
}

std::string BuildSoapEnvelope(const std::wstring& serviceNamespace, const std::wstring& operation,
                              const std::vector<SoapField>& fields) {
    std::wstring xml =
        L"<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        L"<soap:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        L"xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
        L"xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        L"<soap:Body>";
    xml += L"<" + operation + L" xmlns=\"" + EscapeXmlText(serviceNamespace) + L"\">";
    for (const auto& field : fields) {
        if (field.kind == SoapField::Kind::NullText) {
            xml += L"<" + field.name + L" xsi:nil=\"true\" />";
        } else {
            xml += L"<" + field.name + L">" + EscapeXmlText(field.value) + L"</" + field.name + L">";
        }
    }
    xml += L"</" + operation + L"></soap:Body></soap:Envelope>";
    return Utf8FromWide(xml);
}

std::string SoapActionHeaderValue(const std::wstring& serviceNamespace, const std::wstring& operation) {
    std::string value(1, '"');
    value += Utf8FromWide(serviceNamespace + operation);
    value += '"';
    return value;
}
