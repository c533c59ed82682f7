// The handle table behind every GDI handle, and the objects it holds. Internal to platform/gdi.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/gdi_types.h"
#include "platform/gdi/region_shape.h"

namespace platform::gdi {

enum class Kind { Pen, Brush, Dc, Font, Bitmap, Region, Icon, ImageList };

struct GdiObject {
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  Kind kind;
  bool stock = false;
  HGDIOBJ handle = nullptr;
};

// Colour pixels are stored as 0x00RRGGBB (the byte order of a 32-bit DIB); mono pixels as 0 or 1.
inline uint32_t PixelFromColor(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
inline COLORREF ColorFromPixel(uint32_t p) { return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16); }
inline int Luma(COLORREF c) { return (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100; }

struct BitmapObj : GdiObject {
  BitmapObj() : GdiObject(Kind::Bitmap) {}
  int width = 0;
  int height = 0;
  int bpp = 32;  // 1, 24 or 32
  bool dib = false;
  bool topDown = true;
  int stride = 0;
  std::vector<uint8_t> storage;
  int selectedIn = 0;  // memory DCs that hold it

  uint8_t* Row(int y) { return storage.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * stride; }
  const uint8_t* Row(int y) const {
    return storage.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * stride;
  }
  uint32_t Get(int x, int y) const {
    const uint8_t* r = Row(y);
    switch (bpp) {
      case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1;
      case 24: return r[x * 3] | (r[x * 3 + 1] << 8) | (r[x * 3 + 2] << 16);
      default: return reinterpret_cast<const uint32_t*>(r)[x] & 0xFFFFFF;
    }
  }
  void Set(int x, int y, uint32_t v) {
    uint8_t* r = Row(y);
    switch (bpp) {
      case 1:
        if (v & 1) r[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        else r[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
        break;
      case 24:
        r[x * 3] = v & 0xFF;
        r[x * 3 + 1] = (v >> 8) & 0xFF;
        r[x * 3 + 2] = (v >> 16) & 0xFF;
        break;
      default: reinterpret_cast<uint32_t*>(r)[x] = v & 0xFFFFFF;
    }
  }
  COLORREF GetColor(int x, int y) const {
    uint32_t p = Get(x, y);
    if (bpp == 1) return p ? RGB(255, 255, 255) : RGB(0, 0, 0);
    return ColorFromPixel(p);
  }
  uint32_t PixelFor(COLORREF c) const { return bpp == 1 ? (Luma(c) >= 128 ? 1u : 0u) : PixelFromColor(c); }
};

// A new zeroed bitmap; nullptr when the size is not positive or too large.
std::shared_ptr<BitmapObj> MakeBitmap(int width, int height, int bpp, bool dib, bool topDown);

struct BrushObj : GdiObject {
  BrushObj() : GdiObject(Kind::Brush) {}
  LOGBRUSH lb;
  std::shared_ptr<BitmapObj> pattern;  // BS_PATTERN / BS_DIBPATTERN: a private copy
};

struct PenObj : GdiObject {
  PenObj() : GdiObject(Kind::Pen) {}
  LOGPEN lp;
};

struct RegionObj : GdiObject {
  RegionObj() : GdiObject(Kind::Region) {}
  RegionShape shape;
};

struct FontFace;
struct FontObj : GdiObject {
  FontObj() : GdiObject(Kind::Font) {}
  LOGFONT lf;
  std::shared_ptr<FontFace> face;  // realised on first use
};

struct IconObj : GdiObject {
  IconObj() : GdiObject(Kind::Icon) {}
  ICONINFO info;  // the handles inside are private copies
  std::shared_ptr<BitmapObj> color;
  std::shared_ptr<BitmapObj> mask;
  int width = 0;
  int height = 0;
};

HGDIOBJ Register(std::shared_ptr<GdiObject> obj);
std::shared_ptr<GdiObject> Lookup(const void* handle);
bool Unregister(const void* handle);

template <typename T>
std::shared_ptr<T> LookupAs(const void* handle, Kind kind) {
  auto obj = Lookup(handle);
  if (!obj || obj->kind != kind) return nullptr;
  return std::static_pointer_cast<T>(obj);
}

// Brushes passed as (HBRUSH)(COLOR_x + 1) name a system colour.
std::shared_ptr<BrushObj> LookupBrush(HBRUSH brush);

}  // namespace platform::gdi
