#include "platform/gdi/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/dc_object.h"
#include "platform/gdi/dib_shrink.h"

using namespace platform::gdi;

namespace {

HBITMAP NewBitmap(std::shared_ptr<BitmapObj> b) { return b ? reinterpret_cast<HBITMAP>(Register(b)) : nullptr; }

struct SourceView {
  const BitmapObj* bmp = nullptr;
  COLORREF bkColor = RGB(255, 255, 255);
};

// Converts a source pixel into the destination's format.
struct Converter {
  int srcBpp, dstBpp;
  uint32_t monoZero, monoOne;  // mono -> colour
  uint32_t srcBk;              // colour -> mono
  uint32_t operator()(uint32_t s) const {
    if (srcBpp == 1 && dstBpp != 1) return s ? monoOne : monoZero;
    if (srcBpp != 1 && dstBpp == 1) return s == srcBk ? 1u : 0u;
    return s;
  }
};

Converter MakeConverter(const DcObj& dst, const BitmapObj& src, COLORREF srcBk) {
  const BitmapObj* t = dst.Target();
  return {src.bpp, t->bpp, PixelFromColor(dst.st.textColor), PixelFromColor(dst.st.bkColor), PixelFromColor(srcBk)};
}

bool UsesSource(DWORD rop) {
  unsigned code = (rop >> 16) & 0xFF;
  return ((code >> 2) & 0x33) != (code & 0x33);
}

bool UsesPattern(DWORD rop) {
  unsigned code = (rop >> 16) & 0xFF;
  return ((code >> 4) & 0x0F) != (code & 0x0F);
}

// A destination extent with a negative size covers the pixels from x + size + 1 up to x, the way
// mirroring calls such as StretchBlt(dc, w - 1, 0, -w, ...) expect.
RECT DestRect(const DcObj& d, int x, int y, int w, int h) {
  POINT a = d.ToTarget(x, y);
  RECT r{a.x, a.y, a.x + w, a.y + h};
  if (w < 0) r = {a.x + w + 1, r.top, a.x + 1, r.bottom};
  if (h < 0) r = {r.left, a.y + h + 1, r.right, a.y + 1};
  return r;
}

// The general blit: dest rectangle in target coordinates (positive size), source rectangle in the
// source bitmap (sizes may be negative to mirror).
void BlitCore(DcObj& dst, RECT dr, bool mirrorX, bool mirrorY, const BitmapObj* src, COLORREF srcBk, int sx, int sy,
              int sw, int sh, DWORD rop, const COLORREF* transparent) {
  BitmapObj* t = dst.Target();
  if (!t) return;
  int dw = dr.right - dr.left, dh = dr.bottom - dr.top;
  if (dw <= 0 || dh <= 0) return;
  uint32_t mask = t->bpp == 1 ? 1u : 0xFFFFFFu;
  const BrushObj* brush = UsesPattern(rop) ? dst.st.brush.get() : nullptr;
  if (UsesPattern(rop) && (!brush || brush->lb.lbStyle == BS_NULL)) brush = nullptr;
  bool solid = brush && BrushIsSolid(*brush);
  uint32_t solidPixel = solid ? BrushPixel(dst, *brush, 0, 0) : 0;
  Converter conv = src ? MakeConverter(dst, *src, srcBk) : Converter{32, 32, 0, 0, 0};
  bool stretch = sw != dw || sh != dh || mirrorX || mirrorY;
  uint32_t transparentPixel =
      transparent && src ? (src->bpp == 1 ? (Luma(*transparent) >= 128 ? 1u : 0u) : PixelFromColor(*transparent)) : 0;
  // A copy of the source when it is the destination, so that overlapping moves read old pixels.
  std::shared_ptr<BitmapObj> snapshot;
  if (src == t) {
    snapshot = std::make_shared<BitmapObj>(*t);
    src = snapshot.get();
  }
  bool halftone = stretch && src && dst.st.stretchMode == HALFTONE && (rop == SRCCOPY) && src->bpp != 1 &&
                  t->bpp != 1 && !transparent && (sw > dw || sh > dh);
  bool fastCopy = src && !stretch && rop == SRCCOPY && !transparent && src->bpp == 32 && t->bpp == 32;
  bool fastRows = src && !stretch && !fastCopy && !UsesPattern(rop) && src->bpp == 32 && t->bpp == 32;
  for (const RECT& c : dst.ClipRects()) {
    int x0 = std::max(dr.left, c.left), x1 = std::min(dr.right, c.right);
    int y0 = std::max(dr.top, c.top), y1 = std::min(dr.bottom, c.bottom);
    if (x0 >= x1 || y0 >= y1) continue;
    if (fastRows) {
      // Same-size 32-bit blits without a pattern: straight over the rows.
      int ox = sx - dr.left, oy = sy - dr.top;
      x0 = std::max(x0, -ox);
      x1 = std::min(x1, src->width - ox);
      y0 = std::max(y0, -oy);
      y1 = std::min(y1, src->height - oy);
      for (int y = y0; y < y1; ++y) {
        uint32_t* d = reinterpret_cast<uint32_t*>(t->Row(y));
        const uint32_t* sr = reinterpret_cast<const uint32_t*>(src->Row(y + oy)) + ox;
        for (int x = x0; x < x1; ++x) {
          uint32_t sp = sr[x] & 0xFFFFFF;
          if (transparent && sp == transparentPixel) continue;
          d[x] = rop == SRCCOPY ? sp : Rop3(0, sp, d[x] & 0xFFFFFF, rop) & 0xFFFFFF;
        }
      }
      continue;
    }
    if (fastCopy) {
      // Clip to the source bitmap as well.
      int ox = sx - dr.left, oy = sy - dr.top;
      x0 = std::max(x0, -ox);
      x1 = std::min(x1, src->width - ox);
      y0 = std::max(y0, -oy);
      y1 = std::min(y1, src->height - oy);
      // A source rectangle wholly outside the bitmap copies nothing.
      if (x0 >= x1 || y0 >= y1) continue;
      for (int y = y0; y < y1; ++y)
        std::memcpy(reinterpret_cast<uint32_t*>(t->Row(y)) + x0,
                    reinterpret_cast<const uint32_t*>(src->Row(y + oy)) + x0 + ox, (x1 - x0) * 4u);
      continue;
    }
    for (int y = y0; y < y1; ++y) {
      int ry = y - dr.top;
      if (mirrorY) ry = dh - 1 - ry;
      int syy = sy + static_cast<int>((static_cast<int64_t>(ry) * sh) / dh);
      for (int x = x0; x < x1; ++x) {
        uint32_t s = 0;
        if (src) {
          int rx = x - dr.left;
          if (mirrorX) rx = dw - 1 - rx;
          int sxx = sx + static_cast<int>((static_cast<int64_t>(rx) * sw) / dw);
          if (sxx < 0 || syy < 0 || sxx >= src->width || syy >= src->height) continue;
          if (halftone) {
            int xa = sx + static_cast<int>((static_cast<int64_t>(rx) * sw) / dw);
            int xb = std::max(xa + 1, sx + static_cast<int>((static_cast<int64_t>(rx + 1) * sw) / dw));
            int ya = syy;
            int yb = std::max(ya + 1, sy + static_cast<int>((static_cast<int64_t>(ry + 1) * sh) / dh));
            xb = std::min(xb, src->width);
            yb = std::min(yb, src->height);
            uint32_t r = 0, g = 0, b = 0, n = 0;
            for (int yy = ya; yy < yb; ++yy)
              for (int xx = xa; xx < xb; ++xx) {
                uint32_t p = src->Get(xx, yy);
                r += (p >> 16) & 0xFF;
                g += (p >> 8) & 0xFF;
                b += p & 0xFF;
                ++n;
              }
            t->Set(x, y, ((r / n) << 16) | ((g / n) << 8) | (b / n));
            continue;
          }
          uint32_t raw = src->Get(sxx, syy);
          if (transparent && raw == transparentPixel) continue;
          s = conv(raw);
        }
        uint32_t p = brush ? (solid ? solidPixel : BrushPixel(dst, *brush, x, y)) : 0;
        t->Set(x, y, Rop3(p, s, t->Get(x, y), rop) & mask);
      }
    }
  }
}

bool DoBlt(HDC dest, int x, int y, int w, int h, HDC src, int xs, int ys, int sw, int sh, DWORD rop,
           const COLORREF* transparent) {
  auto d = LookupDc(dest);
  if (!d || !d->Target()) return false;
  std::shared_ptr<DcObj> s;
  if (UsesSource(rop) || transparent) {
    s = LookupDc(src);
    if (!s || !s->Target()) return false;
  }
  bool mirrorX = (w < 0) != (sw < 0), mirrorY = (h < 0) != (sh < 0);
  RECT dr = DestRect(*d, x, y, w, h);
  int sx = 0, sy = 0;
  const BitmapObj* sb = nullptr;
  COLORREF bk = RGB(255, 255, 255);
  if (s) {
    POINT sa = s->ToTarget(xs, ys), sb2 = s->ToTarget(xs + sw, ys + sh);
    sx = std::min(sa.x, sb2.x);
    sy = std::min(sa.y, sb2.y);
    sw = std::abs(sw);
    sh = std::abs(sh);
    sb = s->Target();
    bk = s->st.bkColor;
  } else {
    sw = dr.right - dr.left;
    sh = dr.bottom - dr.top;
  }
  BlitCore(*d, dr, mirrorX, mirrorY, sb, bk, sx, sy, sw, sh, rop, transparent);
  return true;
}

// A temporary bitmap holding a packed DIB's pixels (top-down), or nullptr when the header is bad.
// The packed DIBs the blits read: 1, 24 or 32 bits, uncompressed (32-bit bit fields read as BGRX).
bool ValidDib(const void* bits, const BITMAPINFO* info) {
  if (!bits || !info) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return false;
  if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && h.biBitCount == 32)) return false;
  return h.biBitCount == 1 || h.biBitCount == 24 || h.biBitCount == 32;
}

