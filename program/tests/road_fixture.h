#pragma once

// The real program in the test prefix with two devices whose drivers the stand-in
// service offers, and the steps a user takes with it.
#include "program/tests/road_support.h"

class MainRoad : public ::testing::Test {
protected:
    void SetUp() override {
        // A start as on a fresh machine: nothing of an earlier run in the user's
        // product key, data folder or scheduler.
        ForgetUserState();
        dataFolder_ = GetUserDataFolderPath();
        ASSERT_FALSE(dataFolder_.empty());
        if (dataFolder_.back() == L'\\') dataFolder_.pop_back();
        RemoveTree(dataFolder_);
        RemoveScheduledTask(kScanTaskName);

        InstallProgram();
        ASSERT_TRUE(deviceClass_.Created());
        ASSERT_TRUE(server_.Start());
        // Lower case: the install helper lower-cases the id it is given, and Wine
        // matches hardware ids case-sensitively.
        lowerTag_ = UniqueTestTag();
        for (wchar_t& c : lowerTag_) c = towlower(c);
        AddOfferedDriver(L"Road Camera", L"usb\\vid_2e1a&pid_a", 3 * 1024 * 1024, false);
        AddOfferedDriver(L"Road Scanner", L"usb\\vid_2e1a&pid_b", 64 * 1024, true);
        const std::wstring update = server_.Url("/driverupdateservicenew/updateservice.asmx");
        const std::wstring misc = server_.Url("/miscservice/miscservice.asmx");
        WriteUserText(L"UpdateServiceAddress1", update);
        WriteUserText(L"UpdateServiceAddress2", update);
        WriteUserText(L"MiscServiceAddress1", misc);
        WriteUserText(L"MiscServiceAddress2", misc);
        WriteUserText(L"ServiceNamespace", UpdateServiceStandIn::kDefaultNamespace);
        WriteUserText(L"Download Path", downloads_.Path());
        WriteUserText(L"Backup Path", backups_.Path());
    }

    // A device of the run with an outdated driver, and the newer one the stand-in
    // service offers for it with its package; `installed`: with an installed INF
    // to back up.
    void AddOfferedDriver(const wchar_t* name, const wchar_t* id, size_t size, bool installed) {
        const int did = 9101 + static_cast<int>(drivers_.size());
        const std::wstring& tag = lowerTag_;
        OfferedDriver driver;
        driver.name = name;
        driver.hardwareId = std::wstring(id) + tag;
        TestDeviceSetup setup = OutdatedCameraSetup(deviceClass_.Guid(), driver.hardwareId, name);
        if (installed) {
            // Windows keeps the installed INF in its inf folder and names it in the
            // driver key; this system's installer does neither, so the test does.
            const std::wstring inf = packages_.File(L"installed" + std::to_wstring(did) + L".inf");
            ASSERT_TRUE(WriteFileBytes(inf, NullDriverInf(driver.hardwareId, "1.0.0.5")));
            wchar_t stored[MAX_PATH] = {};
            wchar_t* storedName = nullptr;
            ASSERT_TRUE(SetupCopyOEMInfW(inf.c_str(), nullptr, SPOST_PATH, 0, stored, MAX_PATH, nullptr, &storedName));
            setup.driverTexts.push_back({L"InfPath", storedName});
            setup.driverTexts.push_back({L"InfSection", L"NullInstall"});
        }
        driver.device = std::make_unique<TestDevice>(setup);
        ASSERT_TRUE(driver.device->Created());
        driver.packagePath = "/drivers/road" + std::to_string(did) + ".zip";
        const std::wstring zip = packages_.File(std::to_wstring(did) + L".zip");
        ASSERT_TRUE(WriteZip(zip, {{"halvenor_engine.inf", NullDriverInf(driver.hardwareId, "2.4.0.1")},
                                   {"payload.bin", Noise(size, static_cast<unsigned>(did))}}));
        driver.package = ReadFileBytes(zip);
        server_.Files().PutFile(driver.packagePath, driver.package);
        service_.AddDriver({driver.hardwareId,
                            {{L"ver", L"2.4.0.1"},
                             {L"infd", L"2024-05-06"},
                             {L"infp", L"halvenor_engine.inf"},
                             {L"did", std::to_wstring(did)},
                             {L"lu", server_.Url(driver.packagePath)},
                             {L"md5", Md5OfString(driver.package.data(), driver.package.size())},
                             {L"sev", L"2"},
                             {L"cid", L"6"},
                             {L"age", L"800"},
                             {L"sig", L"Camera Maker"}}});
        service_.AddDownloadPackage(std::to_wstring(did), server_.Url(driver.packagePath),
                                    Md5OfString(driver.package.data(), driver.package.size()));
        drivers_.push_back(std::move(driver));
    }

