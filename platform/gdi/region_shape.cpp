#include "platform/gdi/region_shape.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/gdi_types.h"

namespace platform::gdi {
namespace {

bool Covered(const std::vector<Span>& spans, size_t& cursor, int x) {
  while (cursor < spans.size() && spans[cursor].x1 <= x) ++cursor;
  return cursor < spans.size() && spans[cursor].x0 <= x;
}

bool Apply(int op, bool a, bool b) {
  switch (op) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    case RGN_DIFF: return a && !b;
    default: return a;
  }
}

std::vector<Span> CombineSpans(const std::vector<Span>* a, const std::vector<Span>* b, int op) {
  static const std::vector<Span> kNone;
  const std::vector<Span>& sa = a ? *a : kNone;
  const std::vector<Span>& sb = b ? *b : kNone;
  std::vector<int> xs;
  xs.reserve((sa.size() + sb.size()) * 2);
  for (const Span& s : sa) {
    xs.push_back(s.x0);
    xs.push_back(s.x1);
  }
  for (const Span& s : sb) {
    xs.push_back(s.x0);
    xs.push_back(s.x1);
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::vector<Span> out;
  size_t ca = 0, cb = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    bool in = Apply(op, Covered(sa, ca, xs[i]), Covered(sb, cb, xs[i]));
    if (!in) continue;
    if (!out.empty() && out.back().x1 == xs[i]) out.back().x1 = xs[i + 1];
    else out.push_back({xs[i], xs[i + 1]});
  }
  return out;
}

// Spans of a band list at a y inside [y0, y1), with a cursor moving forward.
const std::vector<Span>* SpansAt(const std::vector<Band>& bands, size_t& cursor, int y) {
  while (cursor < bands.size() && bands[cursor].y1 <= y) ++cursor;
  if (cursor < bands.size() && bands[cursor].y0 <= y) return &bands[cursor].spans;
  return nullptr;
}

}  // namespace

void RegionShape::AppendBand(int y0, int y1, std::vector<Span>&& spans) {
  if (spans.empty() || y0 >= y1) return;
  if (!bands_.empty() && bands_.back().y1 == y0 && bands_.back().spans == spans) {
    bands_.back().y1 = y1;
    return;
  }
  bands_.push_back({y0, y1, std::move(spans)});
}

RegionShape RegionShape::FromRect(int left, int top, int right, int bottom) {
  RegionShape r;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left < right && top < bottom) r.bands_.push_back({top, bottom, {{left, right}}});
  return r;
}

RegionShape RegionShape::FromRects(const RECT* rects, size_t count) {
  struct Item {
    int l, t, r, b;
  };
  std::vector<Item> items;
  std::vector<int> ys;
  items.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const RECT& rc = rects[i];
    if (rc.left >= rc.right || rc.top >= rc.bottom) continue;
    items.push_back({rc.left, rc.top, rc.right, rc.bottom});
    ys.push_back(rc.top);
    ys.push_back(rc.bottom);
  }
  RegionShape out;
  if (items.empty()) return out;
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.t < b.t; });
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<const Item*> active;
  size_t next = 0;
  std::vector<Span> row;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    int y = ys[i];
    while (next < items.size() && items[next].t <= y) active.push_back(&items[next++]);
    active.erase(std::remove_if(active.begin(), active.end(), [y](const Item* it) { return it->b <= y; }),
                 active.end());
    row.clear();
    for (const Item* it : active) row.push_back({it->l, it->r});
    std::sort(row.begin(), row.end(), [](const Span& a, const Span& b) { return a.x0 < b.x0; });
    std::vector<Span> merged;
    for (const Span& s : row) {
      if (!merged.empty() && s.x0 <= merged.back().x1) merged.back().x1 = std::max(merged.back().x1, s.x1);
      else merged.push_back(s);
    }
    out.AppendBand(y, ys[i + 1], std::move(merged));
  }
  return out;
}

RegionShape RegionShape::Ellipse(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  RegionShape out;
  if (right - left < 1 || bottom - top < 1) return out;
  double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
  double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
  for (int y = top; y < bottom; ++y) {
    double dy = (y + 0.5 - cy) / ry;
    double q = 1.0 - dy * dy;
    if (q <= 0) continue;
    double hw = rx * std::sqrt(q);
    int x0 = static_cast<int>(std::lround(cx - hw));
    int x1 = static_cast<int>(std::lround(cx + hw));
    if (x1 <= x0) continue;
    out.AppendBand(y, y + 1, {{x0, x1}});
  }
  return out;
}

