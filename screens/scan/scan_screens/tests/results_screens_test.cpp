#include "screens/scan/scan_screens/html_result_screens.h"

#include <gtest/gtest.h>

#include <memory>

#include "foundation/app_settings.h"
#include "platform/html/recording_page_host.h"
#include "platform/ui/message_pump.h"
#include "screens/scan/results_rows/tests/key_language_file.h"
#include "screens/scan/scan_screens/tests/recording_scan_host.h"
#include "shell/app/hv_app.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_app_data_folder.h"
#include "tests/support/test_devices.h"

namespace {

using Texts = std::vector<std::wstring>;
using Call = RecordingPageHost::ScriptCall;

class ResultsScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appData_.Active());
        UseKeyLanguageFile(appData_.Path() + L"\\keys.ini");
        app_ = std::make_unique<CDriverOptimizerApp>();
        helper_ = std::make_unique<CUpdateServiceHelper>(ServiceAddresses{}, nullptr);
        host_ = std::make_unique<RecordingScanHost>(*app_, *helper_, frame_.Handle());
        host_->exclusions.SetPath(appData_.Path() + L"\\exclusion.xml");
        CurrentScanStatus() = 1;
    }

    CDriverScanUpdate& Engine() { return app_->ScanUpdate(); }

    // `count` devices, each matched to an offer with a package: one row each, in
    // device order.
    void MakeRows(int count) {
        Engine().ResetDeviceArrays(static_cast<size_t>(count));
        Engine().devicesReported = count;
        DriverInfoArray* offered = Engine().OfferedDrivers();
        Texts order;
        for (int i = 0; i < count; ++i) {
            const std::wstring n = std::to_wstring(i);
            DriverInfoRecord& device = Engine().devices[static_cast<size_t>(i)];
            device.deviceName = L"Device " + n;
            device.category = L"Category " + n;
            device.hardwareId = L"PCI\\VEN_1234&DEV_000" + n;
            device.driverKey = L"{4d36e97d-e325-11ce-bfc1-08002be10318}\\000" + n;
            device.driverVersion = L"1.0.0." + n;
            DriverInfoRecord& offer = (*offered)[static_cast<size_t>(i)];
            DownloadAddressOf(offer) = L"http://127.0.0.1/Drivers/Package_" + n + L".exe";
            SeverityOf(offer) = 3;
            CategoryIdOf(offer) = 120;
            AgeInDaysOf(offer) = 400;
            offer.driverVersion = L"2.0.0." + n;
            order.push_back(L"0|Category " + n + L"|Device " + n + L"|" + n);
        }
        Engine().displayOrder = order;
        Engine().answerText = L"<nd/>";
        Engine().updateCount = count;
        ResultsRowsContext rows{*app_, nullptr, [](const std::wstring&) { return 10; }};
        ShowCategoryResults(rows);
    }

    template <class Page>
    RecordingPageHost& Open(Page& page) {
        EXPECT_TRUE(page.Create(frame_.Handle()));
        page.MoveTo(0, 0, 777, 440);
        page.Show(SW_SHOW);
        PumpMessagesUntilQuiet();
        auto* host = dynamic_cast<RecordingPageHost*>(page.Host());
        EXPECT_NE(host, nullptr);
        return *host;
    }

    // Fires a page timer the way the window gets it.
    static void Timer(HWND window, UINT id) {
        SendMessageW(window, WM_TIMER, id, 0);
        ui::PumpPendingMessages();
    }

    // The row values the page got for each "addTableRow": row number and device.
    static std::vector<std::pair<std::wstring, std::wstring>> SentRows(const RecordingPageHost& page) {
        std::vector<std::pair<std::wstring, std::wstring>> rows;
        for (const Call& call : page.CallsOf(L"addTableRow")) rows.emplace_back(call.arguments[18], call.arguments[19]);
        return rows;
    }

    // A user's click on one of a row's actions: the page's hidden form as its
    // script leaves it, then the hidden element's click.
    static void ClickRow(RecordingPageHost& page, const wchar_t* action, int row, int device, int item) {
        page.SetResult(L"getcurrentRowid", row);
        page.SetResult(L"getcurrentDriveridid", device);
        page.SetResult(L"getcurrentDownloadid", item);
        page.SetResult(L"getcurrentignoreid", item);
        page.SetResult(L"getcurrentlearnmoreid", item);
        page.Click(action);
    }

    ScopedComApartment apartment_;
    ScopedAppDataFolder appData_;
    ScopedPageHostFactory recording_{[] { return std::make_unique<RecordingPageHost>(); }};
    AnsweringBoxes boxes_;
    ScopedAppSystem boxesInForce_{boxes_};
    TestHostWindow frame_{783, 470};
    std::unique_ptr<CDriverOptimizerApp> app_;
    std::unique_ptr<CUpdateServiceHelper> helper_;
    std::unique_ptr<RecordingScanHost> host_;
};

