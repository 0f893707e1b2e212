// The downloads page against real files and the saved list.
#include "screens/scan/downloads_list/dlg_downloads.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "engine/package_file_name.h"
#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"
#include "foundation/md5_checksum.h"
#include "tests/support/host_frame.h"
#include "tests/support/page_test_support.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

std::wstring Key(const wchar_t* key) { return GetLangString(key, L"RESOURCESTRING"); }

std::wstring CellText(HWND list, int row, int column) {
    wchar_t text[1024] = {};
    ListView_GetItemText(list, row, column, text, 1024);
    return text;
}

class DownloadsListTest : public ::testing::Test {
protected:
    void SetUp() override {
        LanguageFileCache().SetPath(HALVENOR_SOURCE_DIR L"\\resources\\eng_hal.ini");
        ASSERT_TRUE(main_.Open(L"Downloads"));
    }

    // Writes a package into the folder and records it; returns its path.
    std::wstring AddPackage(ScopedTempFolder& folder, const std::wstring& name, const std::string& bytes,
                            const std::wstring& key) {
        const std::wstring path = folder.File(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        files_[key] = DownloadedFilesEntry(path, Md5OfString(bytes.data(), bytes.size()));
        return path;
    }

    void Open() {
        DownloadsListSource source;
        source.files = &files_;
        source.save = [this] {
            ++saves_;
            saved_ = files_;
            return true;
        };
        source.downloadFolder = [this] { return downloads_.Path(); };
        page_ = std::make_unique<CDlgDownloads>(std::move(source));
        ASSERT_TRUE(page_->Create(main_.Handle()));
        const RECT client = main_.Client();
        page_->MoveTo(0, 0, client.right, client.bottom);
        page_->Show(SW_SHOW);
        main_.Show(SW_SHOW);
        page_->List().showFileInFolder = [this](const std::wstring& path) {
            shown_.push_back(path);
            return shellWorks_;
        };
        page_->List().openFolder = [this](const std::wstring& folder) {
            opened_.push_back(folder);
            return true;
        };
        PumpWaitingMessages();
    }

    HWND List() const { return page_->List().Handle(); }
    int Rows() const { return ListView_GetItemCount(List()); }

    void TakeScreenshot(const std::string& name) {
        PumpMessagesUntilQuiet();
        if (GetFileAttributesW(L"Z:\\usr\\bin\\import") == INVALID_FILE_ATTRIBUTES) return;
        const std::string folder = HALVENOR_SCREENSHOT_DIR;
        CreateDirectoryA(("Z:" + folder).c_str(), nullptr);
        std::system(("start /wait /unix /usr/bin/import -window root " + folder + "/" + name + ".png").c_str());
    }

    HostFrame main_;
    ScopedTempFolder downloads_, elsewhere_;
    std::map<std::wstring, std::wstring> files_, saved_;
    int saves_ = 0;
    std::unique_ptr<CDlgDownloads> page_;
    std::vector<std::wstring> shown_, opened_;
    bool shellWorks_ = true;
};

TEST_F(DownloadsListTest, RefreshKeepsOnlyPackagesOnDiskAndShowsTheirFileNames) {
    const std::wstring kept = AddPackage(downloads_, L"net setup.exe", "package one", L"http:hostanet setup.exe");
    AddPackage(downloads_, L"other.zip", "package two", L"http:hostbother.zip");
    const std::wstring gone = AddPackage(downloads_, L"gone.cab", "package three", L"http:hostcgone.cab");
    ASSERT_TRUE(DeleteFileW(gone.c_str()));
    files_[L"no separator"] = kept;
    files_[L"separator first"] = L"|" + kept;

    Open();
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(CellText(List(), 0, 0), L"net setup.exe") << "the file name, not the digest";
    EXPECT_EQ(CellText(List(), 0, 1), downloads_.Path() + L"\\");
    EXPECT_EQ(CellText(List(), 0, 2), Key(L"IDS_OPENFOLDER"));
    EXPECT_EQ(CellText(List(), 1, 0), L"other.zip");
    EXPECT_EQ(page_->List().GetLinkKey(0), L"http:hostanet setup.exe");
    EXPECT_EQ(page_->List().GetLinkKey(-1), L"");
    EXPECT_FALSE(page_->List().HasLink(0, 0));
    EXPECT_EQ(saved_.size(), 2u) << "the pruned list is saved";
    EXPECT_EQ(saved_.count(L"http:hostcgone.cab"), 0u);
    // Row 0 is selected, both buttons usable.
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), 0);
    EXPECT_TRUE(page_->RemoveButton().IsEnabled());
    EXPECT_TRUE(page_->RemoveAllButton().IsEnabled());
    TakeScreenshot("downloads_list");

    // No selection: row 0 is selected again.
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    page_->UpdateButtons();
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), 0);
}

