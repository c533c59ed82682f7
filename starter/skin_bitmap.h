// Bitmaps of the starter's resource libraries: loading with a fall-back library, sizes, and
// the window region cut from a corner mask.
#pragma once

#include "platform/base/win_types.h"
#include "platform/gdi/afx_gdi.h"

namespace starter {

// The bitmap `id` of `preferred` when that library is loaded and holds it, else `fallbackId`
// of `fallback`; null when neither has one.
HBITMAP LoadBitmapFrom(HMODULE preferred, UINT id, HMODULE fallback, UINT fallbackId);
SIZE BitmapSize(HBITMAP bitmap);
// The width x height rectangle without its four 18 x 18 corners, plus the pixels of the
// matching corners of `corners` that are not pure red. Without a mask the corners stay cut.
HRGN CornerRegion(HBITMAP corners, int width, int height);

}  // namespace starter
