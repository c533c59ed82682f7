#include "capture/video_fit.h"

#include "platform/window/window.h"

VideoPlacement FitVideoPlacement(long w, long h, int aspect) {
  VideoPlacement p{0, 0, w, h};
  if (aspect != 0 && aspect != 1) return p;
  const long a = aspect == 1 ? 16 : 4, b = aspect == 1 ? 9 : 3;
  if (b * w >= a * h) {
    p.width = a * h / b;
    p.x = (w - p.width) / 2;
  } else {
    p.height = b * w / a;
    p.y = (h - p.height) / 2;
  }
  return p;
}

void FitVideoWindowToOwner(IVideoWindow* videoWindow, HWND owner, int aspect) {
  if (!videoWindow) return;
  RECT r{};
  if (owner) GetWindowRect(owner, &r);
  const VideoPlacement p = FitVideoPlacement(r.right - r.left, r.bottom - r.top, aspect);
  videoWindow->SetWindowPosition(p.x, p.y, p.width, p.height);
}
