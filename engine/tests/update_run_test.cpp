// The update run's stages on their own, against the stand-in service over loopback:
// what each stage comes to and what it leaves for the screen. The window's tests
// walk the whole road; these pin the results the window decides on.
#include "tools/update_service_stand_in.h"

#include "engine/update_run.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/download_pacing.h"
#include "engine/driver_install_engine.h"
#include "engine/driver_scanner_app.h"
#include "engine/package_file_name.h"
#include "engine/wininet_entry_points.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/md5_checksum.h"
#include "scan/download_info_request.h"
#include "scan/driver_scan_update.h"
#include "scan/engine_progress.h"
#include "scan/update_service_helper.h"
#include "tests/support/scoped_temp_folder.h"
#include "tests/support/zip_writer.h"

namespace {

BOOL WINAPI AlwaysOnline(LPDWORD flags, DWORD) {
    if (flags != nullptr) *flags = INTERNET_CONNECTION_LAN;
    return TRUE;
}

std::wstring Key(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

// Keeps what the run shows; `onRow` lets a test act at a given step.
class RecordingProgress : public UpdateRunProgress {
public:
    bool Showing() const override { return true; }
    void ShowRow(const std::wstring& text, bool newRow, bool) override {
        if (!newRow) return;
        {
            const std::lock_guard<std::mutex> lock(guard_);
            rows_.push_back(text);
        }
        if (onRow) onRow(text);
    }
    void ShowPercent(int) override {}
    void ShowHeading(const std::wstring&) override {}
    void ShowStatusLine(const std::wstring&) override {}
    void ShowResultText(const std::wstring& text) override { resultText = text; }
    void BeginRows(bool) override {}
    void BeginBackup() override {}
    void BeginInstall() override {}
    void SetResultState(int deviceIndex, int state) override { states[deviceIndex] = state; }
    EngineProgress& Bar() override { return NoEngineProgress(); }

    // How many rows begin with the key's text.
    int RowsStartingWith(const wchar_t* key) {
        const std::wstring text = Key(key);
        const std::lock_guard<std::mutex> lock(guard_);
        int count = 0;
        for (const auto& row : rows_) count += row.compare(0, text.size(), text) == 0;
        return count;
    }
    void Clear() {
        const std::lock_guard<std::mutex> lock(guard_);
        rows_.clear();
        states.clear();
        resultText.clear();
    }

    std::function<void(const std::wstring&)> onRow;
    std::map<int, int> states;
    std::wstring resultText;

private:
    std::mutex guard_;
    std::vector<std::wstring> rows_;
};

class TestServices : public UpdateRunServices {
public:
    TestServices(CDriverScanUpdate& engine, CDriverScannerApp& scanner) : engine_(engine), scanner_(scanner) {}

    CDriverScanUpdate& ScanUpdate() override { return engine_; }
    CDriverScannerApp& ScannerApp() override { return scanner_; }
    std::map<std::wstring, std::wstring>& DownloadedFiles() override { return downloads; }
    bool SaveDownloadedFiles() override { return true; }
    std::wstring DownloadFolder() override { return downloadFolder; }
    ScanRequestFacts RequestFacts() override { return {}; }
    bool RequestDownloadInformation(std::wstring& request, std::wstring& answer) override {
        return !serviceDown && service != nullptr && service->RequestDriverDownloadInformation(request, answer);
    }
    bool CreateRestorePoint(const std::wstring&) override { return ++restorePoints, true; }
    std::wstring BackupFolder() override { return backupFolder; }
    BackupList& Backups() override { return backups; }
    bool SaveBackups() override { return true; }
    void PrepareInstallSession(DriverInstallSession& session) override { session.workFolder = backupFolder; }

    CUpdateServiceHelper* service = nullptr;
    bool serviceDown = false;
    std::map<std::wstring, std::wstring> downloads;
    BackupList backups;
    std::wstring downloadFolder, backupFolder;
    int restorePoints = 0;

private:
    CDriverScanUpdate& engine_;
    CDriverScannerApp& scanner_;
};

class UpdateRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
        SetConnectedStateProbe(&AlwaysOnline);
        DownloadPacing pacing;
        pacing.sleep = [](DWORD) {};
        pacing.requestTimeoutMilliseconds = 3000;
        SetDownloadPacing(pacing);
        ASSERT_TRUE(server_.Start());
        ServiceAddresses addresses;
        addresses.updateFirst = addresses.updateSecond = server_.Url("/driverupdateservicenew/updateservice.asmx");
        addresses.miscFirst = addresses.miscSecond = server_.Url("/miscservice/miscservice.asmx");
        addresses.serviceNamespace = UpdateServiceStandIn::kDefaultNamespace;
        helper_ = std::make_unique<CUpdateServiceHelper>(addresses, nullptr);
        services_.service = helper_.get();
        services_.downloadFolder = downloads_.Path();
        services_.backupFolder = backups_.Path();
        ASSERT_EQ(scanner_.Initialize(), 1);
        scanner_.SetStopWaitTimeout(50);
        engine_.ResetDeviceArrays(4);
        service_.SetDatabaseVersion(L"1.0.0.1");
        engine_.databaseVersionText = L"1.0.0.1";
        run_.pauseBetweenDownloadsMs = 0;
        run_.pauseAfterInstallMs = 0;
    }

