#include "shell/scheduled_tasks/schedule_messages.h"

#include <mutex>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"

namespace {

std::mutex g_sinkLock;
ScheduleMessageSink g_sink;

}  // namespace

void SetScheduleMessageSink(ScheduleMessageSink sink) {
    std::lock_guard<std::mutex> guard(g_sinkLock);
    g_sink = std::move(sink);
}

void ShowScheduleMessage(const wchar_t* key, UINT icon) {
    const std::wstring text = GetLangString(key, kResourceStringSection);
    ScheduleMessageSink sink;
    {
        std::lock_guard<std::mutex> guard(g_sinkLock);
        sink = g_sink;
    }
    if (sink) {
        sink(key, text, icon);
        return;
    }
    MessageBoxW(GetActiveWindow(), text.c_str(), GetAppTitle().c_str(), MB_OK | icon);
}
