#include "shell/app/main_navigation.h"

#include "shell/app/main_window_ids.h"

void MainNavigation::Arm(UINT timer, UINT delayMs) const {
    if (main_ == nullptr) return;
    if (GetWindowThreadProcessId(main_, nullptr) != GetCurrentThreadId()) {
        PostMessageW(main_, kMsgArmMainTimer, timer, delayMs);
        return;
    }
    SetTimer(main_, timer, delayMs, nullptr);
}

void MainNavigation::Post(UINT command) const {
    if (main_ != nullptr) PostMessageW(main_, WM_COMMAND, command, 0);
}

void MainNavigation::ShowResults(UINT delayMs) const { Arm(MainTimer::kShowResults, delayMs); }
void MainNavigation::ShowScanPage(UINT delayMs) const { Arm(MainTimer::kShowScanPage, delayMs); }
void MainNavigation::ShowLastScan(UINT delayMs) const { Arm(MainTimer::kShowLastScan, delayMs); }

void MainNavigation::ShowBackupStep(int step, UINT delayMs) const {
    if (step >= 1 && step <= 4) Arm(MainTimer::kShowBackupStep1 + static_cast<UINT>(step - 1), delayMs);
}

void MainNavigation::ShowRestoreStep(int step, UINT delayMs) const {
    if (step >= 1 && step <= 4) Arm(MainTimer::kShowRestoreStep1 + static_cast<UINT>(step - 1), delayMs);
}

void MainNavigation::ShowDownloadWindow(UINT delayMs) const { Arm(MainTimer::kShowDownloadWindow, delayMs); }
void MainNavigation::BringToFront(UINT delayMs) const { Arm(MainTimer::kBringToFront, delayMs); }
void MainNavigation::ShowHomeAfterRun(UINT delayMs) const { Arm(MainTimer::kShowHomeAfterRun, delayMs); }
void MainNavigation::StartMachineBackup(UINT delayMs) const { Arm(MainTimer::kStartMachineBackup, delayMs); }
void MainNavigation::CloseAfterScheduledRun(UINT delayMs) const { Arm(MainTimer::kCloseAfterScheduledRun, delayMs); }
void MainNavigation::ContinueScan(UINT delayMs) const { Arm(MainTimer::kContinueScan, delayMs); }
void MainNavigation::ScanFinished(UINT delayMs) const { Arm(MainTimer::kScanFinished, delayMs); }

void MainNavigation::ShowBackupTab() const { Post(MainCommand::kBackupTab); }
void MainNavigation::ShowResultsTab() const { Post(MainCommand::kResults); }
void MainNavigation::StartUpdateAll() const { Post(MainCommand::kUpdateAll); }
void MainNavigation::ShowHome() const { Post(MainCommand::kHome); }
