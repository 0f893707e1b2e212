#pragma once

#include <windows.h>

#include <functional>

namespace ui {

// The one road of a message from the queue to its window, shared by the
// application's loop and every modal loop: the application's
// `PreTranslateMessage`, then the wrapper of the target window and of each of its
// parents up to the top-level window (the same MSG, which each may change; any of
// them may swallow it), then the top-level dialog's keyboard navigation, then
// translation and dispatch.
void RouteMessage(MSG& message);

// Handles messages until `done` answers true (asked after each message and before
// waiting) or a quit message arrives. Returns false on a quit message, which it
// posts again (with its code in `quitCode`) so that every enclosing loop ends too.
bool RunMessageLoop(const std::function<bool()>& done, int* quitCode = nullptr);

// Handles the messages waiting now without waiting for more; false when a quit
// message was among them (posted again).
bool PumpPendingMessages();

}  // namespace ui
