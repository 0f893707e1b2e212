#pragma once

#include <string>
#include <vector>

// The program's small web downloader for the update check and the driver-alert
// sign-up: a list of (address, local file) pairs fetched one after another over
// WinInet. Each caller holds its own FileFetcher, so two threads that fetch at the
// same time never see each other's lists. A file is written under a temporary name
// beside its target and moved into place only once every byte has arrived: a
// dropped connection or an error page never leaves a partial or wrong file at the
// target, and an older file there stays as it was.
class FileFetcher {
public:
    // What happened to one file of the list in the last DownloadFiles.
    struct Outcome {
        std::wstring address;
        std::wstring localPath;
        std::wstring finalAddress;  // after redirects; empty when nothing arrived
        bool arrived = false;
    };

    FileFetcher() = default;
    FileFetcher(const FileFetcher&) = delete;
    FileFetcher& operator=(const FileFetcher&) = delete;

    // The system reports a network connection (a modem or LAN that is not offline).
    static bool IsConnected();

    void ClearFiles();
    // Only http and https addresses are fetched; any other address fails the
    // download it is part of.
    void AddFile(const std::wstring& address, const std::wstring& localPath);
    // "hidden" ("0" or "1") and "language" (the path of a language file for a
    // progress window); false for any other option name.
    bool SetOption(const std::wstring& name, const std::wstring& value);
    // Fetches the files in list order and stops at the first that fails; true when
    // every file arrived.
    bool DownloadFiles();

    const std::vector<Outcome>& Outcomes() const { return files_; }
    bool Hidden() const { return hidden_; }
    const std::wstring& LanguageFile() const { return languageFile_; }

    // Connect and receive timeouts of each request.
    static constexpr unsigned long kTimeoutMilliseconds = 30000;

private:
    std::vector<Outcome> files_;
    bool hidden_ = false;
    std::wstring languageFile_;
};

// True for an address whose scheme is http or https (letter case ignored).
bool IsWebAddress(const std::wstring& address);
// True for an address whose scheme is https.
bool IsSecureWebAddress(const std::wstring& address);
