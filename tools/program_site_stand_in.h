#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tools/http_stand_in_server.h"

// One request that reached the stand-in of the maker's site.
struct SiteCall {
    std::string path;
    std::string target;                          // path and query as sent
    std::map<std::string, std::wstring> fields;  // query fields, percent-decoded UTF-8
};

// The maker's web site as the program's update check and driver-alert sign-up see
// it, on an HttpStandInServer: the version file "update.ini", a setup program to
// download, and the two answers of the sign-up. Every request is logged.
class ProgramSiteStandIn {
public:
    static constexpr char kVersionFilePath[] = "/halvenor/update.ini";
    static constexpr char kSetupPath[] = "/halvenor/setup.exe";
    static constexpr char kDownloadPagePath[] = "/halvenor/download";
    static constexpr char kSignupPath[] = "/halvenor/driveralerts/register";
    static constexpr char kConfirmPath[] = "/halvenor/driveralerts/confirm";

    explicit ProgramSiteStandIn(HttpStandInServer& server);
    ~ProgramSiteStandIn();
    ProgramSiteStandIn(const ProgramSiteStandIn&) = delete;
    ProgramSiteStandIn& operator=(const ProgramSiteStandIn&) = delete;

    // The version file's text; 404 while none is set.
    void SetVersionFile(std::string text);
    // While held, requests of the version file wait (at most 20 s) before answering.
    void HoldVersionFile(bool held);
    void SetSetupProgram(std::string bytes);
    // The first answer of the sign-up (its last line is the user id); 404 while none.
    void SetSignupAnswer(std::string text);
    // The status of the confirmation's answer (200 unless set).
    void SetConfirmStatus(int status);

    // Back to the start: no answers set, nothing logged.
    void Reset();

    std::vector<SiteCall> Calls() const;
    std::vector<SiteCall> CallsTo(const std::string& path) const;

private:
    HttpResponse Answer(const HttpRequest& request);

    HttpStandInServer& server_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
    bool stopping_ = false;
    std::string versionFile_;
    std::string signupAnswer_;
    bool hasSignupAnswer_ = false;
    int confirmStatus_ = 200;
    std::vector<SiteCall> calls_;
};

// Splits "a=1&b=%C3%A9" into fields, decoding "%XX" as UTF-8 bytes ("+" stays "+").
std::map<std::string, std::wstring> DecodeQueryFields(const std::string& query);
