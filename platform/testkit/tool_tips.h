// Showing a control's tool tip as a person does, and finding where the tip stands.
#pragma once

#include "platform/base/win_types.h"

namespace testkit {

// Two pointer moves over `control` at its client point `at`, through the window's own loop,
// which hands them to the control's tip; the tip shows once its delay has passed.
void RestPointerOn(HWND control, POINT at);

struct ShownTip {
  HWND tip = nullptr;  // the visible tool tip highest in the stacking order, if any
  bool above = false;  // whether it stands above `window`
};
ShownTip ShownTipAbove(HWND window);

}  // namespace testkit
