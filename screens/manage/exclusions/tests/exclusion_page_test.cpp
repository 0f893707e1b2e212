#include "screens/manage/exclusions/drv_exclusion_page.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/language_strings.h"
#include "foundation/language_table.h"
#include "platform/ui/message_pump.h"
#include "screens/manage/exclusions/exclusion_ids.h"
#include "screens/manage/tests/answering_app_system.h"
#include "tests/support/message_wait.h"

namespace {

namespace fs = std::filesystem;

std::string Entry(int id, const char* name, const char* ids) {
    std::ostringstream text;
    text << "<ExclusionInfo><ExclusionId>" << id << "</ExclusionId><DriverName>" << name
         << "</DriverName><GuidFullPath>{guid}</GuidFullPath><Hash></Hash><HardwareIds>" << ids
         << "</HardwareIds></ExclusionInfo>\n";
    return text.str();
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ExclusionPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        OpenLanguageCache(GetLanguageIniPath());  // the English file beside the test
        dir_ = fs::temp_directory_path() / ("h22_exclusion_" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(dir_);
        // Two devices share one name: removal must take the row chosen, not the first.
        std::ofstream(dir_ / "exclusion.xml", std::ios::binary)
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Exclusion>\n"
            << Entry(1, "Audio", "PCI\\VEN_1") << Entry(2, "Network", "PCI\\VEN_2") << Entry(3, "Network", "PCI\\VEN_3")
            << "</Exclusion>\n";
        list_.SetPath((dir_ / "exclusion.xml").wstring());
        list_.Load();
        ui::WindowArgs args;
        args.style = WS_POPUP | WS_VISIBLE;
        args.x = 0;
        args.y = 0;
        args.width = 672;
        args.height = 416;
        ASSERT_TRUE(host_.Create(args));
        ASSERT_TRUE(page_.Create(host_));
        page_.MoveTo(0, 0, 672, 416);
        page_.Show(SW_SHOW);
        ui::PumpPendingMessages();
        listView_ = page_.Item(IDC_EXCLUSION_LIST);
    }
    void TearDown() override {
        // A picture of the screen for a person to look at, into the given Unix folder.
        if (const char* folder = getenv("SETTINGS_PICTURES")) {
            PumpMessagesUntilQuiet(300);
            const std::string command =
                std::string("start /wait /unix /usr/bin/import -window root ") + folder + "/exclusions.png";
            std::system(command.c_str());
        }
        fs::remove_all(dir_);
    }
    std::vector<std::wstring> Rows() const {
        std::vector<std::wstring> rows;
        for (int i = 0; i < ListView_GetItemCount(listView_); ++i) {
            wchar_t text[100] = {};
            ListView_GetItemText(listView_, i, 0, text, 100);
            rows.push_back(text);
        }
        return rows;
    }
    void Select(int row) {
        ListView_SetItemState(listView_, -1, 0, LVIS_SELECTED);
        if (row >= 0) ListView_SetItemState(listView_, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    void Click(int id) { SendMessageW(page_.Item(id), BM_CLICK, 0, 0); }
    bool Enabled(int id) const { return IsWindowEnabled(page_.Item(id)) != FALSE; }

    fs::path dir_;
    AnsweringAppSystem system_;
    ScopedAppSystem scoped_{system_};
    ExclusionList list_{nullptr, L""};
    ui::CustomWindow host_;
    CDlgDrvExclusion page_{list_};
    HWND listView_ = nullptr;
};

TEST_F(ExclusionPageTest, RemovingTheChosenRowRewritesTheFile) {
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Audio", L"Network", L"Network"}));
    EXPECT_TRUE(Enabled(IDC_REMOVE_ALL));
    EXPECT_TRUE(Enabled(IDC_REMOVE_SELECTED)) << "the first row is selected when the page opens";

    Select(-1);
    Click(IDC_REMOVE_SELECTED);
    EXPECT_EQ(system_.boxes.size(), 1u) << "nothing selected: the user is told";
    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_FALSE(Enabled(IDC_REMOVE_SELECTED));
    EXPECT_TRUE(Enabled(IDC_REMOVE_ALL));

    system_.answer = IDNO;
    Select(2);
    Click(IDC_REMOVE_SELECTED);
    EXPECT_EQ(Rows().size(), 3u) << "No keeps the entry";

    system_.answer = IDYES;
    Select(2);
    Click(IDC_REMOVE_SELECTED);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Audio", L"Network"}));
    const std::string file = ReadAll(dir_ / "exclusion.xml");
    EXPECT_NE(file.find("PCI\\VEN_2"), std::string::npos);
    EXPECT_EQ(file.find("PCI\\VEN_3"), std::string::npos) << "the chosen row's device is the one removed";

    EXPECT_EQ(page_.AddDriver(L"Camera", L"USB\\VID_9", L"{guid}", L""), 1);
    EXPECT_EQ(page_.AddDriver(L"Camera again", L"usb\\vid_9", L"{GUID}", L""), 0);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Audio", L"Network", L"Camera"}));
    EXPECT_NE(ReadAll(dir_ / "exclusion.xml").find("USB\\VID_9"), std::string::npos);
}

TEST_F(ExclusionPageTest, RemoveAllLeavesTheRootAlone) {
    system_.answer = IDNO;
    Click(IDC_REMOVE_ALL);
    EXPECT_EQ(Rows().size(), 3u);

    system_.answer = IDYES;
    Click(IDC_REMOVE_ALL);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(Enabled(IDC_REMOVE_ALL));
    EXPECT_FALSE(Enabled(IDC_REMOVE_SELECTED));
    const std::string file = ReadAll(dir_ / "exclusion.xml");
    EXPECT_NE(file.find("Exclusion"), std::string::npos);
    EXPECT_EQ(file.find("ExclusionInfo"), std::string::npos);
    EXPECT_EQ(list_.Size(), 0u);
}

}  // namespace
