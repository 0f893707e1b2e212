#include "tools/program_site_stand_in.h"

#include <chrono>

#include "platform/xml_text.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

}  // namespace

std::map<std::string, std::wstring> DecodeQueryFields(const std::string& query) {
    std::map<std::string, std::wstring> fields;
    size_t start = 0;
    while (start < query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        const size_t equals = pair.find('=');
        std::wstring value;
        const std::string raw = equals == std::string::npos ? std::string() : pair.substr(equals + 1);
        if (!WideFromUtf8(PercentDecode(raw), value)) value = L"<not UTF-8>";
        fields[pair.substr(0, equals)] = value;
        start = end + 1;
    }
    return fields;
}

ProgramSiteStandIn::ProgramSiteStandIn(HttpStandInServer& server) : server_(server) {
    for (const char* path : {kVersionFilePath, kSignupPath, kConfirmPath, kDownloadPagePath}) {
        server_.AddRoute("GET", path, [this](const HttpRequest& request) { return Answer(request); });
    }
}

ProgramSiteStandIn::~ProgramSiteStandIn() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
    }
    released_.notify_all();
}

void ProgramSiteStandIn::SetVersionFile(std::string text) {
    std::lock_guard<std::mutex> guard(mutex_);
    versionFile_ = std::move(text);
}

void ProgramSiteStandIn::HoldVersionFile(bool held) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        held_ = held;
    }
    released_.notify_all();
}

void ProgramSiteStandIn::SetSetupProgram(std::string bytes) { server_.Files().PutFile(kSetupPath, std::move(bytes)); }

void ProgramSiteStandIn::SetSignupAnswer(std::string text) {
    std::lock_guard<std::mutex> guard(mutex_);
    signupAnswer_ = std::move(text);
    hasSignupAnswer_ = true;
}

void ProgramSiteStandIn::SetConfirmStatus(int status) {
    std::lock_guard<std::mutex> guard(mutex_);
    confirmStatus_ = status;
}

void ProgramSiteStandIn::Reset() {
    std::lock_guard<std::mutex> guard(mutex_);
    versionFile_.clear();
    signupAnswer_.clear();
    hasSignupAnswer_ = false;
    confirmStatus_ = 200;
    calls_.clear();
}

std::vector<SiteCall> ProgramSiteStandIn::Calls() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return calls_;
}

std::vector<SiteCall> ProgramSiteStandIn::CallsTo(const std::string& path) const {
    std::vector<SiteCall> matching;
    for (const SiteCall& call : Calls()) {
        if (call.path == path) matching.push_back(call);
    }
    return matching;
}

HttpResponse ProgramSiteStandIn::Answer(const HttpRequest& request) {
    SiteCall call;
    call.path = request.path;
    call.target = request.target;
    const size_t question = request.target.find('?');
    if (question != std::string::npos) call.fields = DecodeQueryFields(request.target.substr(question + 1));

    std::unique_lock<std::mutex> lock(mutex_);
    calls_.push_back(call);
    if (request.path == kVersionFilePath) {
        released_.wait_for(lock, std::chrono::seconds(20), [this] { return !held_ || stopping_; });
        if (versionFile_.empty()) return HttpResponse::Text(404, "no version file");
        return HttpResponse::Text(200, versionFile_);
    }
    if (request.path == kSignupPath) {
        if (!hasSignupAnswer_) return HttpResponse::Text(404, "no sign-up");
        return HttpResponse::Text(200, signupAnswer_);
    }
    if (request.path == kConfirmPath) return HttpResponse::Text(confirmStatus_, "OK");
    return HttpResponse::Text(200, "<html><body>Download Halvenor</body></html>", "text/html");
}
