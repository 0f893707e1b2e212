#include "tools/update_service_stand_in.h"

#include "platform/text_case.h"

#include "platform/xml_event_reader.h"
#include "platform/xml_text.h"
#include "platform/trim_blanks.h"

#include <tuple>

namespace {

constexpr char kUpdatePath[] = "/driverupdateservicenew/updateservice.asmx";
constexpr char kMiscPath[] = "/miscservice/miscservice.asmx";


// The body element's name and its children's texts; false when it does not read.
bool ReadRequest(const std::string& body, std::wstring& operation, std::map<std::wstring, std::wstring>& fields) {
    std::wstring text;
    if (!WideFromUtf8(body, text)) return false;
    XmlEventReader reader(text);
    int depth = 0;
    std::wstring field;
    for (;;) {
        const auto event = reader.Next();
        if (event == XmlEventReader::Event::Error) return false;
        if (event == XmlEventReader::Event::Finished) break;
        if (event == XmlEventReader::Event::Start) {
            ++depth;
            if (depth == 3 && operation.empty()) operation = XmlLocalName(reader.name);
            if (depth == 4) field = XmlLocalName(reader.name), fields[field];
        } else if (event == XmlEventReader::Event::End) {
            --depth;
        } else if (depth == 4) {
            fields[field] += reader.text;
        }
    }
    return !operation.empty();
}

// The "dev" elements of a compact or long scan request: their "id" and "mid" texts.
std::vector<std::pair<std::wstring, std::vector<std::wstring>>> ReadDevices(const std::wstring& document) {
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> devices;
    XmlEventReader reader(document);
    std::wstring element;
    bool inDevice = false;
    for (;;) {
        const auto event = reader.Next();
        if (event == XmlEventReader::Event::Error || event == XmlEventReader::Event::Finished) break;
        if (event == XmlEventReader::Event::Start) {
            element = reader.name;
            if (element == L"dev" || element == L"device") {
                inDevice = true;
                devices.emplace_back();
            } else if (inDevice && (element == L"mid" || element == L"matchingid")) {
                devices.back().second.emplace_back();
            }
        } else if (event == XmlEventReader::Event::End) {
            if (reader.name == L"dev" || reader.name == L"device") inDevice = false;
            element.clear();
        } else if (inDevice && (element == L"id" || element == L"driverid")) {
            devices.back().first += reader.text;
        } else if (inDevice && (element == L"mid" || element == L"matchingid")) {
            devices.back().second.back() += reader.text;
        }
    }
    return devices;
}

std::string Envelope(const std::wstring& ns, const std::wstring& operation, const std::wstring& result) {
    return Utf8FromWide(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                        L"<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                        L"xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                        L"xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body><" +
                        operation + L"Response xmlns=\"" + EscapeXmlText(ns) + L"\"><" + operation + L"Result>" +
                        EscapeXmlText(result) + L"</" + operation + L"Result></" + operation +
                        L"Response></soap:Body></soap:Envelope>");
}

HttpResponse SoapFault(const std::string& text) {
    HttpResponse response = HttpResponse::Text(
        500,
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
        "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><soap:Fault>"
        "<faultcode>soap:Server</faultcode><faultstring>" + text + "</faultstring><detail /></soap:Fault>"
        "</soap:Body></soap:Envelope>",
        "text/xml; charset=utf-8");
    return response;
}

}  // namespace

UpdateServiceStandIn::UpdateServiceStandIn(HttpStandInServer& server, const std::string& prefix,
                                           std::wstring serviceNamespace)
    : namespace_(std::move(serviceNamespace)) {
    for (const char* path : {kUpdatePath, kMiscPath}) {
        server.AddRoute("POST", prefix + path, [this](const HttpRequest& request) { return Handle(request); });
    }
}

bool UpdateServiceStandIn::LoadCatalogueXml(const std::wstring& xml) {
    std::vector<CatalogueDriver> drivers;
    std::wstring version = databaseVersion_;
    XmlEventReader reader(xml);
    int depth = 0;
    std::wstring element, value;
    for (;;) {
        const auto event = reader.Next();
        if (event == XmlEventReader::Event::Error) return false;
        if (event == XmlEventReader::Event::Finished) break;
        if (event == XmlEventReader::Event::Start) {
            ++depth;
            element = reader.name;
            value.clear();
            if (depth == 2 && element == L"driver") drivers.emplace_back();
        } else if (event == XmlEventReader::Event::Text) {
            value += reader.text;
        } else {
            if (depth == 2 && reader.name == L"dbv") version = TrimBlanks(value);
            if (depth == 3 && !drivers.empty()) {
                if (reader.name == L"mid") drivers.back().matchingId = TrimBlanks(value);
                else drivers.back().fields.emplace_back(reader.name, TrimBlanks(value));
            }
            value.clear();
            --depth;
        }
    }
    std::lock_guard lock(mutex_);
    catalogue_.insert(catalogue_.end(), drivers.begin(), drivers.end());
    databaseVersion_ = version;
    return true;
}

void UpdateServiceStandIn::AddDriver(CatalogueDriver driver) {
    std::lock_guard lock(mutex_);
    catalogue_.push_back(std::move(driver));
}

void UpdateServiceStandIn::SetDatabaseVersion(std::wstring text) {
    std::lock_guard lock(mutex_);
    databaseVersion_ = std::move(text);
}

