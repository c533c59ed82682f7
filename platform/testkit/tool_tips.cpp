#include "platform/testkit/tool_tips.h"

#include <string>

#include "platform/controls/commctrl.h"
#include "platform/window/input.h"
#include "platform/window/window.h"

namespace testkit {

void RestPointerOn(HWND control, POINT at) {
  ::ClientToScreen(control, &at);
  platform::InjectMouseMove(at);
  platform::InjectMouseMove(POINT{at.x + 2, at.y + 1});
}

ShownTip ShownTipAbove(HWND window) {
  ShownTip shown;
  bool windowSeen = false;
  for (HWND h = ::GetTopWindow(nullptr); h && !shown.tip; h = ::GetWindow(h, GW_HWNDNEXT)) {
    char cls[32] = {};
    ::GetClassName(h, cls, sizeof cls);
    if (std::string(cls) == TOOLTIPS_CLASS && ::IsWindowVisible(h)) {
      shown.tip = h;
      shown.above = !windowSeen;
    }
    windowSeen |= h == window;
  }
  return shown;
}

}  // namespace testkit
