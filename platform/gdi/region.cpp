#include "platform/gdi/region.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/gdi_object.h"

using namespace platform::gdi;

namespace {

HRGN NewRegion(RegionShape shape) {
  auto r = std::make_shared<RegionObj>();
  r->shape = std::move(shape);
  return reinterpret_cast<HRGN>(Register(r));
}

std::shared_ptr<RegionObj> Rgn(HRGN h) { return LookupAs<RegionObj>(h, Kind::Region); }

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return NewRegion(RegionShape::FromRect(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) return nullptr;
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

namespace {
bool TooTall(long long top, long long bottom) { return std::llabs(bottom - top) > kMaxShapeRows; }
}  // namespace

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  if (TooTall(top, bottom)) return nullptr;
  return NewRegion(RegionShape::Ellipse(left, top, right, bottom));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
  if (!rect) return nullptr;
  return CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (!points || count < 0 || (fillMode != ALTERNATE && fillMode != WINDING)) return nullptr;
  if (count > 0) {
    long long lo = points[0].y, hi = points[0].y;
    for (int i = 1; i < count; ++i) {
      lo = std::min<long long>(lo, points[i].y);
      hi = std::max<long long>(hi, points[i].y);
    }
    if (TooTall(lo, hi)) return nullptr;
  }
  return NewRegion(RegionShape::Polygon(points, static_cast<size_t>(count), fillMode));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int we, int he) {
  if (TooTall(top, bottom)) return nullptr;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  we = std::min(std::abs(we), right - left);
  he = std::min(std::abs(he), bottom - top);
  if (we < 2 || he < 2) return CreateRectRgn(left, top, right, bottom);
  // Corners from the ellipse of the rounding size, middle from rectangles.
  RegionShape corners = RegionShape::Ellipse(left, top, left + we, top + he);
  auto place = [&](int x, int y) {
    RegionShape e = RegionShape::Ellipse(0, 0, we, he);
    e.Offset(x, y);
    return e;
  };
  RegionShape shape = RegionShape::Combine(corners, place(right - we, top), RGN_OR);
  shape = RegionShape::Combine(shape, place(left, bottom - he), RGN_OR);
  shape = RegionShape::Combine(shape, place(right - we, bottom - he), RGN_OR);
  shape = RegionShape::Combine(shape, RegionShape::FromRect(left + we / 2, top, right - we / 2, bottom), RGN_OR);
  shape = RegionShape::Combine(shape, RegionShape::FromRect(left, top + he / 2, right, bottom - he / 2), RGN_OR);
  return NewRegion(std::move(shape));
}

HRGN ExtCreateRegion(const XFORM* transform, DWORD count, const RGNDATA* data) {
  if (transform || !data || data->rdh.iType != RDH_RECTANGLES || data->rdh.dwSize < sizeof(RGNDATAHEADER))
    return nullptr;
  if (count < sizeof(RGNDATAHEADER)) return nullptr;
  DWORD available = (count - sizeof(RGNDATAHEADER)) / sizeof(RECT);
  DWORD n = data->rdh.nCount;
  if (n > available) return nullptr;
  std::vector<RECT> rects(n);
  if (n) std::memcpy(rects.data(), data->Buffer, n * sizeof(RECT));
  return NewRegion(RegionShape::FromRects(rects.data(), rects.size()));
}

DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data) {
  auto r = Rgn(region);
  if (!r) return 0;
  std::vector<RECT> rects = r->shape.Rects();
  DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  if (!data || size < needed) return needed;
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(rects.size());
  data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  data->rdh.rcBound = r->shape.Box();
  if (!rects.empty()) std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
  return needed;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  auto d = Rgn(dest);
  auto a = Rgn(src1);
  if (!d || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    d->shape = a->shape;
    return d->shape.Complexity();
  }
  auto b = Rgn(src2);
  if (!b) return ERROR;
  d->shape = RegionShape::Combine(a->shape, b->shape, mode);
  return d->shape.Complexity();
}

int OffsetRgn(HRGN region, int dx, int dy) {
  auto r = Rgn(region);
  if (!r) return ERROR;
  r->shape.Offset(dx, dy);
  return r->shape.Complexity();
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  auto r = Rgn(region);
  if (!r) return FALSE;
  r->shape = RegionShape::FromRect(left, top, right, bottom);
  return TRUE;
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto r = Rgn(region);
  return r && r->shape.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  auto r = Rgn(region);
  if (!r || !rect) return FALSE;
  RECT n = *rect;
  if (n.left > n.right) std::swap(n.left, n.right);
  if (n.top > n.bottom) std::swap(n.top, n.bottom);
  return r->shape.IntersectsRect(n) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, RECT* box) {
  auto r = Rgn(region);
  if (!r || !box) return ERROR;
  *box = r->shape.Box();
  return r->shape.Complexity();
}

BOOL EqualRgn(HRGN a, HRGN b) {
  auto ra = Rgn(a);
  auto rb = Rgn(b);
  if (!ra || !rb) return ERROR;
  return ra->shape == rb->shape ? TRUE : FALSE;
}