TEST_F(ResultsScreensTest, TheFillSendsTheRowsAndTheTextsOfTheScanStatusAndRowCount) {
    const struct {
        int status;
        int rows;
        size_t sent;             // rows the page gets
        const wchar_t* heading;  // the second text
        const wchar_t* bottom;
    } cases[] = {
        {0, 3, 0, L"IDS_NOSCAN", L"varBottomText1"},  // no scan: old results are not shown
        {1, 1, 1, L"1 outdated driver", L"varBottomText"},
        {1, 3, 3, L"3 outdated drivers", L"varBottomText1"},
        {2, 0, 0, L"string403", L"varBottomText1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.status << " " << c.rows);
        MakeRows(c.rows);
        CurrentScanStatus() = c.status;
        CDLG_HTML_SCAN_RESULTS page(*host_);
        RecordingPageHost& recorded = Open(page);
        recorded.ClearRecord();
        Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kFillTimer);

        const auto& calls = recorded.Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front().function, L"clearrows");
        EXPECT_EQ(recorded.CallsOf(L"addTableRow").size(), c.sent);
        ASSERT_EQ(calls.back().function, L"settext");
        const Texts& texts = calls.back().arguments;
        ASSERT_EQ(texts.size(), 15u);
        EXPECT_EQ(texts[0], std::to_wstring(c.status));
        EXPECT_EQ(texts[1], c.heading);
        EXPECT_EQ(texts[7], c.bottom);
        EXPECT_EQ(texts[8], std::to_wstring(Engine().updateResults.GetSize()));
        EXPECT_EQ(host_->resultsMarks > 0, true);
        if (c.status == 1 && c.rows == 3) {
            EXPECT_EQ(SentRows(recorded), (std::vector<std::pair<std::wstring, std::wstring>>{
                                              {L"0", L"0"}, {L"1", L"1"}, {L"2", L"2"}}));
            EXPECT_EQ(PendingUpdateCount(), 3);
            EXPECT_EQ(GetLastScanResultCount(), 3);
            PageContract contract{L"scan_results.htm", L"window-three-rows", {}, {}};
            contract.calls = {{L"setlanguage", {L"en"}}, {L"setosid", {L"10"}}};
            for (const Call& call : calls) contract.calls.emplace_back(call.function, call.arguments);
            EXPECT_TRUE(WritePageContract(contract));
        }
    }
}

TEST_F(ResultsScreensTest, ARowClickCountsOnlyWithARowShownNowAndTakesDeviceAndStateFromTheResults) {
    MakeRows(3);
    Engine().updateResults[2].state = ResultState::kInstalledRestartNeeded;
    CDLG_HTML_SCAN_RESULTS page(*host_);
    RecordingPageHost& recorded = Open(page);
    Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kFillTimer);

    const struct {
        const char* name;
        int row, device, item;  // as the page hands them over
        int mode;               // the request that follows; 0 none
        int requestedDevice;
        bool restartPrompt;
    } cases[] = {
        {"row shown, state 0", 1, 1, 0, 1, 1, false},
        {"device forged: the row's own device", 1, 2, 0, 1, 1, false},
        {"state forged as downloaded: still a download", 0, 0, 1, 1, 0, false},
        {"row installed: the restart prompt, no download", 2, 2, 0, 0, -1, true},
        {"row not shown", 3, 0, 0, 0, -1, false},
        {"negative row", -1, 0, 0, 0, -1, false},
        {"row far out", 2147483647, 0, 0, 0, -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host_->updates.clear();
        host_->restartPrompts = 0;
        host_->navigationEnabled = true;
        ClickRow(recorded, L"downloadid", c.row, c.device, c.item);
        EXPECT_EQ(page.m_bUpdateAll, 0);
        Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kActionTimer);
        EXPECT_EQ(host_->restartPrompts, c.restartPrompt ? 1 : 0);
        if (c.mode == 0) {
            EXPECT_TRUE(host_->updates.empty());
            // Nothing follows: the main window's navigation is back.
            EXPECT_TRUE(host_->navigationEnabled);
            continue;
        }
        ASSERT_EQ(host_->updates.size(), 1u);
        EXPECT_EQ(host_->updates[0].mode, c.mode);
        EXPECT_EQ(host_->updates[0].windowTimer, 108u);
        EXPECT_EQ(host_->updates[0].device, c.requestedDevice);
        EXPECT_EQ(host_->updates[0].row, c.row);
        EXPECT_EQ(Engine().resultSelection, (std::vector<int32_t>{c.row}));
        EXPECT_EQ(Engine().updateList.at(0), c.requestedDevice);
        EXPECT_FALSE(host_->navigationEnabled);
    }

    // A downloaded row installs: no download, on to the install.
    Engine().updateResults[1].state = ResultState::kDownloaded;
    host_->updates.clear();
    ClickRow(recorded, L"downloadid", 1, 1, 1);
    Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kActionTimer);
    ASSERT_EQ(host_->updates.size(), 1u);
    EXPECT_EQ(host_->updates[0].mode, 4);
    EXPECT_EQ(host_->updates[0].windowTimer, 112u);
    EXPECT_TRUE(host_->updates[0].goOnToInstall);
    EXPECT_TRUE(host_->updates[0].installOnly);
}

