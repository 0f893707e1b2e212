#include "screens/scan/home_screen/home_main_page.h"

#include <utility>

#include "foundation/modal_prompts.h"
#include "shell/app/main_window.h"

namespace {

constexpr UINT kScheduleTab = 235;

}  // namespace

HomeMainPage::HomeMainPage(ScanStart startScan)
    : startScan_(std::move(startScan)),
      screen_({
          .startScan =
              [this] {
                  if (startScan_) {
                      startScan_(mainWindow_);
                  } else if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) {
                      main->CheckInternetAndContinue();
                  }
              },
          .postResults = [this] { PostMessageW(mainWindow_, WM_COMMAND, MainCommand::kResults, 0); },
          .showResultsNow = [this] { SendMessageW(mainWindow_, WM_COMMAND, MainCommand::kResults, 0); },
          .showSchedule =
              [this] {
                  PostMessageW(mainWindow_, WM_COMMAND, MainCommand::kSettings, 0);
                  if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) {
                      PostMessageW(main->SubHeader().Handle(), WM_COMMAND, kScheduleTab, 0);
                  }
              },
          .showFeedback = [] { ShowDriverFeedbackDialog(); },
          .pageCompleted =
              [this] {
                  if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) main->OnHomeDocumentComplete();
              },
          .pageUnavailable =
              [this] {
                  if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) main->OnHomePageFailed();
              },
      }) {}

HWND HomeMainPage::Create(HWND mainWindow, const RECT& place) {
    mainWindow_ = mainWindow;
    if (!screen_.Create(mainWindow)) {
        // Without its window the page can never report: the start-up goes on now.
        if (CHvAppDlg* main = CHvAppDlg::FromWindow(mainWindow_)) main->OnHomePageFailed();
        return nullptr;
    }
    screen_.MoveTo(place.left, place.top, place.right - place.left, place.bottom - place.top);
    screen_.Show(SW_HIDE);
    return screen_.Handle();
}

void HomeMainPage::OnShown() { screen_.SetTimer(CDlg_NewHome_Screen_HTML::kRefreshTimer, 10); }