std::shared_ptr<BitmapObj> FromDib(const void* bits, const BITMAPINFO* info, UINT startScan = 0,
                                   UINT lines = 0x7FFFFFFF) {
  if (!ValidDib(bits, info)) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int w = h.biWidth, ht = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  auto out = MakeBitmap(w, ht, 32, false, true);
  if (!out) return nullptr;
  const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + h.biSize);
  int stride = ((w * h.biBitCount + 31) / 32) * 4;
  const uint8_t* base = static_cast<const uint8_t*>(bits);
  UINT end = std::min<UINT>(static_cast<UINT>(ht), startScan + std::min<UINT>(lines, static_cast<UINT>(ht)));
  for (UINT scan = startScan; scan < end; ++scan) {
    // Scan lines count from the bottom of a bottom-up DIB.
    int y = h.biHeight < 0 ? static_cast<int>(scan) : ht - 1 - static_cast<int>(scan);
    const uint8_t* row = base + static_cast<size_t>(scan - startScan) * stride;
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
      out->Set(x, y, px);
    }
  }
  return out;
}

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 || (bpp != 1 && bpp != 32)) return nullptr;
  if (width == 0 || height == 0) return NewBitmap(MakeBitmap(1, 1, 1, false, true));
  auto b = MakeBitmap(width, height, static_cast<int>(bpp), false, true);
  if (!b) return nullptr;
  if (bits) std::memcpy(b->storage.data(), bits, b->storage.size());
  if (bpp == 32)
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) b->Set(x, y, b->Get(x, y));
  return NewBitmap(b);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  auto d = LookupDc(dc);
  if (!d || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) return NewBitmap(MakeBitmap(1, 1, 1, false, true));
  bool mono = d->Target() && d->Target()->bpp == 1;
  return NewBitmap(MakeBitmap(width, height, mono ? 1 : 32, false, true));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return nullptr;
  if (h.biCompression != BI_RGB || (h.biBitCount != 24 && h.biBitCount != 32)) return nullptr;
  auto b = MakeBitmap(h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight, h.biBitCount, true, h.biHeight < 0);
  if (!b) return nullptr;
  if (bits) *bits = b->storage.data();
  return NewBitmap(b);
}

