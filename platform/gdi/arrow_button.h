// The classic 3D arrow button face the standard controls and windows' own scroll bars share.
#pragma once

#include "platform/base/win_types.h"

namespace platform::gdi {

// A raised (or pushed) face with a triangle pointing in dir 0 up, 1 down, 2 left, 3 right; the
// triangle is grey when the button is disabled.
void DrawArrowButton(HDC dc, const RECT& r, int dir, bool pushed, bool enabled);

}  // namespace platform::gdi