RegionShape RegionShape::Polygon(const POINT* pts, size_t count, int fillMode) {
  RegionShape out;
  if (!pts || count < 3) return out;
  int minY = pts[0].y, maxY = pts[0].y;
  for (size_t i = 1; i < count; ++i) {
    minY = std::min<int>(minY, pts[i].y);
    maxY = std::max<int>(maxY, pts[i].y);
  }
  struct Cross {
    double x;
    int dir;
  };
  std::vector<Cross> xs;
  for (int y = minY; y < maxY; ++y) {
    double sy = y + 0.5;
    xs.clear();
    for (size_t i = 0; i < count; ++i) {
      const POINT& a = pts[i];
      const POINT& b = pts[(i + 1) % count];
      if (a.y == b.y) continue;
      bool down = a.y < b.y;
      double y0 = down ? a.y : b.y, y1 = down ? b.y : a.y;
      if (sy < y0 || sy >= y1) continue;
      double t = (sy - a.y) / double(b.y - a.y);
      xs.push_back({a.x + t * (b.x - a.x), down ? 1 : -1});
    }
    std::sort(xs.begin(), xs.end(), [](const Cross& p, const Cross& q) { return p.x < q.x; });
    std::vector<Span> spans;
    int winding = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      winding += xs[i].dir;
      bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
      if (!inside) continue;
      int x0 = static_cast<int>(std::ceil(xs[i].x - 0.5));
      int x1 = static_cast<int>(std::ceil(xs[i + 1].x - 0.5));
      if (x1 <= x0) continue;
      if (!spans.empty() && x0 <= spans.back().x1) spans.back().x1 = std::max(spans.back().x1, x1);
      else spans.push_back({x0, x1});
    }
    out.AppendBand(y, y + 1, std::move(spans));
  }
  return out;
}

RegionShape RegionShape::Combine(const RegionShape& a, const RegionShape& b, int op) {
  RegionShape out;
  if (op == RGN_AND && (a.Empty() || b.Empty())) return out;
  if ((op == RGN_OR || op == RGN_XOR) && b.Empty()) return a;
  if ((op == RGN_OR || op == RGN_XOR) && a.Empty()) return b;
  if (op == RGN_DIFF && (a.Empty() || b.Empty())) return a;
  std::vector<int> ys;
  ys.reserve((a.bands_.size() + b.bands_.size()) * 2);
  for (const Band& bd : a.bands_) {
    ys.push_back(bd.y0);
    ys.push_back(bd.y1);
  }
  for (const Band& bd : b.bands_) {
    ys.push_back(bd.y0);
    ys.push_back(bd.y1);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  size_t ca = 0, cb = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const std::vector<Span>* sa = SpansAt(a.bands_, ca, ys[i]);
    const std::vector<Span>* sb = SpansAt(b.bands_, cb, ys[i]);
    if (!sa && !sb) continue;
    out.AppendBand(ys[i], ys[i + 1], CombineSpans(sa, sb, op));
  }
  return out;
}

RECT RegionShape::Box() const {
  RECT r{0, 0, 0, 0};
  if (bands_.empty()) return r;
  r.top = bands_.front().y0;
  r.bottom = bands_.back().y1;
  r.left = bands_.front().spans.front().x0;
  r.right = bands_.front().spans.back().x1;
  for (const Band& b : bands_) {
    r.left = std::min<LONG>(r.left, b.spans.front().x0);
    r.right = std::max<LONG>(r.right, b.spans.back().x1);
  }
  return r;
}

bool RegionShape::Contains(int x, int y) const {
  auto it = std::upper_bound(bands_.begin(), bands_.end(), y, [](int v, const Band& b) { return v < b.y1; });
  if (it == bands_.end() || it->y0 > y) return false;
  auto sp = std::upper_bound(it->spans.begin(), it->spans.end(), x, [](int v, const Span& s) { return v < s.x1; });
  return sp != it->spans.end() && sp->x0 <= x;
}

bool RegionShape::IntersectsRect(const RECT& r) const {
  if (r.left >= r.right || r.top >= r.bottom) return false;
  for (const Band& b : bands_) {
    if (b.y1 <= r.top || b.y0 >= r.bottom) continue;
    for (const Span& s : b.spans)
      if (s.x1 > r.left && s.x0 < r.right) return true;
  }
  return false;
}

int RegionShape::Complexity() const {
  if (bands_.empty()) return NULLREGION;
  if (bands_.size() == 1 && bands_[0].spans.size() == 1) return SIMPLEREGION;
  return COMPLEXREGION;
}

void RegionShape::Offset(int dx, int dy) {
  for (Band& b : bands_) {
    b.y0 += dy;
    b.y1 += dy;
    for (Span& s : b.spans) {
      s.x0 += dx;
      s.x1 += dx;
    }
  }
}

std::vector<RECT> RegionShape::Rects() const {
  std::vector<RECT> out;
  out.reserve(RectCount());
  for (const Band& b : bands_)
    for (const Span& s : b.spans) out.push_back({s.x0, b.y0, s.x1, b.y1});
  return out;
}

size_t RegionShape::RectCount() const {
  size_t n = 0;
  for (const Band& b : bands_) n += b.spans.size();
  return n;
}

bool RegionShape::operator==(const RegionShape& o) const {
  if (bands_.size() != o.bands_.size()) return false;
  for (size_t i = 0; i < bands_.size(); ++i) {
    if (bands_[i].y0 != o.bands_[i].y0 || bands_[i].y1 != o.bands_[i].y1 || !(bands_[i].spans == o.bands_[i].spans))
      return false;
  }
  return true;
}

RegionShape RegionShape::Eroded(int w, int h) const {
  RegionShape r = *this;
  for (int k = 1; k <= w; ++k) {
    RegionShape left = *this, right = *this;
    left.Offset(-k, 0);
    right.Offset(k, 0);
    r = Combine(Combine(r, left, RGN_AND), right, RGN_AND);
  }
  RegionShape horiz = r;
  for (int k = 1; k <= h; ++k) {
    RegionShape up = horiz, down = horiz;
    up.Offset(0, -k);
    down.Offset(0, k);
    r = Combine(Combine(r, up, RGN_AND), down, RGN_AND);
  }
  return r;
}

}  // namespace platform::gdi
