// Where both capture graphs place their video inside the owner's window: 4:3 (aspect 0) or
// 16:9 (aspect 1) as large as fits, centred with bars; any other aspect fills the window.
#pragma once

#include "platform/dshow/control_interfaces.h"

struct VideoPlacement {
  long x = 0, y = 0, width = 0, height = 0;
};

// For an owner `w` by `h` pixels; integer arithmetic, rounding toward zero.
VideoPlacement FitVideoPlacement(long w, long h, int aspect);

// Places the video window at the fitted rectangle of the owner's window rectangle (nothing
// without a video window).
void FitVideoWindowToOwner(IVideoWindow* videoWindow, HWND owner, int aspect);
