#include "shell/app/app_keys.h"

namespace {

SHORT WINAPI_QueueState(int key) { return GetKeyState(key); }
SHORT WINAPI_AsyncState(int key) { return GetAsyncKeyState(key); }

bool Down(SHORT state) { return (state & 0x8000) != 0; }

bool AnyDown(const KeyStateSource& keys, std::initializer_list<int> virtualKeys) {
    for (int key : virtualKeys) {
        if (Down(keys.asyncState(key))) return true;
    }
    return false;
}

}  // namespace

KeyStateSource SystemKeyState() { return {WINAPI_QueueState, WINAPI_AsyncState}; }

bool IsSwallowedAppKey(const MSG& message, const KeyStateSource& keys) {
    const bool control = Down(keys.queueState(VK_CONTROL));
    if (message.message == WM_MOUSEWHEEL) return control;
    if (message.message != WM_KEYDOWN) return false;
    if (Down(keys.asyncState(VK_F5))) return true;
    if (control && AnyDown(keys, {'O', 'P', 'N', 'A', '5', VK_NUMPAD5, 'F', VK_ADD})) return true;
    const bool alt = Down(keys.queueState(VK_LMENU)) || Down(keys.queueState(VK_RMENU));
    return alt && AnyDown(keys, {'O', 'P', 'G', 'H'});
}
