// Device context internals shared by the drawing files. Internal to platform/gdi.
#pragma once

#include <functional>

#include "platform/gdi/gdi_object.h"

namespace platform::gdi {

struct DcState {
  std::shared_ptr<BitmapObj> bitmap;  // memory DCs only
  std::shared_ptr<BrushObj> brush;
  std::shared_ptr<PenObj> pen;
  std::shared_ptr<FontObj> font;
  HGDIOBJ hbitmap = nullptr, hbrush = nullptr, hpen = nullptr, hfont = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT pos;
  POINT viewportOrg;
  POINT windowOrg;
  POINT brushOrg;
  COLORREF dcBrushColor = RGB(255, 255, 255);
  COLORREF dcPenColor = RGB(0, 0, 0);
  std::optional<RegionShape> clip;  // device coordinates
};

struct DcObj : GdiObject {
  DcObj() : GdiObject(Kind::Dc) {}
  ~DcObj() override;
  bool memory = true;
  DcState st;
  std::vector<DcState> saved;
  // Window DCs draw into a surface at an origin, inside a visible region (device coordinates).
  std::shared_ptr<BitmapObj> surface;
  POINT origin;
  std::optional<RegionShape> visible;
  std::function<void()> onDelete;

  BitmapObj* Target() const { return memory ? st.bitmap.get() : surface.get(); }
  // Clip rectangles in target (surface) coordinates.
  const std::vector<RECT>& ClipRects();
  void InvalidateClip() { clipValid_ = false; }
  POINT ToDevice(int x, int y) const {
    return {x - st.windowOrg.x + st.viewportOrg.x, y - st.windowOrg.y + st.viewportOrg.y};
  }
  // Logical point to target (surface) coordinates.
  POINT ToTarget(int x, int y) const {
    POINT d = ToDevice(x, y);
    return {d.x + origin.x, d.y + origin.y};
  }
  RECT ToTarget(const RECT& r) const {
    POINT a = ToTarget(r.left, r.top), b = ToTarget(r.right, r.bottom);
    return {a.x, a.y, b.x, b.y};
  }
  RegionShape ClipShape();  // target coordinates

 private:
  bool clipValid_ = false;
  std::vector<RECT> clipRects_;
};

std::shared_ptr<DcObj> LookupDc(HDC dc);

// The brush's pixel at a target position, for the DC's target format.
uint32_t BrushPixel(const DcObj& dc, const BrushObj& brush, int x, int y);
bool BrushIsSolid(const BrushObj& brush);
COLORREF BrushColor(const DcObj& dc, const BrushObj& brush);
COLORREF PenColor(const DcObj& dc, const PenObj& pen);

// Applies a ternary raster operation to every pixel of a target rectangle, clipped, with the brush as
// the pattern and no source.
void PatBltTarget(DcObj& dc, RECT r, const BrushObj* brush, DWORD rop);
// Fills a region given in target coordinates with the brush, clipped.
void FillShapeTarget(DcObj& dc, const RegionShape& shape, const BrushObj& brush, DWORD rop);
// Sets one target pixel through the DC's binary raster operation, clipped.
void PlotTarget(DcObj& dc, int x, int y, uint32_t pen);
bool ClipContains(DcObj& dc, int x, int y);

uint32_t Rop3(uint32_t p, uint32_t s, uint32_t d, DWORD rop);
uint32_t Rop2(uint32_t pen, uint32_t d, int rop2);

}  // namespace platform::gdi
