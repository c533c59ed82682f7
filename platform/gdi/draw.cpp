#include "platform/gdi/draw.h"

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <cstring>

#include "platform/gdi/dc_object.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/gdi/sys_colors.h"

using namespace platform::gdi;

namespace {

HBRUSH NewBrush(std::shared_ptr<BrushObj> b) { return reinterpret_cast<HBRUSH>(Register(b)); }

std::shared_ptr<BitmapObj> CopyBitmap(const BitmapObj& src) {
  auto copy = MakeBitmap(src.width, src.height, src.bpp == 1 ? 1 : 32, false, true);
  if (!copy) return nullptr;
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) copy->Set(x, y, src.Get(x, y));
  return copy;
}

// Solid brush for internal use, not registered.
BrushObj SolidBrush(COLORREF color) {
  BrushObj b;
  b.lb.lbColor = color;
  return b;
}

bool PenVisible(const PenObj& pen) { return (pen.lp.lopnStyle & PS_STYLE_MASK) != PS_NULL; }

bool StyleOn(const PenObj& pen, int step) {
  switch (pen.lp.lopnStyle & PS_STYLE_MASK) {
    case PS_DOT: return (step % 2) == 0;
    case PS_DASH: return (step % 8) < 6;
    case PS_DASHDOT: return (step % 12) < 6 || (step % 12) == 8;
    case PS_DASHDOTDOT: return (step % 14) < 6 || (step % 14) == 8 || (step % 14) == 11;
    default: return true;
  }
}

// Cuts a line to a rectangle (Liang-Barsky); false when nothing of it is inside. Only lines that
// leave the rectangle are cut, so lines on the bitmap keep their exact pixels.
bool ClipLine(POINT& a, POINT& b, const RECT& r) {
  auto inside = [&](POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; };
  if (inside(a) && inside(b)) return true;
  double x0 = a.x, y0 = a.y, dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - r.left, r.right - 1 - x0, y0 - r.top, r.bottom - 1 - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    double t = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
  }
  if (t0 > t1) return false;
  POINT na{static_cast<LONG>(std::lround(x0 + t0 * dx)), static_cast<LONG>(std::lround(y0 + t0 * dy))};
  POINT nb{static_cast<LONG>(std::lround(x0 + t1 * dx)), static_cast<LONG>(std::lround(y0 + t1 * dy))};
  // The far end stays excluded only when it was the real end point.
  if (t1 < 1) nb = {nb.x + (dx > 0) - (dx < 0), nb.y + (dy > 0) - (dy < 0)};
  a = na;
  b = nb;
  return true;
}

// Bresenham from a to b, b excluded, in target coordinates.
void DrawLineTarget(DcObj& d, POINT a, POINT b) {
  const PenObj& pen = *d.st.pen;
  if (!PenVisible(pen) || !d.Target()) return;
  int margin = std::max<int>(1, pen.lp.lopnWidth.x) + 1;
  RECT bounds{-margin, -margin, d.Target()->width + margin, d.Target()->height + margin};
  if (!ClipLine(a, b, bounds)) return;
  uint32_t pixel = d.Target()->PixelFor(PenColor(d, pen));
  int width = std::max<int>(1, pen.lp.lopnWidth.x);
  int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  int x = a.x, y = a.y, step = 0;
  while (!(x == b.x && y == b.y)) {
    if (StyleOn(pen, step)) {
      if (width == 1) {
        PlotTarget(d, x, y, pixel);
      } else {
        int h = width / 2;
        for (int yy = y - h; yy < y - h + width; ++yy)
          for (int xx = x - h; xx < x - h + width; ++xx) PlotTarget(d, xx, yy, pixel);
      }
    }
    ++step;
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void FillWithRop2(DcObj& d, const RegionShape& shape, const BrushObj& brush) {
  // Brush fills of shapes follow the binary raster operation: R2_COPYPEN is PATCOPY.
  static const DWORD kRop3[17] = {0,          BLACKNESS, 0x000500A9, 0x000A0329, 0x000F0001, 0x00500325,
                                  DSTINVERT,  PATINVERT, 0x005F00E9, 0x00A000C9, 0x00A50065, 0x00AA0029,
                                  0x00AF0229, PATCOPY,   0x00F50225, 0x00FA0089, WHITENESS};
  if (brush.lb.lbStyle == BS_NULL) return;
  FillShapeTarget(d, shape, brush, kRop3[d.st.rop2]);
}

void OutlineShape(DcObj& d, const RegionShape& outer) {
  const PenObj& pen = *d.st.pen;
  if (!PenVisible(pen)) return;
  int w = std::max<int>(1, pen.lp.lopnWidth.x);
  RegionShape ring = RegionShape::Combine(outer, outer.Eroded(w, w), RGN_DIFF);
  BrushObj b = SolidBrush(PenColor(d, pen));
  FillWithRop2(d, ring, b);
}

RegionShape TargetRect(const DcObj& d, int l, int t, int r, int b) {
  POINT a = d.ToTarget(l, t), c = d.ToTarget(r, b);
  return RegionShape::FromRect(a.x, a.y, c.x, c.y);
}

}  // namespace

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_shared<BrushObj>();
  b->lb.lbColor = color & 0xFFFFFF;
  return NewBrush(b);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto b = std::make_shared<BrushObj>();
  b->lb.lbStyle = BS_HATCHED;
  b->lb.lbColor = color & 0xFFFFFF;
  b->lb.lbHatch = static_cast<ULONG_PTR>(hatch);
  return NewBrush(b);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  auto src = LookupAs<BitmapObj>(bitmap, Kind::Bitmap);
  if (!src) return nullptr;
  auto b = std::make_shared<BrushObj>();
  b->lb.lbStyle = BS_PATTERN;
  b->lb.lbHatch = reinterpret_cast<ULONG_PTR>(bitmap);
  b->pattern = CopyBitmap(*src);
  if (!b->pattern) return nullptr;
  return NewBrush(b);
}

HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage) {
  if (!packedDib || usage != DIB_RGB_COLORS) return nullptr;
  BITMAPINFOHEADER h;
  std::memcpy(&h, packedDib, sizeof(h));
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biCompression != BI_RGB)
    return nullptr;
  if (h.biBitCount != 1 && h.biBitCount != 24 && h.biBitCount != 32) return nullptr;
  int w = h.biWidth, ht = std::abs(h.biHeight);
  if (w > 4096 || ht > 4096) return nullptr;
  const uint8_t* base = static_cast<const uint8_t*>(packedDib) + h.biSize;
  RGBQUAD table[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  if (h.biBitCount == 1) {
    int used = h.biClrUsed ? std::min<int>(2, h.biClrUsed) : 2;
    std::memcpy(table, base, used * sizeof(RGBQUAD));
    base += (h.biClrUsed ? h.biClrUsed : 2) * sizeof(RGBQUAD);
  }
  auto pat = MakeBitmap(w, ht, 32, false, true);
  int stride = ((w * h.biBitCount + 31) / 32) * 4;
  for (int y = 0; y < ht; ++y) {
    const uint8_t* row = base + static_cast<size_t>(h.biHeight < 0 ? y : ht - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      uint32_t px;
      if (h.biBitCount == 1) {
        const RGBQUAD& q = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
        px = (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
      } else if (h.biBitCount == 24) {
        px = row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
      } else {
        px = row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16);
      }
      pat->Set(x, y, px);
    }
  }
  auto b = std::make_shared<BrushObj>();
  b->lb.lbStyle = BS_DIBPATTERNPT;
  b->pattern = pat;
  return NewBrush(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_NULL: return reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    case BS_DIBPATTERNPT: return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(lb->lbHatch), DIB_RGB_COLORS);
    default: return nullptr;
  }
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if ((style & PS_STYLE_MASK) > PS_INSIDEFRAME) return nullptr;
  auto p = std::make_shared<PenObj>();
  p->lp.lopnStyle = static_cast<UINT>(style);
  p->lp.lopnWidth = {std::max(width, 1), 0};
  p->lp.lopnColor = color & 0xFFFFFF;
  return reinterpret_cast<HPEN>(Register(p));
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  return CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  auto d = LookupDc(dc);
  if (!d) return FALSE;
  RECT r = d->ToTarget(RECT{x, y, x + width, y + height});
  PatBltTarget(*d, r, d->st.brush.get(), rop);
  return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  auto d = LookupDc(dc);
  auto b = LookupBrush(brush);
  if (!d || !b || !rect) return 0;
  if (rect->left >= rect->right || rect->top >= rect->bottom) return 1;
  PatBltTarget(*d, d->ToTarget(*rect), b.get(), PATCOPY);
  return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  auto d = LookupDc(dc);
  auto b = LookupBrush(brush);
  if (!d || !b || !rect) return 0;
  RECT r = d->ToTarget(*rect);
  if (r.left >= r.right || r.top >= r.bottom) return 1;
  PatBltTarget(*d, {r.left, r.top, r.right, r.top + 1}, b.get(), PATCOPY);
  PatBltTarget(*d, {r.left, r.bottom - 1, r.right, r.bottom}, b.get(), PATCOPY);
  PatBltTarget(*d, {r.left, r.top, r.left + 1, r.bottom}, b.get(), PATCOPY);
  PatBltTarget(*d, {r.right - 1, r.top, r.right, r.bottom}, b.get(), PATCOPY);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
  auto d = LookupDc(dc);
  if (!d || !rect) return FALSE;
  PatBltTarget(*d, d->ToTarget(*rect), nullptr, DSTINVERT);
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  auto d = LookupDc(dc);
  if (!d || !rect || !d->Target()) return FALSE;
  RECT r = d->ToTarget(*rect);
  if (r.left >= r.right || r.top >= r.bottom) return TRUE;
  BitmapObj* t = d->Target();
  // Sides beyond the bitmap draw nothing; keep the walk to what can show (the dot phase is by
  // absolute position, so it does not move).
  r.left = std::max<LONG>(r.left, -1);
  r.top = std::max<LONG>(r.top, -1);
  r.right = std::min<LONG>(r.right, t->width + 1);
  r.bottom = std::min<LONG>(r.bottom, t->height + 1);
  uint32_t mask = t->bpp == 1 ? 1u : 0xFFFFFFu;
  auto invert = [&](int x, int y) {
    if (((x + y) & 1) == 0 && ClipContains(*d, x, y)) t->Set(x, y, ~t->Get(x, y) & mask);
  };
  // Dotted, drawn by inversion so that a second call removes it.
  for (int x = r.left; x < r.right; ++x) {
    invert(x, r.top);
    if (r.bottom - 1 > r.top) invert(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    invert(r.left, y);
    if (r.right - 1 > r.left) invert(r.right - 1, y);
  }
  return TRUE;
}

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  auto d = LookupDc(dc);
  if (!d || !rect) return FALSE;
  RECT r = *rect;
  auto line = [&](const RECT& part, int colorIndex) {
    BrushObj b = SolidBrush(GetSysColor(colorIndex));
    PatBltTarget(*d, d->ToTarget(part), &b, PATCOPY);
  };
  auto ring = [&](int topLeft, int bottomRight) {
    if (r.left >= r.right || r.top >= r.bottom) return;
    if (flags & BF_TOP) line({r.left, r.top, r.right, r.top + 1}, topLeft);
    if (flags & BF_LEFT) line({r.left, r.top, r.left + 1, r.bottom}, topLeft);
    if (flags & BF_BOTTOM) line({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    if (flags & BF_RIGHT) line({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
  };
  if (flags & BF_FLAT) {
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) ring(COLOR_3DSHADOW, COLOR_3DSHADOW);
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) ring(COLOR_3DFACE, COLOR_3DFACE);
  } else {
    if (edge & BDR_RAISEDOUTER) ring(COLOR_3DLIGHT, COLOR_3DDKSHADOW);
    else if (edge & BDR_SUNKENOUTER) ring(COLOR_3DSHADOW, COLOR_3DHILIGHT);
    if (edge & BDR_RAISEDINNER) ring(COLOR_3DHILIGHT, COLOR_3DSHADOW);
    else if (edge & BDR_SUNKENINNER) ring(COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  }
  if ((flags & BF_MIDDLE) && r.left < r.right && r.top < r.bottom) line(r, COLOR_3DFACE);
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
  auto d = LookupDc(dc);
  if (!d) return FALSE;
  if (old) *old = d->st.pos;
  d->st.pos = {x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, POINT* pos) {
  auto d = LookupDc(dc);
  if (!d || !pos) return FALSE;
  *pos = d->st.pos;
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  auto d = LookupDc(dc);
  if (!d) return FALSE;
  DrawLineTarget(*d, d->ToTarget(d->st.pos.x, d->st.pos.y), d->ToTarget(x, y));
  d->st.pos = {x, y};
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  auto d = LookupDc(dc);
  if (!d || !points || count < 2) return FALSE;
  for (int i = 0; i + 1 < count; ++i)
    DrawLineTarget(*d, d->ToTarget(points[i].x, points[i].y), d->ToTarget(points[i + 1].x, points[i + 1].y));
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  auto d = LookupDc(dc);
  if (!d || !points || count < 2) return FALSE;
  {
    HRGN probe = CreatePolygonRgn(points, count, ALTERNATE);  // refuses shapes too tall to fill
    if (!probe) return FALSE;
    DeleteObject(probe);
  }
  std::vector<POINT> t(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) t[i] = d->ToTarget(points[i].x, points[i].y);
  FillWithRop2(*d, RegionShape::Polygon(t.data(), t.size(), ALTERNATE), *d->st.brush);
  for (int i = 0; i < count; ++i) DrawLineTarget(*d, t[i], t[(i + 1) % count]);
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  auto d = LookupDc(dc);
  if (!d) return FALSE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (!PenVisible(*d->st.pen)) {
    // Without a pen the filled area is one pixel smaller on the right and bottom.
    FillWithRop2(*d, TargetRect(*d, left, top, right - 1, bottom - 1), *d->st.brush);
    return TRUE;
  }
  RegionShape outer = TargetRect(*d, left, top, right, bottom);
  int w = std::max<int>(1, d->st.pen->lp.lopnWidth.x);
  FillWithRop2(*d, outer.Eroded(w, w), *d->st.brush);
  OutlineShape(*d, outer);
  return TRUE;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height) {
  auto d = LookupDc(dc);
  if (!d) return FALSE;
  HRGN rgn = CreateRoundRectRgn(left, top, right, bottom, width, height);
  if (!rgn) return FALSE;
  auto shape = LookupAs<RegionObj>(rgn, Kind::Region)->shape;
  DeleteObject(reinterpret_cast<HGDIOBJ>(rgn));
  POINT o = d->ToTarget(0, 0);
  shape.Offset(o.x, o.y);
  int w = PenVisible(*d->st.pen) ? std::max<int>(1, d->st.pen->lp.lopnWidth.x) : 0;
  FillWithRop2(*d, w ? shape.Eroded(w, w) : shape, *d->st.brush);
  OutlineShape(*d, shape);
  return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  auto d = LookupDc(dc);
  if (!d || std::llabs(static_cast<long long>(bottom) - top) > kMaxShapeRows) return FALSE;
  POINT a = d->ToTarget(left, top), b = d->ToTarget(right, bottom);
  RegionShape outer = RegionShape::Ellipse(a.x, a.y, b.x, b.y);
  int w = PenVisible(*d->st.pen) ? std::max<int>(1, d->st.pen->lp.lopnWidth.x) : 0;
  FillWithRop2(*d, w ? outer.Eroded(w, w) : outer, *d->st.brush);
  OutlineShape(*d, outer);
  return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  auto d = LookupDc(dc);
  if (!d || !d->Target()) return CLR_INVALID;
  POINT p = d->ToTarget(x, y);
  if (!ClipContains(*d, p.x, p.y)) return CLR_INVALID;
  BitmapObj* t = d->Target();
  t->Set(p.x, p.y, t->PixelFor(color));
  return t->GetColor(p.x, p.y);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) { return SetPixel(dc, x, y, color) != CLR_INVALID; }

COLORREF GetPixel(HDC dc, int x, int y) {
  auto d = LookupDc(dc);
  if (!d || !d->Target()) return CLR_INVALID;
  POINT p = d->ToTarget(x, y);
  if (!ClipContains(*d, p.x, p.y)) return CLR_INVALID;
  return d->Target()->GetColor(p.x, p.y);
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
  auto d = LookupDc(dc);
  auto r = LookupAs<RegionObj>(region, Kind::Region);
  auto b = LookupBrush(brush);
  if (!d || !r || !b) return FALSE;
  RegionShape s = r->shape;
  POINT o = d->ToTarget(0, 0);
  s.Offset(o.x, o.y);
  if (b->lb.lbStyle != BS_NULL) FillShapeTarget(*d, s, *b, PATCOPY);
  return TRUE;
}

BOOL PaintRgn(HDC dc, HRGN region) {
  auto d = LookupDc(dc);
  if (!d) return FALSE;
  return FillRgn(dc, region, reinterpret_cast<HBRUSH>(d->st.hbrush));
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
  auto d = LookupDc(dc);
  auto r = LookupAs<RegionObj>(region, Kind::Region);
  auto b = LookupBrush(brush);
  if (!d || !r || !b || width < 0 || height < 0) return FALSE;
  RegionShape s = r->shape;
  POINT o = d->ToTarget(0, 0);
  s.Offset(o.x, o.y);
  RegionShape frame = RegionShape::Combine(s, s.Eroded(width, height), RGN_DIFF);
  if (b->lb.lbStyle != BS_NULL) FillShapeTarget(*d, frame, *b, PATCOPY);
  return TRUE;
}

BOOL InvertRgn(HDC dc, HRGN region) {
  auto d = LookupDc(dc);
  auto r = LookupAs<RegionObj>(region, Kind::Region);
  if (!d || !r) return FALSE;
  RegionShape s = r->shape;
  POINT o = d->ToTarget(0, 0);
  s.Offset(o.x, o.y);
  BrushObj none = SolidBrush(0);
  FillShapeTarget(*d, s, none, DSTINVERT);
  return TRUE;
}
