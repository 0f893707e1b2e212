#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/scoped_handle.h"
#include "shell/web_requests/web_request_host.h"

class FileFetcher;

// The program's check for a newer version of itself: fetch the version file
// "update.ini", compare its version with the program's, and, when the user agrees,
// fetch the new setup and run it silently, ending the program. A second check or
// setup download while one runs returns at once.
class CProgramUpdate {
public:
    static constexpr wchar_t kUpdateIniName[] = L"update.ini";
    static constexpr wchar_t kSetupTempName[] = L"proupdate.tmp";

    explicit CProgramUpdate(WebRequestHost& host);
    CProgramUpdate(const CProgramUpdate&) = delete;
    CProgramUpdate& operator=(const CProgramUpdate&) = delete;

    // Set for the check after start-up (nothing shown unless there is news),
    // cleared for the check the user asks for.
    void SetAutomaticMode(bool automatic) { automaticMode_ = automatic; }
    bool AutomaticMode() const { return automaticMode_; }

    // CheckProgramUpdate in the current mode; 0 after any failure inside.
    int RunUpdateCheck(bool updateCheckStart, bool installAtOnce);
    // 1 when the new setup was started, else 0. With `updateCheckStart` the version
    // file is fetched and compared, and nothing is asked or installed.
    int CheckProgramUpdate(bool silent, bool updateCheckStart, bool installAtOnce);
    // Reads the version file; true when it offers a version above the program's.
    bool IsNewerVersionOffered(const std::wstring& path);
    // Fetches the offered setup into the data folder; true when it arrived.
    bool DownloadSetup(bool silent);
    // Starts the downloaded setup and ends the program, but only when the setup
    // came over https, its signature verifies and it really started; an untrusted
    // setup is deleted and the user sent to the download page instead. True when
    // the setup started.
    bool RunSetupAndExit();

    // The version file's address with the program's version (and the machine's
    // "prd" value) as its query.
    std::wstring BuildRequestAddress();

    std::wstring ProgramUrl() const;
    std::wstring SetupPath() const;
    bool OpenBrowser() const { return openBrowser_; }

private:
    bool PrepareFetch(FileFetcher& fetcher, const std::wstring& address, const std::wstring& target, bool silent);
    void Tell(const std::wstring& textKey, UINT style);
    int Ask(const std::wstring& textKey);
    bool OpenWebPage(const std::wstring& address);

    WebRequestHost& host_;
    std::atomic<bool> automaticMode_{false};
    std::atomic<bool> openBrowser_{false};
    std::atomic<bool> checkBusy_{false};
    std::atomic<bool> downloadBusy_{false};
    mutable std::mutex lock_;  // the texts below
    std::wstring programUrl_;
    std::wstring setupPath_;
    std::wstring setupSource_;  // where the setup came from, after redirects
};

// The program's update check, on the system host.
CProgramUpdate& ProgramUpdate();

// "FileVersion" of the program file; empty and false when it has none.
bool GetProgramVersion(std::wstring& version);

// A version of up to four numbers joined by "." as one number, the first part
// highest; each part is read as a decimal number truncated to 16 bits, and a
// missing part counts as 0.
uint64_t PackFourPartVersion(const std::wstring& version);

// "productSetup_Setup_<month>_<day>_<year>.exe".
std::wstring SetupFileNameFor(const SYSTEMTIME& date);

// The update check on a thread of its own. When the program was started only to
// check for updates ("updatecheck"), the process ends with exit code 0 once the
// check has returned 0.
class CCheckUpdateThread {
public:
    CCheckUpdateThread(CProgramUpdate& update, WebRequestHost& host, bool updateCheckStart);

    // Starts the thread; the handle may be dropped, the thread ends on its own.
    static UniqueHandle Start(CProgramUpdate& update, WebRequestHost& host, bool updateCheckStart);
    // The thread's body; its result is the thread's exit code.
    int InitInstance();

private:
    CProgramUpdate& update_;
    WebRequestHost& host_;
    bool updateCheckStart_;
};
