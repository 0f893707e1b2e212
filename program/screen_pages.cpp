#include "program/screen_pages.h"

#include "screens/manage/backup_restore/backup_restore_page.h"

std::unique_ptr<MainPage> ScreenPageFactory::Make(MainPageId id) {
    switch (id) {
    case MainPageId::BackupRestore:
        return std::make_unique<BackupRestoreMainPage>();
    default:
        return std::make_unique<EmptyPage>();
    }
}
