#include "skin_bitmap.h"

#include <vector>

#include "platform/window/resources.h"

namespace starter {
namespace {
constexpr int kCorner = 18;
}

HBITMAP LoadBitmapFrom(HMODULE preferred, UINT id, HMODULE fallback, UINT fallbackId) {
  if (preferred)
    if (HBITMAP bitmap = ::LoadBitmap(preferred, MAKEINTRESOURCE(id))) return bitmap;
  return fallback ? ::LoadBitmap(fallback, MAKEINTRESOURCE(fallbackId)) : nullptr;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !::GetObject(bitmap, sizeof(info), &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

HRGN CornerRegion(HBITMAP corners, int width, int height) {
  HRGN region = ::CreateRectRgn(0, kCorner, width, height - kCorner);
  auto add = [&](int l, int t, int r, int b) {
    HRGN piece = ::CreateRectRgn(l, t, r, b);
    ::CombineRgn(region, region, piece, RGN_OR);
    ::DeleteObject(piece);
  };
  add(kCorner, 0, width - kCorner, kCorner);
  add(kCorner, height - kCorner, width - kCorner, height);
  const SIZE size = BitmapSize(corners);
  if (size.cx < 2 * kCorner || size.cy < 2 * kCorner) return region;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, corners);
  // Each window corner takes the same corner of the mask.
  const POINT from[4] = {
      {0, 0}, {size.cx - kCorner, 0}, {0, size.cy - kCorner}, {size.cx - kCorner, size.cy - kCorner}};
  const POINT to[4] = {{0, 0}, {width - kCorner, 0}, {0, height - kCorner}, {width - kCorner, height - kCorner}};
  for (int c = 0; c < 4; ++c)
    for (int y = 0; y < kCorner; ++y)
      for (int x = 0; x < kCorner; ++x)
        if (::GetPixel(dc, from[c].x + x, from[c].y + y) != RGB(255, 0, 0))
          add(to[c].x + x, to[c].y + y, to[c].x + x + 1, to[c].y + y + 1);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return region;
}

}  // namespace starter