TEST_F(ResultsScreensTest, UpdateAllChoosesThePendingRowsOrSaysWhyNot) {
    CDLG_HTML_SCAN_RESULTS page(*host_);
    RecordingPageHost& recorded = Open(page);
    const struct {
        const char* name;
        int rows;
        std::vector<int> states;
        const wchar_t* message;  // null: the update starts
        std::vector<int32_t> chosen;
    } cases[] = {
        {"no rows", 0, {}, L"IDS_NODRIVER_FOUND_UPDATE", {}},
        {"every row installed", 2, {2, 2}, L"IDS_ALLDRIVER_UPDATE", {}},
        {"pending rows", 3, {0, 2, 1}, nullptr, {0, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakeRows(c.rows);
        for (size_t i = 0; i < c.states.size(); ++i) Engine().updateResults[i].state = c.states[i];
        Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kFillTimer);
        boxes_.boxes.clear();
        host_->updates.clear();
        recorded.Click(L"idButtonBottom");
        EXPECT_EQ(page.m_bUpdateAll, 1);
        Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kActionTimer);
        if (c.message != nullptr) {
            ASSERT_EQ(boxes_.boxes.size(), 1u);
            EXPECT_EQ(boxes_.boxes[0].text, c.message);
            EXPECT_TRUE(host_->updates.empty());
            EXPECT_TRUE(host_->navigationEnabled);
            continue;
        }
        EXPECT_TRUE(boxes_.boxes.empty());
        ASSERT_EQ(host_->updates.size(), 1u);
        EXPECT_EQ(host_->updates[0].mode, 2);
        EXPECT_EQ(host_->updates[0].windowTimer, 109u);
        EXPECT_EQ(Engine().resultSelection, c.chosen);
        EXPECT_EQ(Engine().updateList, (CDriverScanUpdate::IndexMap{{0, 0}, {1, 2}}));
        EXPECT_FALSE(host_->navigationEnabled);
    }
}

TEST_F(ResultsScreensTest, IgnoreExcludesTheRowsDeviceAndTheRowsAreNumberedAgain) {
    MakeRows(3);
    CDLG_HTML_SCAN_RESULTS page(*host_);
    RecordingPageHost& recorded = Open(page);
    Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kFillTimer);

    // A row that is not shown changes nothing.
    ClickRow(recorded, L"ignoreid", 5, 1, 0);
    EXPECT_EQ(Engine().updateResults.GetSize(), 3);
    EXPECT_TRUE(host_->exclusions.Items().empty());

    // The page names device 0 for row 1: the row's own device 1 is excluded.
    ClickRow(recorded, L"ignoreid", 1, 0, 0);
    ASSERT_EQ(host_->exclusions.Items().size(), 1u);
    EXPECT_EQ(host_->exclusions.Items()[0].DriverName, L"Device 1");
    EXPECT_EQ(Engine().updateResults.GetSize(), 2);
    EXPECT_EQ(GetLastScanResultCount(), 2);
    recorded.ClearRecord();
    Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kFillTimer);
    EXPECT_EQ(SentRows(recorded),
              (std::vector<std::pair<std::wstring, std::wstring>>{{L"0", L"0"}, {L"1", L"2"}}));

    // Row 1 is device 2 now.
    ClickRow(recorded, L"ignoreid", 1, 1, 0);
    ASSERT_EQ(host_->exclusions.Items().size(), 2u);
    EXPECT_EQ(host_->exclusions.Items()[1].DriverName, L"Device 2");
}