TEST_F(DownloadsListTest, RemovingDeletesOnlyFilesTheProgramMayDelete) {
    const std::wstring first = AddPackage(downloads_, L"a.exe", "first", L"ka");
    const std::wstring second = AddPackage(downloads_, L"b.exe", "second", L"kb");
    // A record that names a file outside the download folder whose digest no longer
    // matches: the record goes, the file stays.
    const std::wstring foreign = elsewhere_.File(L"user document.txt");
    ASSERT_TRUE(WriteFileBytes(foreign, "the user's own file"));
    files_[L"kc"] = DownloadedFilesEntry(foreign, L"0123456789abcdef0123456789abcdef");
    Open();
    ASSERT_EQ(Rows(), 3);

    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageW(page_->RemoveButton().Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(PathExists(first));
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(saved_.count(L"ka"), 0u);

    SendMessageW(page_->RemoveAllButton().Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpMessagesUntil([this] { return Rows() == 0; }, 10000));
    page_->WaitForWorker();
    EXPECT_FALSE(PathExists(second));
    EXPECT_TRUE(PathExists(foreign)) << "outside the download folder and not the recorded package";
    EXPECT_TRUE(files_.empty());
    EXPECT_TRUE(saved_.empty());
    EXPECT_FALSE(page_->RemoveButton().IsEnabled());
    EXPECT_FALSE(page_->RemoveAllButton().IsEnabled());

    EXPECT_TRUE(MayDeleteRecordedFile(foreign, Md5OfString("the user's own file", 19), downloads_.Path()));
    EXPECT_FALSE(MayDeleteRecordedFile(foreign, L"", downloads_.Path()));
}

TEST_F(DownloadsListTest, OnlyAClickOnTheLinkTextOpensTheFolder) {
    const std::wstring path = AddPackage(downloads_, L"pkg.exe", "bytes", L"k");
    Open();
    ASSERT_EQ(Rows(), 1);
    const RECT text = page_->List().GetLinkTextRect(0, CLinkListCtrl::kLinkColumn);
    ASSERT_LT(text.left, text.right);
    RECT cell{};
    cell.top = CLinkListCtrl::kLinkColumn;
    cell.left = LVIR_LABEL;
    SendMessageW(List(), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
    ASSERT_LT(text.right + 2, cell.right) << "room right of the text inside the cell";

    const auto click = [this](int x, int y) {
        SendMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(List(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    };
    click(text.right + 2, (text.top + text.bottom) / 2);
    EXPECT_TRUE(shown_.empty()) << "outside the text";
    EXPECT_TRUE(opened_.empty());

    click((text.left + text.right) / 2, (text.top + text.bottom) / 2);
    EXPECT_EQ(shown_, std::vector<std::wstring>{path});
    EXPECT_TRUE(opened_.empty());

    // The shell cannot show the file: its folder opens instead; a folder that is
    // gone gives the download folder, made again.
    shellWorks_ = false;
    click((text.left + text.right) / 2, (text.top + text.bottom) / 2);
    EXPECT_EQ(opened_, std::vector<std::wstring>{downloads_.Path() + L"\\"});
}

}  // namespace
