// Default look of what the window system itself draws: frames and captions, the class background
// and the colours a parent hands its controls. Drawn through the drawing layer when it is there.
#pragma once

#include "platform/base/win_types.h"

namespace platform::win {

// Paints the frame and caption of a window with a non-client area; nothing without a DC.
void DrawNonClient(HWND hwnd);
// Fills the client area with a brush (a real brush or COLOR_x + 1); false without a DC.
bool FillBackground(HWND hwnd, HDC dc, HBRUSH brush);
// WM_CTLCOLOR* defaults: 3-D face behind statics and buttons, window colour behind edits and lists.
LRESULT DefaultControlColour(UINT msg, HDC dc);

}  // namespace platform::win