void UpdateServiceStandIn::SetFailure(const std::wstring& operation, Failure failure, int times) {
    std::lock_guard lock(mutex_);
    failures_[operation] = {failure, times};
}

void UpdateServiceStandIn::SetDownloadInformationAnswer(std::wstring resultText) {
    std::lock_guard lock(mutex_);
    downloadInformationAnswer_ = std::move(resultText);
}

void UpdateServiceStandIn::AddDownloadPackage(std::wstring driverId, std::wstring url, std::wstring md5) {
    std::lock_guard lock(mutex_);
    packages_[std::move(driverId)] = {std::move(url), std::move(md5)};
}

void UpdateServiceStandIn::SetCallHook(std::function<void(const ServiceCall&)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<ServiceCall> UpdateServiceStandIn::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::wstring UpdateServiceStandIn::BuildUpdatesAnswer(const ServiceCall& call, bool badIndexes) const {
    std::wstring answer = L"<nd><dbv>" + EscapeXmlText(databaseVersion_) + L"</dbv>";
    for (const auto& [id, identifiers] : call.devices) {
        for (const auto& driver : catalogue_) {
            bool offered = false;
            for (const auto& identifier : identifiers) offered = offered || EqualsIgnoringCase(identifier, driver.matchingId);
            if (!offered) continue;
            std::wstring index = TrimBlanks(id);
            if (badIndexes) index = std::to_wstring(100000 + _wtoi(index.c_str()));
            answer += L"<dev><id>" + index + L"</id><mid>" + EscapeXmlText(driver.matchingId) + L"</mid>";
            std::wstring signer;
            for (const auto& [name, value] : driver.fields) {
                if (name == L"sig") signer = value;
                else answer += L"<" + name + L">" + EscapeXmlText(value) + L"</" + name + L">";
            }
            answer += L"<sig>" + EscapeXmlText(signer) + L"</sig></dev>";
        }
    }
    return answer + L"</nd>";
}

std::wstring UpdateServiceStandIn::BuildDownloadInformationAnswer(const ServiceCall& call) const {
    if (!downloadInformationAnswer_.empty()) return downloadInformationAnswer_;
    // The "did" of the request's device names the package.
    std::wstring driverId;
    const auto input = call.fields.find(L"input");
    if (input != call.fields.end()) {
        XmlEventReader reader(input->second);
        std::wstring element;
        for (;;) {
            const auto event = reader.Next();
            if (event == XmlEventReader::Event::Error || event == XmlEventReader::Event::Finished) break;
            if (event == XmlEventReader::Event::Start) element = reader.name;
            else if (event == XmlEventReader::Event::End) element.clear();
            else if (element == L"did") driverId += reader.text;
        }
    }
    std::wstring url, md5;
    const auto found = packages_.find(TrimBlanks(driverId));
    if (found != packages_.end()) std::tie(url, md5) = found->second;
    return L"<nd><url>" + EscapeXmlText(url) + L"</url><hashstring>" + EscapeXmlText(md5) + L"</hashstring><dbv>" +
           EscapeXmlText(databaseVersion_) + L"</dbv></nd>";
}

HttpResponse UpdateServiceStandIn::Handle(const HttpRequest& request) {
    ServiceCall call;
    call.target = request.target;
    call.soapAction = request.Header("SOAPAction");
    call.userAgent = request.Header("User-Agent");
    if (!ReadRequest(request.body, call.operation, call.fields)) return SoapFault("request does not read");
    if (call.operation == L"GetDriverUpdatesData1") call.devices = ReadDevices(call.fields[L"input"]);

    Failure failure = Failure::None;
    std::function<void(const ServiceCall&)> hook;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
        hook = hook_;
        auto found = failures_.find(call.operation);
        if (found != failures_.end() && found->second.second != 0) {
            failure = found->second.first;
            if (found->second.second > 0) --found->second.second;
        }
    }
    if (hook) hook(call);

    HttpResponse response;
    switch (failure) {
        case Failure::Refuse:
            response = HttpResponse::Text(200, std::string(64, ' '), "text/xml; charset=utf-8");
            response.closeAfterBodyBytes = 0;
            return response;
        case Failure::Hang:
            response = HttpResponse::Text(200, std::string(64, ' '), "text/xml; charset=utf-8");
            response.stallAfterBodyBytes = 0;
            response.stallMilliseconds = 600000;
            return response;
        case Failure::Fault:
            return SoapFault("Server was unable to process request.");
        case Failure::Malformed:
            return HttpResponse::Text(200, "<html><body>Service Unavailable</body></html>", "text/html");
        case Failure::Oversized:
            response = HttpResponse::Text(200, std::string(64, ' '), "text/xml; charset=utf-8");
            response.declaredLength = "1073741824";
            response.closeAfterBodyBytes = 64;
            return response;
        default:
            break;
    }

    std::wstring result;
    if (call.operation == L"GetDriverUpdatesData1") {
        std::lock_guard lock(mutex_);
        result = BuildUpdatesAnswer(call, failure == Failure::BadDeviceIndex);
    } else if (call.operation == L"GetDriverDownloadInformation") {
        std::lock_guard lock(mutex_);
        result = BuildDownloadInformationAnswer(call);
    } else if (call.operation == L"MS_UploadFeedback") {
        result = L"OK";
    } else {
        return SoapFault("unknown operation");
    }
    return HttpResponse::Text(200, Envelope(namespace_, call.operation, result), "text/xml; charset=utf-8");
}