    void TearDown() override {
        run_.Cancel();
        SetConnectedStateProbe(nullptr);
        SetDownloadPacing(DownloadPacing());
    }

    // A device with a driver on offer, its result row in `state`, and its package
    // on the server under `path` with `digest` (its own MD5 when empty).
    void AddDriver(int index, const std::string& path, const std::string& bytes, int state = 0,
                   std::wstring digest = L"") {
        engine_.devices[static_cast<size_t>(index)].deviceName = L"Device " + std::to_wstring(index);
        DriverInfoRecord& offer = (*engine_.OfferedDrivers())[static_cast<size_t>(index)];
        offer.hardwareId = L"PCI\\VEN_1234&DEV_00" + std::to_wstring(10 + index);
        DriverIdOf(offer) = 77 + static_cast<unsigned>(index);
        DownloadAddressOf(offer).clear();
        engine_.devicesReported = std::max(engine_.devicesReported, index + 1);
        CDriverScanUpdate::tagUpdateResultsStruct row;
        row.deviceIndex = index;
        row.rowIndex = index;
        row.selected = 1;
        row.state = state;
        engine_.updateResults.Add(row);
        server_.Files().PutFile(path, bytes);
        if (digest.empty()) digest = Md5OfString(bytes.data(), bytes.size());
        service_.AddDownloadPackage(DriverIdText(DriverIdOf(offer)), server_.Url(path), digest);
    }

    HttpStandInServer server_;
    UpdateServiceStandIn service_{server_};
    std::unique_ptr<CUpdateServiceHelper> helper_;
    CDriverScannerApp scanner_;
    CDriverScanUpdate engine_{&scanner_};
    ScopedTempFolder downloads_, backups_;
    TestServices services_{engine_, scanner_};
    RecordingProgress progress_;
    UpdateRun run_{services_, progress_};
};

TEST_F(UpdateRunTest, TheDownloadStageComesToOneResultPerWayItEnds) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::vector<int> chosen;
        bool all;
        UpdateRunResult expected;
        const wchar_t* row;  // a row the stage must have shown; null for none
        int state;           // the state the driver's row was moved to; -9 for none
    } cases[] = {
        {"downloaded", [] {}, {0}, false, UpdateRunResult::kDone, L"IDS_DOWN_COMPLETE", 1},
        {"no driver on offer",
         [this] { (*engine_.OfferedDrivers())[0].hardwareId.clear(); },
         {0}, false, UpdateRunResult::kNoOfferedDriver, nullptr, -9},
        {"service unreachable", [this] { services_.serviceDown = true; }, {0}, false,
         UpdateRunResult::kServiceUnreachable, L"IDS_CHKINTERNET_SETTFIREWALL", -9},
        {"scan older than the service's database", [this] { service_.SetDatabaseVersion(L"9.9.9.9"); },
         {0, 1}, true, UpdateRunResult::kResultsOutOfDate, nullptr, -9},
        {"no package address",
         [this] {
             service_.AddDownloadPackage(DriverIdText(DriverIdOf((*engine_.OfferedDrivers())[0])), L"",
                                           L"0123456789abcdef0123456789abcdef");
         },
         {0}, false, UpdateRunResult::kSkipped, L"IDS_DOWN_SKIPPED", -9},
        {"digest differs twice",
         [this] {
             service_.AddDownloadPackage(DriverIdText(DriverIdOf((*engine_.OfferedDrivers())[0])),
                                           server_.Url("/d/0.exe"), L"00000000000000000000000000000000");
         },
         {0}, false, UpdateRunResult::kFailed, L"IDS_DOWN_DIGEST_MISMATCH", -9},
        {"package server gone",
         [this] {
             service_.AddDownloadPackage(DriverIdText(DriverIdOf((*engine_.OfferedDrivers())[0])),
                                           L"http://127.0.0.1:1/d/lost.exe", L"0123456789abcdef0123456789abcdef");
         },
         {0}, false, UpdateRunResult::kConnectionLost, L"IDS_DOWNABORT_DUEINTERNET", -9},
        {"update all with nothing chosen", [] {}, {}, true, UpdateRunResult::kNothingDone,
         L"IDS_NOITEM_DOWNLOAD", -9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine_.updateResults.RemoveAll();
        services_.downloads.clear();
        services_.serviceDown = false;
        service_.SetDatabaseVersion(L"1.0.0.1");
        progress_.Clear();
        AddDriver(0, "/d/0.exe", Noise(20000, 1));
        AddDriver(1, "/d/1.exe", Noise(20000, 2));
        c.arrange();
        run_.Choose(c.chosen, c.all);
        EXPECT_EQ(run_.DownloadChosen(), c.expected);
        if (c.row != nullptr) {
            EXPECT_GE(progress_.RowsStartingWith(c.row), 1);
        }
        if (c.state != -9) {
            EXPECT_EQ(progress_.states[0], c.state);
        } else {
            EXPECT_EQ(progress_.states.count(0), 0u) << "a failed driver keeps its row as it was";
        }
        EXPECT_FALSE(run_.StopRequested());
        // Whatever the download came to, a package on disk is a whole one.
        for (const auto& [key, value] : services_.downloads) {
            const auto entry = ParseDownloadedFilesEntry(value);
            ASSERT_TRUE(entry.has_value());
            EXPECT_TRUE(PackageReadyToInstall(entry->path, entry->md5)) << key;
        }
    }
}

