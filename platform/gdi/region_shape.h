// A region as y-sorted bands of x-sorted, non-touching spans; the engine behind HRGN and clipping.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/base/win_types.h"

namespace platform::gdi {

struct Span {
  int x0;
  int x1;
  bool operator==(const Span&) const = default;
};

struct Band {
  int y0;
  int y1;
  std::vector<Span> spans;
};

// Shapes built row by row (ellipses, polygons) are refused beyond this many rows.
constexpr int kMaxShapeRows = 1 << 16;

class RegionShape {
 public:
  RegionShape() = default;
  static RegionShape FromRect(int left, int top, int right, int bottom);
  // Overlapping and unordered rectangles are allowed; empty ones are skipped.
  static RegionShape FromRects(const RECT* rects, size_t count);
  static RegionShape Ellipse(int left, int top, int right, int bottom);
  static RegionShape Polygon(const POINT* points, size_t count, int fillMode);
  // op is RGN_AND, RGN_OR, RGN_XOR or RGN_DIFF.
  static RegionShape Combine(const RegionShape& a, const RegionShape& b, int op);

  bool Empty() const { return bands_.empty(); }
  RECT Box() const;
  bool Contains(int x, int y) const;
  bool IntersectsRect(const RECT& r) const;
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Complexity() const;
  void Offset(int dx, int dy);
  std::vector<RECT> Rects() const;
  size_t RectCount() const;
  const std::vector<Band>& Bands() const { return bands_; }
  bool operator==(const RegionShape& other) const;
  // Shrinks the region by w pixels on each side horizontally and h vertically.
  RegionShape Eroded(int w, int h) const;

 private:
  void AppendBand(int y0, int y1, std::vector<Span>&& spans);
  std::vector<Band> bands_;
};

}  // namespace platform::gdi
