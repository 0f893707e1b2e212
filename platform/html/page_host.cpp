#include "platform/html/page_host.h"

#include <utility>

#include "platform/html/browser_page_host.h"

namespace {

PageHostFactory& InstalledFactory() {
    static PageHostFactory factory;
    return factory;
}

}  // namespace

std::unique_ptr<PageHost> CreatePageHost() {
    if (const PageHostFactory& factory = InstalledFactory()) return factory();
    return std::make_unique<BrowserPageHost>();
}

ScopedPageHostFactory::ScopedPageHostFactory(PageHostFactory factory)
    : previous_(std::exchange(InstalledFactory(), std::move(factory))) {}

ScopedPageHostFactory::~ScopedPageHostFactory() { InstalledFactory() = std::move(previous_); }