TEST_F(UpdateRunTest, ASkippedBackupStillLeadsToTheInstall) {
    AddDriver(0, "/d/0.exe", Noise(1000, 3), 1);
    engine_.temporaryWorkFolder = backups_.File(L"work");
    run_.Choose({0}, false);
    run_.TakeDownloadsAsDone();
    // Skip is clicked while the restore point is being set.
    progress_.onRow = [this](const std::wstring& row) {
        if (row == Key(L"IDS_CREATE_RESTORE_POINT")) run_.Stop();
    };
    EXPECT_EQ(run_.BackUp(), UpdateRunResult::kStopped);
    run_.WaitForStop();
    EXPECT_EQ(services_.restorePoints, 1);
    EXPECT_EQ(progress_.resultText, Key(L"IDS_BAK_ABORTED"));
    EXPECT_EQ(run_.LastBackupArchive(), L"");
    EXPECT_FALSE(run_.BackupShownAsDone());
    EXPECT_TRUE(services_.backups.empty());
    EXPECT_TRUE(run_.InstallFollows());
    EXPECT_FALSE(run_.StopRequested()) << "the skip ends with the backup";
}

TEST_F(UpdateRunTest, AnInstallThatDoesNotHappenIsReportedAsSuch) {
    struct Case {
        const char* name;
        bool stopAtFirstDriver;
        UpdateRunResult expected;
        int started;  // drivers whose install began
    } cases[] = {
        {"the packages vanished from disk", false, UpdateRunResult::kFailed, 2},
        {"stopped during the first driver", true, UpdateRunResult::kStopped, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine_.updateResults.RemoveAll();
        progress_.Clear();
        services_.downloads.clear();
        for (int i = 0; i < 2; ++i) {
            AddDriver(i, "/d/" + std::to_string(i) + ".zip", Noise(1000, 4), 1);
            // Recorded as downloaded, but the file is gone.
            const std::wstring url = server_.Url("/d/" + std::to_string(i) + ".zip");
            DownloadAddressOf((*engine_.OfferedDrivers())[static_cast<size_t>(i)]) = url;
            services_.downloads[DownloadedFilesKey(url)] =
                DownloadedFilesEntry(downloads_.File(L"gone" + std::to_wstring(i) + L".zip"), L"0123");
        }
        run_.Choose({0, 1}, true);
        progress_.onRow = [this, &c](const std::wstring& row) {
            if (c.stopAtFirstDriver && row.rfind(Key(L"IDS_DRIVER_INSSATRT") + L" ", 0) == 0) run_.Stop();
        };
        EXPECT_EQ(run_.Install(), c.expected);
        progress_.onRow = nullptr;
        EXPECT_EQ(progress_.RowsStartingWith(L"IDS_DRIVER_INSCOMPL"), 0);
        EXPECT_EQ(progress_.RowsStartingWith(L"IDS_DRIVER_INSFAILED"), c.started);
        // A missing package is fetched again by the next run.
        EXPECT_EQ(progress_.states[0], 0);
        EXPECT_EQ(progress_.states.count(1), c.started > 1 ? 1u : 0u);
        EXPECT_EQ(run_.RestartAdvised(), c.expected != UpdateRunResult::kStopped);
        EXPECT_FALSE(run_.StopRequested());
    }
}

}  // namespace
