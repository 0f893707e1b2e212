#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tools/http_stand_in_server.h"

// One call that reached the stand-in of the web services.
struct ServiceCall {
    std::wstring operation;
    std::map<std::wstring, std::wstring> fields;  // request fields by name, decoded
    std::string target;                           // request target as sent (absolute through a proxy)
    std::string soapAction;
    std::string userAgent;
    // For GetDriverUpdatesData1: the identifiers of every device the request lists,
    // by the device's "id" text, in request order.
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> devices;
};

// One driver the stand-in offers: the identifier it is offered for and the leaf
// elements of its answer entry, in order ("sig" closes an entry and is written
// last; one is added when missing).
struct CatalogueDriver {
    std::wstring matchingId;
    std::vector<std::pair<std::wstring, std::wstring>> fields;
};

// The update and misc web services on an HttpStandInServer: GetDriverUpdatesData1
// answers from a small driver catalogue, GetDriverDownloadInformation and
// MS_UploadFeedback from what tests set. Each operation can be told to misbehave.
// Every call is logged for tests to read.
class UpdateServiceStandIn {
public:
    enum class Failure {
        None,
        Refuse,          // the answer's head promises a body that never comes
        Hang,            // nothing after the head until the server stops
        Fault,           // HTTP 500 with a soap:Fault
        Malformed,       // HTTP 200 with a body that is no SOAP answer
        Oversized,       // HTTP 200 declaring a body far beyond any client's limit
        BadDeviceIndex,  // entries for device indexes the request never had
    };

    static constexpr wchar_t kDefaultNamespace[] = L"http://services.brennavik.com/";

    // Registers both services' paths on `server`; `prefix` goes before each path, so
    // a server standing in for an HTTP proxy can take "http://host:port" targets.
    explicit UpdateServiceStandIn(HttpStandInServer& server, const std::string& prefix = "",
                                  std::wstring serviceNamespace = kDefaultNamespace);

    // The catalogue as an XML text: <catalogue><dbv>..</dbv><driver><mid>..</mid>
    // ..leaf elements..</driver>...</catalogue>. False when it does not read.
    bool LoadCatalogueXml(const std::wstring& xml);
    void AddDriver(CatalogueDriver driver);
    void SetDatabaseVersion(std::wstring text);

    // `times` calls of `operation` fail this way (-1: every call from now on).
    void SetFailure(const std::wstring& operation, Failure failure, int times = -1);
    // A fixed answer for every GetDriverDownloadInformation call; empty (the
    // default) answers from the packages below instead.
    void SetDownloadInformationAnswer(std::wstring resultText);
    // The package of the driver whose "did" the request names: its address and MD5.
    // The answer also carries the catalogue's database version.
    void AddDownloadPackage(std::wstring driverId, std::wstring url, std::wstring md5);
    // Runs on the server's thread before each answer (tests move their clock with it).
    void SetCallHook(std::function<void(const ServiceCall&)> hook);

    std::vector<ServiceCall> Calls() const;

private:
    HttpResponse Handle(const HttpRequest& request);
    std::wstring BuildUpdatesAnswer(const ServiceCall& call, bool badIndexes) const;
    std::wstring BuildDownloadInformationAnswer(const ServiceCall& call) const;

    std::wstring namespace_;
    mutable std::mutex mutex_;
    std::vector<CatalogueDriver> catalogue_;
    std::wstring databaseVersion_ = L"1";
    std::map<std::wstring, std::pair<Failure, int>> failures_;
    std::wstring downloadInformationAnswer_;
    std::map<std::wstring, std::pair<std::wstring, std::wstring>> packages_;  // did -> url, md5
    std::function<void(const ServiceCall&)> hook_;
    std::vector<ServiceCall> calls_;
};
