#include "program/screen_pages.h"

std::unique_ptr<MainPage> ScreenPageFactory::Make(MainPageId id) {
    switch (id) {
    default:
        return std::make_unique<EmptyPage>();
    }
}