TEST_F(ResultsScreensTest, LearnMoreShowsTheDetailsOfTheRowsDeviceAndRefillsAfterwards) {
    MakeRows(2);
    CDLG_HTML_SCAN_RESULTS page(*host_);
    RecordingPageHost& recorded = Open(page);
    Timer(page.Handle(), CDLG_HTML_SCAN_RESULTS::kFillTimer);
    std::vector<Texts> shown;
    std::vector<Call> popupCalls;
    page.showDetails = [&](CDLG_HTML_DRIVER_DETAILS& popup) {
        shown.push_back(popup.m_texts);
        // The pop-up itself, as a window of its own for the moment.
        EXPECT_TRUE(popup.Create(frame_.Handle()));
        PumpMessagesUntilQuiet();
        auto* details = dynamic_cast<RecordingPageHost*>(popup.Host());
        if (details != nullptr) {
            popupCalls = details->Calls();
            details->Click(L"idButtonOKBottom");
        }
        EXPECT_FALSE(popup.IsVisible());
        return INT_PTR{0};
    };
    ClickRow(recorded, L"learnmoreid", 7, 1, 0);
    EXPECT_TRUE(shown.empty());
    ClickRow(recorded, L"learnmoreid", 1, 0, 0);
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0].size(), 17u);
    EXPECT_EQ(shown[0][2], L"Device 1");
    EXPECT_EQ(shown[0][9], L"2.0.0.1");
    ASSERT_EQ(popupCalls.size(), 2u);
    EXPECT_EQ(popupCalls[0], (Call{L"setheaderImg", {L"0"}}));
    EXPECT_EQ(popupCalls[1], (Call{L"settext", shown[0]}));
    // The rows are built again once the pop-up has closed.
    recorded.ClearRecord();
    PumpMessagesUntil([&] { return !recorded.CallsOf(L"clearrows").empty(); }, 2000);
    EXPECT_EQ(recorded.CallsOf(L"addTableRow").size(), 2u);
}

TEST_F(ResultsScreensTest, ADetailsPopUpWhosePageCannotBeShownClosesAtOnce) {
    ScopedPageHostFactory noBrowser{[] { return std::unique_ptr<PageHost>(); }};
    CDLG_HTML_DRIVER_DETAILS popup;
    popup.m_texts = DriverDetailsTexts(Engine(), 0);
    EXPECT_EQ(popup.DoModal(frame_.Handle()), IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(frame_.Handle()));
}

TEST_F(ResultsScreensTest, LastScanPageFillsItsFortyThreeValuesAndItsButtonsLeadOn) {
    SaveLastScanResultCount(2);
    ShownScanStatus() = 1;
    CDLG_HTML_LAST_SCAN_INFO page(*host_);
    RecordingPageHost& recorded = Open(page);
    ASSERT_GE(recorded.Calls().size(), 3u);
    EXPECT_EQ(recorded.Calls()[0].function, L"setlanguage");
    EXPECT_EQ(recorded.Calls()[1].function, L"setosid");
    const auto settext = recorded.CallsOf(L"settext");
    ASSERT_EQ(settext.size(), 1u);
    ASSERT_EQ(settext[0].arguments.size(), 43u);
    EXPECT_EQ(settext[0].arguments[0], L"1");
    EXPECT_EQ(settext[0].arguments[9], L"2");

    // The main window's timer 101 fills it again.
    recorded.ClearRecord();
    Timer(page.Handle(), CDLG_HTML_LAST_SCAN_INFO::kRefillTimer);
    EXPECT_EQ(recorded.CallsOf(L"settext").size(), 1u);

    recorded.Click(L"btnLastScanResults");
    recorded.Click(L"btnUpdateNow");
    EXPECT_EQ(host_->mainTimers, (std::vector<UINT>{105, 105}));
    EXPECT_EQ(host_->scanRequests, 0);
    ShownScanStatus() = 2;
    recorded.Click(L"btnUpdateNow");
    recorded.Click(L"btnStartScanNowUnchecked");
    recorded.Click(L"btnScanNowClick");
    EXPECT_EQ(host_->scanRequests, 3);
}

}  // namespace