    void TearDown() override {
        EndProgram();
        RemoveScheduledTask(kScanTaskName);
        ForgetUserState();
        RemoveTree(dataFolder_);
        server_.Stop();
    }

    // The user's settings, and the language the program also keeps for the machine.
    static void ForgetUserState() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kProductKeyPath);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kProductKeyPath) + kLanguageSubKey).c_str());
    }

    static void RemoveTree(const std::wstring& folder) {
        std::wstring from = folder + L'\0';
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = FOF_NO_UI;
        SHFileOperationW(&operation);
    }

    // The program's files as its setup lays them out: the program, its language
    // files, and the 64-bit install helper in its subfolder.
    void InstallProgram() {
        const std::wstring built = WindowsPathFromHost(HALVENOR_PROGRAM_HOST_PATH);
        const std::wstring builtFolder = built.substr(0, built.rfind(L'\\'));
        programPath_ = install_.File(L"halvenor.exe");
        ASSERT_TRUE(CopyFileW(built.c_str(), programPath_.c_str(), FALSE));
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((builtFolder + L"\\*.ini").c_str(), &found);
        ASSERT_NE(search, INVALID_HANDLE_VALUE);
        do {
            CopyFileW((builtFolder + L"\\" + found.cFileName).c_str(), install_.File(found.cFileName).c_str(), FALSE);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        const std::wstring helperFolder = install_.File(L"updater\\amd64Helper");
        ASSERT_EQ(SHCreateDirectoryExW(nullptr, helperFolder.c_str(), nullptr), ERROR_SUCCESS);
        ASSERT_TRUE(CopyFileW(WindowsPathFromHost(HALVENOR_HELPER64_HOST_PATH).c_str(),
                              (helperFolder + L"\\Kavelin64.exe").c_str(), FALSE));
    }

    void StartProgram(const std::wstring& arguments = L"") {
        ScopedEnvironmentVariable pages(L"HALVENOR_PAGE_HOST", L"script");
        ScopedEnvironmentVariable restorePoints(L"HALVENOR_RESTORE_POINT", L"log");
        std::wstring line = L"\"" + programPath_ + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, install_.Path().c_str(),
                                   &startup, &process))
            << GetLastError();
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        processId_ = process.dwProcessId;
        ASSERT_TRUE(WaitFor([this] { return (mainWindow_ = MainWindow()) != nullptr && ShownOnScreen(mainWindow_); },
                            60000))
            << "the main window did not show";
    }

    void EndProgram() {
        if (process_ == nullptr) return;
        if (mainWindow_ != nullptr && IsWindow(mainWindow_)) PostMessageW(mainWindow_, WM_COMMAND, MainCommand::kTrayExit, 0);
        if (WaitForSingleObject(process_, 20000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the program did not end on Exit";
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 10000);
        }
        CloseHandle(process_);
        process_ = nullptr;
        mainWindow_ = nullptr;
    }

    bool Running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

    HWND MainWindow() const {
        for (HWND window : ProcessWindows(processId_)) {
            if (GetParent(window) == nullptr && GetPropW(window, kMainWindowProperty) != nullptr) return window;
        }
        return nullptr;
    }

    // The shown control of the program with that id; null when none is shown.
    HWND ShownControl(int id) const {
        for (HWND window : ProcessWindows(processId_)) {
            if (GetParent(window) != nullptr && GetDlgCtrlID(window) == id && ShownOnScreen(window)) return window;
        }
        return nullptr;
    }
    bool WaitForControl(int id, DWORD timeoutMs) {
        return WaitFor([&] { return ShownControl(id) != nullptr; }, timeoutMs);
    }
    // A user's click on a shown button, once it is there and enabled.
    bool ClickNow(int id) {
        HWND button = ShownControl(id);
        if (button == nullptr || !IsWindowEnabled(button)) return false;
        PostMessageW(button, BM_CLICK, 0, 0);
        return true;
    }
    bool Click(int id) {
        return WaitFor([&] { return ClickNow(id); }, 10000);
    }
    std::wstring ControlText(int id) const {
        HWND control = ShownControl(id);
        wchar_t text[256] = {};
        if (control != nullptr) GetWindowTextW(control, text, 256);
        return text;
    }

    // The text of a tree item of the program's process, read through memory of that
    // process (the tree takes the item's address in its own).
    std::wstring TreeItemText(HWND tree, HTREEITEM item) const {
        constexpr size_t kTextChars = 256;
        void* remote = VirtualAllocEx(process_, nullptr, sizeof(TVITEMW) + kTextChars * sizeof(wchar_t),
                                      MEM_COMMIT, PAGE_READWRITE);
        if (remote == nullptr) return {};
        TVITEMW request{};
        request.mask = TVIF_TEXT;
        request.hItem = item;
        request.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(TVITEMW));
        request.cchTextMax = kTextChars;
        std::wstring text;
        wchar_t buffer[kTextChars] = {};
        if (WriteProcessMemory(process_, remote, &request, sizeof(request), nullptr) &&
            SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) &&
            ReadProcessMemory(process_, request.pszText, buffer, sizeof(buffer) - sizeof(wchar_t), nullptr)) {
            text = buffer;
        }
        VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
        return text;
    }
    // The item named `name` among the children of the tree's roots.
    HTREEITEM FindTreeDevice(HWND tree, const std::wstring& name) const {
        for (HTREEITEM root = TreeView_GetRoot(tree); root != nullptr; root = TreeView_GetNextSibling(tree, root)) {
            for (HTREEITEM child = TreeView_GetChild(tree, root); child != nullptr;
                 child = TreeView_GetNextSibling(tree, child)) {
                if (TreeItemText(tree, child) == name) return child;
            }
        }
        return nullptr;
    }

    // On the restore wizard's device page: ticks only the named device, with the
    // keyboard as a user would, and presses the page's own Restore (the restore tab
    // above it has the same number).
    void RestoreOnly(const wchar_t* device) {
        HWND tree = ShownControl(IDC_RST2_TREE);
        ASSERT_NE(tree, nullptr);
        HWND restoreButton = GetDlgItem(GetParent(tree), IDC_RST2_RESTORE);
        // The archive loads on a worker that fills the hidden tree and clears every
        // tick before it shows the tree and enables Restore: a tick set before that
        // is lost, and Restore then only says that nothing is ticked.
        ASSERT_TRUE(WaitFor([&] {
            return IsWindowVisible(tree) && IsWindowEnabled(restoreButton) && SendMessageW(tree, TVM_GETCOUNT, 0, 0) >= 2;
        }, 20000)) << "the archive's drivers did not show";
        HTREEITEM item = FindTreeDevice(tree, device);
        ASSERT_NE(item, nullptr);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        SendMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
        ASSERT_TRUE(WaitFor([&] { return TreeView_GetCheckState(tree, item) == 1; }, 10000)) << "the tick did not take";
        PostMessageW(restoreButton, BM_CLICK, 0, 0);
    }

    int CountInLog(const std::wstring& text) const {
        const std::wstring log = LogText();
        int count = 0;
        for (size_t at = log.find(text); at != std::wstring::npos; at = log.find(text, at + 1)) ++count;
        return count;
    }

    // A scan from the scan tab, to its shown results page.
    // A scan from the scan tab; its results page, which may show only for a moment
    // when the scan goes on to update what it found.
    Page Scan() {
        const int scansBefore = CountInLog(L"Scan Completed!");
        PostMessageW(mainWindow_, WM_COMMAND, MainCommand::kScanTab, 0);
        if (!WaitFor([&] { return CountInLog(L"Scan Completed!") > scansBefore; }, 180000)) return Page(requests_, nullptr);
        HWND view = nullptr;
        WaitFor([&] { return (view = FindPage(L"idTableResultDisplay", false).View()) != nullptr; }, 20000);
        return Page(requests_, view);
    }
    // The row that shows the device, or -1.
    static int RowOf(const Page& results, const std::wstring& name) {
        const int rows = results.Count(L"#idTableResultDisplay tr");
        for (int row = 0; row < rows; ++row) {
            if (results.TextAt(L"#idTableResultDisplay .deviceName", row) == name) return row;
        }
        return -1;
    }

    // A button of a message box of the program (a top-level dialog of its own, not
    // the main window); false when no such box is shown.
    bool AnswerQuestion(int button) {
        for (HWND window : ProcessWindows(processId_)) {
            HWND box = GetParent(window);
            if (box == nullptr || GetDlgCtrlID(window) != button || !ShownOnScreen(window)) continue;
            if ((GetWindowLongW(box, GWL_STYLE) & WS_CHILD) != 0 || box == mainWindow_ || ClassOf(box) != L"#32770") continue;
            PostMessageW(window, BM_CLICK, 0, 0);
            return true;
        }
        return false;
    }
    // The program that the ended one started: its shown main window and process.
    bool FollowRelaunch() {
        for (HWND window : ProcessWindows(0)) {
            if (GetPropW(window, kMainWindowProperty) == nullptr || !ShownOnScreen(window)) continue;
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId_) continue;
            process_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                       PROCESS_VM_READ | PROCESS_VM_WRITE,
                                   FALSE, owner);
            if (process_ == nullptr) return false;
            processId_ = owner;
            mainWindow_ = window;
            return true;
        }
        return false;
    }
    void ClickTrayIcon() {
        for (HWND window : ProcessWindows(processId_)) {
            if (ClassOf(window) != L"HalvenorTrayIcon") continue;
            if (SendMessageW(window, CXTTrayIcon::kCallbackMessage, kTrayIconId, WM_LBUTTONUP) != 0) return;
        }
    }

    // The download window's Close, which gives the main window its tabs back; the
    // window may also have closed on its own by then. The main window then goes
    // back to the results: a tab chosen before that would be left at once.
    void CloseDownloadWindow() {
        bool clicked = false;
        ASSERT_TRUE(WaitFor([&] {
            if (ShownControl(IDC_DLI_LIST) == nullptr) return true;
            if (!clicked) clicked = ClickNow(IDOK);
            return false;
        }, 20000)) << "the download window stays";
        ASSERT_TRUE(WaitForPage(L"idTableResultDisplay", 20000)) << "the results did not come back";
    }

    // The page of the program that has an element `id`, shown ones first; an empty
    // page when there is none.
    Page FindPage(const std::wstring& id, bool shownOnly = true) {
        HWND hidden = nullptr;
        for (HWND window : ProcessWindows(processId_)) {
            if (ClassOf(window) != L"HalvenorPageView") continue;
            if (requests_.Ask(window, L"has\n" + id).value_or(L"") != L"1") continue;
            if (ShownOnScreen(window)) return Page(requests_, window);
            if (hidden == nullptr) hidden = window;
        }
        return Page(requests_, shownOnly ? nullptr : hidden);
    }

    Page WaitForPage(const std::wstring& id, DWORD timeoutMs = 30000) {
        HWND view = nullptr;
        WaitFor([&] { return (view = FindPage(id).View()) != nullptr; }, timeoutMs);
        return Page(requests_, view);
    }

    // The process's daily log in the data folder.
    std::wstring LogText() const {
        std::wstring text;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((dataFolder_ + L"\\log_*.log").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return text;
        do {
            text += Utf16Of(ReadFileBytes(dataFolder_ + L"\\" + found.cFileName));
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return text;
    }

    std::wstring LogTail(size_t characters) const {
        const std::wstring log = LogText();
        return log.size() <= characters ? log : log.substr(log.size() - characters);
    }

    // The outdated count of the last scan summary in the log, -1 before any.
    int LastOutdatedCount() const {
        const std::wstring log = LogText();
        const size_t at = log.rfind(L"Summary: Total=");
        if (at == std::wstring::npos) return -1;
        const std::wstring outdated = L"Outdated=";
        const size_t count = log.find(outdated, at);
        return count == std::wstring::npos ? -1 : _wtoi(log.c_str() + count + outdated.size());
    }

    bool DataFile(const wchar_t* name) const { return PathExists(dataFolder_ + L"\\" + name); }

    // Names the step on standard output and, when asked, pictures the display
    // after it.
    void Step(const std::string& name) {
        if (!lastStep_.empty()) Shot();
        ++stepNumber_;
        lastStep_ = name;
        std::printf("step %02d %s\n", stepNumber_, name.c_str());
        std::fflush(stdout);
    }
    void Shot() {
        const char* folder = getenv("HALVENOR_ROAD_SHOTS");
        if (folder == nullptr || *folder == '\0') return;
        // What the program has still to paint is painted before the picture.
        for (HWND window : ProcessWindows(processId_)) {
            if (GetParent(window) == nullptr) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
        char number[8];
        std::snprintf(number, sizeof(number), "%02d", stepNumber_);
        const std::string picture = std::string(folder) + "/" + number + "-" + lastStep_ + ".png";
        std::system(("start /wait /unix /usr/bin/import -window root " + picture).c_str());
        // The Unix program may still be at work when start returns: the step goes on
        // once the picture is written.
        const std::wstring written = L"Z:" + std::wstring(picture.begin(), picture.end());
        ULONGLONG lastSize = 0;
        WaitFor([&] {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            if (!GetFileAttributesExW(written.c_str(), GetFileExInfoStandard, &data)) return false;
            const ULONGLONG size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
            const bool settled = size > 0 && size == lastSize;
            lastSize = size;
            return settled;
        }, 10000);
        RecordShownPages(std::string(folder) + "/" + number + "-" + lastStep_);
    }

    // What each shown page of the program was given, beside the step's picture as
    // "<picture>-html-N.json" with the size of its view, so that the run can show
    // the page in a browser as the program filled it (Wine has none).
    void RecordShownPages(const std::string& picture) {
        int count = 0;
        for (HWND window : ProcessWindows(processId_)) {
            if (ClassOf(window) != L"HalvenorPageView" || !ShownOnScreen(window)) continue;
            const std::optional<std::wstring> received = requests_.Ask(window, L"received");
            if (!received || received->empty()) continue;
            RECT area{};
            GetClientRect(window, &area);
            const std::wstring json = L"{\"width\": " + std::to_wstring(area.right) + L", \"height\": " +
                                      std::to_wstring(area.bottom) + L", \"received\": " + *received + L"}\n";
            std::string bytes(WideCharToMultiByte(CP_UTF8, 0, json.c_str(), static_cast<int>(json.size()), nullptr, 0,
                                                  nullptr, nullptr),
                              '\0');
            WideCharToMultiByte(CP_UTF8, 0, json.c_str(), static_cast<int>(json.size()), bytes.data(),
                                static_cast<int>(bytes.size()), nullptr, nullptr);
            const std::string path = picture + "-html-" + std::to_string(++count) + ".json";
            WriteFileBytes(L"Z:" + std::wstring(path.begin(), path.end()), bytes);
        }
    }

    std::string DescribeCalls() {
        std::wstring text;
        for (const ServiceCall& call : service_.Calls()) {
            text += call.operation + L":";
            for (const auto& [index, ids] : call.devices) {
                text += L" [" + index + L"]";
                for (const auto& id : ids) text += L" " + id;
            }
            text += L"\n";
        }
        return testing::PrintToString(text);
    }

    int GetRangesOf(const std::string& path) {
        std::set<std::string> ranges;
        for (const auto& request : server_.Log()) {
            if (request.method == "GET" && request.path == path) ranges.insert(request.range);
        }
        return static_cast<int>(ranges.size());
    }

    ScopedTempFolder install_, downloads_, backups_, packages_;
    std::wstring programPath_;
    std::wstring dataFolder_;
    TestDeviceClass deviceClass_{L"Halvenor Road Test", L"HalvenorRoadTest"};
    HttpStandInServer server_;
    UpdateServiceStandIn service_{server_};
    std::vector<OfferedDriver> drivers_;
    PageRequests requests_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND mainWindow_ = nullptr;
    int stepNumber_ = 0;
    std::string lastStep_;
    std::wstring lowerTag_;
};
