#pragma once

#include <windows.h>

#include <string>

#include "platform/soap_call.h"
#include "platform/soap_socket_client.h"
#include "platform/soap_wininet_client.h"
#include "scan/service_addresses.h"

// Client proxies of the two services, one per transport. Only the operations the
// program calls are offered.

namespace UpdateService {

template <class TClient>
class CUpdateServiceT {
public:
    explicit CUpdateServiceT(std::wstring serviceNamespace, std::wstring defaultUrl)
        : namespace_(std::move(serviceNamespace)), url_(std::move(defaultUrl)) {}

    // An empty address keeps the default one.
    void SetUrl(const std::wstring& url) {
        if (!url.empty()) url_ = url;
    }
    TClient& Client() { return client_; }

    HRESULT GetDriverUpdatesData1(const std::wstring& input, const std::wstring& key, const std::wstring& macId,
                                  const std::wstring& dbInitials, const std::wstring& saveXmlFileName, int nOSId,
                                  std::wstring& result) {
        return InvokeSoapOperation(client_, url_, namespace_, L"GetDriverUpdatesData1",
                                   {SoapField::Text(L"input", input), SoapField::Text(L"key", key),
                                    SoapField::Text(L"macId", macId), SoapField::Text(L"dbInitials", dbInitials),
                                    SoapField::Text(L"saveXmlFileName", saveXmlFileName),
                                    SoapField::Int(L"nOSId", nOSId)},
                                   result);
    }

    HRESULT GetDriverDownloadInformation(const std::wstring& input, bool isInputEncrypted, bool useOutputEncrypted,
                                         std::wstring& result) {
        return InvokeSoapOperation(client_, url_, namespace_, L"GetDriverDownloadInformation",
                                   {SoapField::Text(L"input", input),
                                    SoapField::Boolean(L"b_isInputEncrypted", isInputEncrypted),
                                    SoapField::Boolean(L"b_useOutputEncrypted", useOutputEncrypted)},
                                   result);
    }

private:
    std::wstring namespace_;
    std::wstring url_;
    TClient client_;
};

}  // namespace UpdateService

namespace MiscService {

template <class TClient>
class CMiscServiceT {
public:
    explicit CMiscServiceT(std::wstring serviceNamespace, std::wstring defaultUrl)
        : namespace_(std::move(serviceNamespace)), url_(std::move(defaultUrl)) {}

    void SetUrl(const std::wstring& url) {
        if (!url.empty()) url_ = url;
    }
    TClient& Client() { return client_; }

    HRESULT MS_UploadFeedback(const std::wstring& input, const std::wstring& filename, std::wstring& result) {
        return InvokeSoapOperation(client_, url_, namespace_, L"MS_UploadFeedback",
                                   {SoapField::Text(L"input", input), SoapField::Text(L"filename", filename)},
                                   result);
    }

private:
    std::wstring namespace_;
    std::wstring url_;
    TClient client_;
};

}  // namespace MiscService
