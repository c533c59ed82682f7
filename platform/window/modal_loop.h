// The nested message loop behind modal dialogs, message boxes and popup menus.
#pragma once

#include <functional>

#include "platform/base/win_types.h"
#include "platform/window/messages.h"

namespace platform {

enum class ModalEnd { Ended, Quit, ScriptExhausted };

// Runs messages until ended() is true. The filter sees each message first (IsDialogMessage for
// dialogs, menu keys for menus) and returns true when it took it. When a scripted input is
// installed and runs out while the loop is idle, the loop returns ScriptExhausted; a WM_QUIT
// is put back for the outer loop and ends this one with Quit.
ModalEnd RunModalLoop(const std::function<bool()>& ended, const std::function<bool(MSG&)>& filter);

// How deep modal loops are nested on this thread.
int ModalDepth();

}  // namespace platform
