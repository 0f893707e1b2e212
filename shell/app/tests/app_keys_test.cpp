#include "shell/app/app_keys.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::set<int> queueDown;
std::set<int> asyncDown;
SHORT QueueState(int key) { return queueDown.count(key) != 0 ? static_cast<SHORT>(0x8000) : 0; }
SHORT AsyncState(int key) { return asyncDown.count(key) != 0 ? static_cast<SHORT>(0x8000) : 0; }

TEST(AppKeys, BrowserShortcutsAndZoomAreSwallowed) {
    const struct {
        UINT message;
        std::set<int> queue;
        std::set<int> async;
        bool swallowed;
    } cases[] = {
        {WM_MOUSEWHEEL, {VK_CONTROL}, {}, true},
        {WM_MOUSEWHEEL, {}, {}, false},
        {WM_KEYDOWN, {}, {VK_F5}, true},
        {WM_KEYDOWN, {VK_CONTROL}, {'P'}, true},
        {WM_KEYDOWN, {VK_CONTROL}, {VK_NUMPAD5}, true},
        {WM_KEYDOWN, {VK_CONTROL}, {VK_ADD}, true},
        {WM_KEYDOWN, {VK_CONTROL}, {'C'}, false},  // copy stays with the page
        {WM_KEYDOWN, {}, {'P'}, false},
        {WM_KEYDOWN, {VK_LMENU}, {'H'}, true},
        {WM_KEYDOWN, {VK_RMENU}, {'G'}, true},
        {WM_KEYDOWN, {VK_RMENU}, {'F'}, false},
        {WM_KEYUP, {VK_CONTROL}, {'P', VK_F5}, false},
        {WM_CHAR, {VK_CONTROL}, {'P'}, false},
    };
    for (const auto& c : cases) {
        queueDown = c.queue;
        asyncDown = c.async;
        MSG message{};
        message.message = c.message;
        EXPECT_EQ(IsSwallowedAppKey(message, {QueueState, AsyncState}), c.swallowed)
            << "message " << c.message << " case " << (&c - cases);
    }
}

}  // namespace
