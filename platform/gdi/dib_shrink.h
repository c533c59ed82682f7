// HALFTONE's shrink of a packed DIB read straight from its rows. Internal to platform/gdi.
#pragma once

#include "platform/gdi/dc_object.h"

namespace platform::gdi {

// Every pixel of `dr` (target coordinates, positive size, clipped by the DC) becomes the mean of
// the source pixels its extent covers in the source rectangle (sx, sy, sw, sh: top-down rows of
// the DIB, positive sizes); pixels whose extent starts outside the DIB stay as they were. The
// same means as a HALFTONE StretchBlt from a bitmap holding the DIB, without making that bitmap:
// a full-size picture shrunk to a thumbnail is read once. False, drawing nothing, for DIBs other
// than 24- or 32-bit and for a monochrome target.
bool ShrinkDibHalftone(DcObj& dst, RECT dr, const void* bits, const BITMAPINFOHEADER& header, int sx, int sy, int sw,
                       int sh);

}  // namespace platform::gdi
