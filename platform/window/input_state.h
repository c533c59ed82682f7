// Process-wide input state shared by focus handling and input injection.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/window/input.h"

namespace platform::win {

struct InputState {
  std::recursive_mutex mu;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  HWND leaveTrack = nullptr;
  BYTE keys[256]{};       // as the retrieving thread sees them
  BYTE asyncKeys[256]{};  // as injected
  POINT cursorPos{};
  HCURSOR cursor = nullptr;
  int cursorShowCount = 0;
  std::deque<platform::InputStep> script;
  bool scriptActive = false;
};

InputState& Input();

// The window that receives mouse input at a screen point: null when the point is outside every
// window or its top-level window is disabled. Disabled and hidden children are looked through, and
// so are the windows in skip (those that answered HTTRANSPARENT).
HWND MouseTarget(POINT screen, const std::vector<HWND>& skip = {});

}  // namespace platform::win
