// Pixel-level engine: raster operations, brush patterns, clipped fills and plots.
#include <algorithm>

#include "platform/gdi/dc_object.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/sys_colors.h"

namespace platform::gdi {

uint32_t Rop3(uint32_t p, uint32_t s, uint32_t d, DWORD rop) {
  unsigned code = (rop >> 16) & 0xFF;
  switch (code) {
    case 0xCC: return s;
    case 0xF0: return p;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x55: return ~d;
    case 0x33: return ~s;
    case 0x5A: return p ^ d;
    case 0xAA: return d;
    case 0x00: return 0;
    case 0xFF: return ~0u;
    default: break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r;
}

uint32_t Rop2(uint32_t pen, uint32_t d, int rop2) {
  if (rop2 == R2_COPYPEN) return pen;
  unsigned code = static_cast<unsigned>(rop2 - 1) & 0xF;
  uint32_t r = 0;
  for (int i = 0; i < 4; ++i) {
    if (!((code >> i) & 1)) continue;
    r |= ((i & 2) ? pen : ~pen) & ((i & 1) ? d : ~d);
  }
  return r;
}

bool BrushIsSolid(const BrushObj& brush) { return brush.lb.lbStyle == BS_SOLID; }

COLORREF BrushColor(const DcObj& dc, const BrushObj& brush) {
  if (brush.stock && brush.handle == GetStockObject(DC_BRUSH)) return dc.st.dcBrushColor;
  return brush.lb.lbColor;
}

COLORREF PenColor(const DcObj& dc, const PenObj& pen) {
  if (pen.stock && pen.handle == GetStockObject(DC_PEN)) return dc.st.dcPenColor;
  return pen.lp.lopnColor;
}

namespace {

bool HatchBit(int style, int x, int y) {
  x &= 7;
  y &= 7;
  switch (style) {
    case HS_HORIZONTAL: return y == 4;
    case HS_VERTICAL: return x == 4;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x == 7 - y;
    case HS_CROSS: return x == 4 || y == 4;
    case HS_DIAGCROSS: return x == y || x == 7 - y;
    default: return false;
  }
}

}  // namespace

uint32_t BrushPixel(const DcObj& dc, const BrushObj& brush, int x, int y) {
  const BitmapObj* t = dc.Target();
  COLORREF color = BrushColor(dc, brush);
  int ox = x - dc.origin.x - dc.st.brushOrg.x, oy = y - dc.origin.y - dc.st.brushOrg.y;
  switch (brush.lb.lbStyle) {
    case BS_HATCHED: color = HatchBit(static_cast<int>(brush.lb.lbHatch), ox, oy) ? color : dc.st.bkColor; break;
    case BS_PATTERN:
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT:
      if (brush.pattern) {
        const BitmapObj& p = *brush.pattern;
        int px = ((ox % p.width) + p.width) % p.width, py = ((oy % p.height) + p.height) % p.height;
        if (p.bpp == 1) color = p.Get(px, py) ? dc.st.bkColor : dc.st.textColor;
        else color = ColorFromPixel(p.Get(px, py));
      }
      break;
    default: break;
  }
  return t ? t->PixelFor(color) : 0;
}

bool ClipContains(DcObj& dc, int x, int y) {
  for (const RECT& c : dc.ClipRects())
    if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) return true;
  return false;
}

void PatBltTarget(DcObj& dc, RECT r, const BrushObj* brush, DWORD rop) {
  BitmapObj* t = dc.Target();
  if (!t) return;
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  uint32_t mask = t->bpp == 1 ? 1u : 0xFFFFFFu;
  unsigned code = (rop >> 16) & 0xFF;
  bool usesPattern = ((code >> 4) & 0x0F) != (code & 0x0F);
  if (usesPattern && (!brush || brush->lb.lbStyle == BS_NULL)) return;
  bool solid = !usesPattern || BrushIsSolid(*brush);
  uint32_t solidPixel = usesPattern && solid ? BrushPixel(dc, *brush, 0, 0) : 0;
  for (const RECT& c : dc.ClipRects()) {
    int x0 = std::max(r.left, c.left), x1 = std::min(r.right, c.right);
    int y0 = std::max(r.top, c.top), y1 = std::min(r.bottom, c.bottom);
    if (x0 >= x1 || y0 >= y1) continue;
    if (code == 0xF0 && solid && t->bpp == 32) {
      for (int y = y0; y < y1; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(t->Row(y));
        std::fill(row + x0, row + x1, solidPixel);
      }
      continue;
    }
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        uint32_t p = solid ? solidPixel : BrushPixel(dc, *brush, x, y);
        t->Set(x, y, Rop3(p, 0, t->Get(x, y), rop) & mask);
      }
  }
}

void FillShapeTarget(DcObj& dc, const RegionShape& shape, const BrushObj& brush, DWORD rop) {
  RegionShape clipped = RegionShape::Combine(shape, dc.ClipShape(), RGN_AND);
  if (clipped.Empty()) return;
  // Fill through a DC view whose clip is the shape itself.
  for (const RECT& r : clipped.Rects()) {
    BitmapObj* t = dc.Target();
    uint32_t mask = t->bpp == 1 ? 1u : 0xFFFFFFu;
    bool solid = BrushIsSolid(brush);
    uint32_t sp = solid ? BrushPixel(dc, brush, 0, 0) : 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        uint32_t p = solid ? sp : BrushPixel(dc, brush, x, y);
        t->Set(x, y, Rop3(p, 0, t->Get(x, y), rop) & mask);
      }
  }
}

void PlotTarget(DcObj& dc, int x, int y, uint32_t pen) {
  BitmapObj* t = dc.Target();
  if (!t || !ClipContains(dc, x, y)) return;
  uint32_t mask = t->bpp == 1 ? 1u : 0xFFFFFFu;
  t->Set(x, y, Rop2(pen, t->Get(x, y), dc.st.rop2) & mask);
}

}  // namespace platform::gdi