HBITMAP CreateRgbDibSection(int width, int height, WORD bitsPerPixel, bool topDown, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = topDown ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitsPerPixel;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage) {
  if (!header || header->biWidth <= 0 || header->biHeight == 0) return nullptr;
  int h = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  auto b = MakeBitmap(header->biWidth, h, 32, false, true);
  if (!b) return nullptr;
  (void)dc;
  if (init & CBM_INIT) {
    if (usage != DIB_RGB_COLORS) return nullptr;
    auto src = FromDib(bits, info);
    if (!src) return nullptr;
    for (int y = 0; y < std::min(h, src->height); ++y)
      for (int x = 0; x < std::min(b->width, src->width); ++x) b->Set(x, y, src->Get(x, y));
  }
  return NewBitmap(b);
}

LONG GetBitmapBits(HBITMAP bitmap, LONG size, LPVOID bits) {
  auto b = LookupAs<BitmapObj>(bitmap, Kind::Bitmap);
  if (!b || size < 0) return 0;
  LONG total = static_cast<LONG>(b->storage.size());
  if (!bits) return total;
  LONG n = std::min(size, total);
  if (b->dib && !b->topDown) {  // device-dependent order is top row first
    for (LONG off = 0; off < n; off += b->stride) {
      int y = static_cast<int>(off / b->stride);
      std::memcpy(static_cast<uint8_t*>(bits) + off, b->Row(y), std::min<LONG>(b->stride, n - off));
    }
  } else {
    std::memcpy(bits, b->storage.data(), n);
  }
  return n;
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* bits) {
  auto b = LookupAs<BitmapObj>(bitmap, Kind::Bitmap);
  if (!b || !bits || b->dib) return 0;
  LONG n = static_cast<LONG>(std::min<size_t>(size, b->storage.size()));
  std::memcpy(b->storage.data(), bits, n);
  if (b->bpp == 32)
    for (int y = 0; y < b->height; ++y)
      for (int x = 0; x < b->width; ++x) b->Set(x, y, b->Get(x, y));
  return n;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
  auto b = LookupAs<BitmapObj>(bitmap, Kind::Bitmap);
  if (!b || !info || !LookupDc(dc) || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  if (!bits && h.biBitCount == 0) {
    h.biWidth = b->width;
    h.biHeight = b->height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(b->bpp == 1 ? 1 : 32);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(((b->width * h.biBitCount + 31) / 32) * 4 * b->height);
    return 1;
  }
  if (h.biBitCount != 1 && h.biBitCount != 24 && h.biBitCount != 32) return 0;
  if (h.biWidth != b->width) h.biWidth = b->width;
  bool topDown = h.biHeight < 0;
  int ht = b->height;
  h.biHeight = topDown ? -ht : ht;
  h.biPlanes = 1;
  h.biCompression = BI_RGB;
  int stride = ((b->width * h.biBitCount + 31) / 32) * 4;
  h.biSizeImage = static_cast<DWORD>(stride * ht);
  if (h.biBitCount == 1) {
    RGBQUAD* table = info->bmiColors;
    table[0] = {0, 0, 0, 0};
    table[1] = {255, 255, 255, 0};
  }
  if (!bits) return ht;
  if (start >= static_cast<UINT>(ht)) return 0;
  UINT end = std::min<UINT>(static_cast<UINT>(ht), start + lines);
  uint8_t* out = static_cast<uint8_t*>(bits);
  for (UINT scan = start; scan < end; ++scan) {
    int y = topDown ? static_cast<int>(scan) : ht - 1 - static_cast<int>(scan);
    uint8_t* row = out + static_cast<size_t>(scan - start) * stride;
    std::memset(row, 0, stride);
    for (int x = 0; x < b->width; ++x) {
      uint32_t p = b->bpp == 1 ? (b->Get(x, y) ? 0xFFFFFFu : 0u) : b->Get(x, y);
      if (h.biBitCount == 1) {
        if (Luma(ColorFromPixel(p)) >= 128) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      } else if (h.biBitCount == 24) {
        row[x * 3] = p & 0xFF;
        row[x * 3 + 1] = (p >> 8) & 0xFF;
        row[x * 3 + 2] = (p >> 16) & 0xFF;
      } else {
        row[x * 4] = p & 0xFF;
        row[x * 4 + 1] = (p >> 8) & 0xFF;
        row[x * 4 + 2] = (p >> 16) & 0xFF;
        row[x * 4 + 3] = 0;
      }
    }
  }
  return static_cast<int>(end - start);
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  auto b = LookupAs<BitmapObj>(bitmap, Kind::Bitmap);
  if (!b || usage != DIB_RGB_COLORS) return 0;
  auto src = FromDib(bits, info, start, lines);
  if (!src) return 0;
  int ht = src->height;
  UINT end = std::min<UINT>(static_cast<UINT>(ht), start + lines);
  if (start >= end) return 0;
  for (UINT scan = start; scan < end; ++scan) {
    int y = info->bmiHeader.biHeight < 0 ? static_cast<int>(scan) : ht - 1 - static_cast<int>(scan);
    if (y >= b->height) continue;
    for (int x = 0; x < std::min(b->width, src->width); ++x)
      b->Set(x, y, b->bpp == 1 ? (Luma(ColorFromPixel(src->Get(x, y))) >= 128 ? 1u : 0u) : src->Get(x, y));
  }
  return static_cast<int>(end - start);
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  auto d = LookupDc(dc);
  if (!d || usage != DIB_RGB_COLORS) return 0;
  auto src = FromDib(bits, info, startScan, lines);
  if (!src) return 0;
  // ySrc of a bottom-up DIB counts from its bottom row.
  int top = info->bmiHeader.biHeight < 0 ? ySrc : src->height - ySrc - static_cast<int>(height);
  POINT a = d->ToTarget(xDest, yDest);
  RECT dr{a.x, a.y, a.x + static_cast<LONG>(width), a.y + static_cast<LONG>(height)};
  BlitCore(*d, dr, false, false, src.get(), RGB(255, 255, 255), xSrc, top, static_cast<int>(width),
           static_cast<int>(height), SRCCOPY, nullptr);
  return static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(src->height)));
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  auto d = LookupDc(dc);
  if (!d || usage != DIB_RGB_COLORS || destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return 0;
  if (!ValidDib(bits, info)) return 0;
  const int dibHeight = std::abs(info->bmiHeader.biHeight);
  int sw = std::abs(srcWidth), sh = std::abs(srcHeight);
  int sx = srcWidth < 0 ? xSrc + srcWidth : xSrc;
  int syBottom = srcHeight < 0 ? ySrc + srcHeight : ySrc;
  int sy = info->bmiHeader.biHeight < 0 ? syBottom : dibHeight - syBottom - sh;
  RECT dr = DestRect(*d, xDest, yDest, destWidth, destHeight);
  bool mirrorX = (destWidth < 0) != (srcWidth < 0), mirrorY = (destHeight < 0) != (srcHeight < 0);
  // A shrink with HALFTONE reads the DIB where it lies rather than through a copy of it all.
  const bool shrinking = sw > dr.right - dr.left || sh > dr.bottom - dr.top;
  if (d->st.stretchMode == HALFTONE && rop == SRCCOPY && shrinking && !mirrorX && !mirrorY &&
      ShrinkDibHalftone(*d, dr, bits, info->bmiHeader, sx, sy, sw, sh))
    return sh;
  auto src = FromDib(bits, info);
  if (!src) return 0;
  BlitCore(*d, dr, mirrorX, mirrorY, src.get(), RGB(255, 255, 255), sx, sy, sw, sh, rop, nullptr);
  return sh;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
  if (width < 0 || height < 0) return FALSE;
  return DoBlt(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop, nullptr) ? TRUE : FALSE;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth, int srcHeight,
                DWORD rop) {
  if (UsesSource(rop) && (srcWidth == 0 || srcHeight == 0)) return FALSE;
  return DoBlt(dest, x, y, width, height, src, xSrc, ySrc, srcWidth, srcHeight, rop, nullptr) ? TRUE : FALSE;
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth,
                    int srcHeight, UINT transparent) {
  if (width < 0 || height < 0 || srcWidth <= 0 || srcHeight <= 0) return FALSE;
  COLORREF key = transparent & 0xFFFFFF;
  return DoBlt(dest, x, y, width, height, src, xSrc, ySrc, srcWidth, srcHeight, SRCCOPY, &key) ? TRUE : FALSE;
}

BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth, int srcHeight,
                BLENDFUNCTION blend) {
  auto d = LookupDc(dest);
  auto s = LookupDc(src);
  if (!d || !s || !d->Target() || !s->Target() || width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0 ||
      blend.BlendOp != AC_SRC_OVER)
    return FALSE;
  BitmapObj* t = d->Target();
  const BitmapObj* sb = s->Target();
  if (t->bpp == 1) return FALSE;
  POINT a = d->ToTarget(x, y);
  POINT sa = s->ToTarget(xSrc, ySrc);
  if (sa.x < 0 || sa.y < 0 || sa.x + srcWidth > sb->width || sa.y + srcHeight > sb->height) return FALSE;
  bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) && sb->bpp == 32;
  uint32_t ca = blend.SourceConstantAlpha;
  for (const RECT& c : d->ClipRects()) {
    int x0 = std::max<int>(a.x, c.left), x1 = std::min<int>(a.x + width, c.right);
    int y0 = std::max<int>(a.y, c.top), y1 = std::min<int>(a.y + height, c.bottom);
    for (int yy = y0; yy < y1; ++yy)
      for (int xx = x0; xx < x1; ++xx) {
        int sx = sa.x + static_cast<int>((static_cast<int64_t>(xx - a.x) * srcWidth) / width);
        int sy = sa.y + static_cast<int>((static_cast<int64_t>(yy - a.y) * srcHeight) / height);
        uint32_t sp = sb->bpp == 1 ? (sb->Get(sx, sy) ? 0xFFFFFFu : 0u) : sb->Get(sx, sy);
        uint32_t alpha = perPixel ? sb->Row(sy)[sx * 4 + 3] : 255;
        uint32_t dp = t->Get(xx, yy), out = 0;
        for (int sh = 0; sh < 24; sh += 8) {
          uint32_t sc = ((sp >> sh) & 0xFF) * ca / 255;  // source colours are premultiplied
          uint32_t sA = alpha * ca / 255;
          uint32_t dc = (dp >> sh) & 0xFF;
          out |= std::min<uint32_t>(255, sc + dc * (255 - sA) / 255) << sh;
        }
        t->Set(xx, yy, out);
      }
  }
  return TRUE;
}
