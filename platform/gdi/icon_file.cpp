#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/gdi_object.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/image_file.h"
#include "platform/gdi/objects.h"

namespace platform::gdi {
namespace {

template <typename T>
bool Read(const uint8_t* d, size_t size, size_t off, T* out) {
  if (off > size || size - off < sizeof(T)) return false;
  std::memcpy(out, d + off, sizeof(T));
  return true;
}

struct Entry {
  int width, height, bpp;
  uint32_t bytes, offset;
};

// Builds the icon from a colour picture with alpha and an optional AND mask (1 = see through).
HICON MakeIcon(const BitmapObj& picture, const std::vector<uint8_t>* andMask, bool cursor, int hotX, int hotY) {
  int w = picture.width, h = picture.height;
  HBITMAP color = CreateBitmap(w, h, 1, 32, nullptr);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  auto c = LookupAs<BitmapObj>(color, Kind::Bitmap);
  auto m = LookupAs<BitmapObj>(mask, Kind::Bitmap);
  if (!c || !m) {
    DeleteObject(color);
    DeleteObject(mask);
    return nullptr;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t alpha = picture.Row(y)[x * 4 + 3];
      bool clear = andMask ? (*andMask)[static_cast<size_t>(y) * w + x] != 0 : alpha < 128;
      if (!andMask && alpha == 255 && picture.bpp == 32) clear = false;
      m->Set(x, y, clear ? 1 : 0);
      c->Set(x, y, clear ? 0 : picture.Get(x, y));
    }
  ICONINFO ii;
  ii.fIcon = cursor ? FALSE : TRUE;
  ii.xHotspot = static_cast<DWORD>(hotX);
  ii.yHotspot = static_cast<DWORD>(hotY);
  ii.hbmColor = color;
  ii.hbmMask = mask;
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

}  // namespace

HICON DecodeIcon(const void* data, size_t size, int cx, int cy) {
  const uint8_t* d = static_cast<const uint8_t*>(data);
  uint16_t reserved, type, count;
  if (!d || !Read(d, size, 0, &reserved) || !Read(d, size, 2, &type) || !Read(d, size, 4, &count)) return nullptr;
  if (reserved != 0 || (type != 1 && type != 2) || count == 0) return nullptr;
  if (cx <= 0) cx = 32;
  if (cy <= 0) cy = 32;
  std::vector<Entry> entries;
  for (uint16_t i = 0; i < count; ++i) {
    size_t off = 6 + i * 16u;
    if (off + 16 > size) return nullptr;
    Entry e;
    e.width = d[off] ? d[off] : 256;
    e.height = d[off + 1] ? d[off + 1] : 256;
    uint16_t bpp = 0;
    Read(d, size, off + 6, &bpp);
    e.bpp = type == 1 ? bpp : 0;
    Read(d, size, off + 8, &e.bytes);
    Read(d, size, off + 12, &e.offset);
    if (e.offset > size || e.bytes > size - e.offset || e.bytes < 8) continue;
    entries.push_back(e);
  }
  if (entries.empty()) return nullptr;
  // The nearest size, then the most colours.
  const Entry* best = &entries[0];
  auto score = [&](const Entry& e) { return std::abs(e.width - cx) + std::abs(e.height - cy); };
  for (const Entry& e : entries)
    if (score(e) < score(*best) || (score(e) == score(*best) && e.bpp > best->bpp)) best = &e;
  const uint8_t* img = d + best->offset;
  size_t len = best->bytes;
  int hotX = 0, hotY = 0;
  if (type == 2) {  // cursors keep the hot spot where icons keep planes and depth
    size_t off = 6 + static_cast<size_t>(best - entries.data()) * 16u;
    uint16_t hx = 0, hy = 0;
    Read(d, size, off + 4, &hx);
    Read(d, size, off + 6, &hy);
    hotX = hx;
    hotY = hy;
  }
  static const uint8_t kPng[4] = {0x89, 'P', 'N', 'G'};
  if (len >= 4 && std::memcmp(img, kPng, 4) == 0) {
    HBITMAP pic = DecodeImage(img, len);
    auto b = LookupAs<BitmapObj>(pic, Kind::Bitmap);
    HICON icon = b ? MakeIcon(*b, nullptr, type == 2, hotX, hotY) : nullptr;
    if (pic) DeleteObject(pic);
    return icon;
  }
  // A DIB twice as high as the icon: the colour (XOR) picture, then the AND mask.
  BITMAPINFOHEADER h;
  if (len < sizeof(h)) return nullptr;
  std::memcpy(&h, img, sizeof(h));
  if (h.biSize < sizeof(h) || h.biWidth <= 0 || h.biHeight <= 0 || h.biHeight % 2 || h.biWidth > 1024 ||
      h.biHeight > 2048)
    return nullptr;
  int w = h.biWidth, ht = h.biHeight / 2;
  size_t tableBytes = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount)) * 4u : 0;
  size_t xorStride = ((static_cast<size_t>(w) * h.biBitCount + 31) / 32) * 4;
  size_t andStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
  size_t need = h.biSize + tableBytes + xorStride * ht + andStride * ht;
  if (need > len) return nullptr;
  // Decode the colour part as an ordinary DIB of the icon's height.
  std::vector<uint8_t> dib(img, img + h.biSize + tableBytes + xorStride * ht);
  BITMAPINFOHEADER colorHeader = h;
  colorHeader.biHeight = ht;
  colorHeader.biSizeImage = 0;
  std::memcpy(dib.data(), &colorHeader, sizeof(colorHeader));
  HBITMAP pic = DecodeImage(dib.data(), dib.size());
  auto b = LookupAs<BitmapObj>(pic, Kind::Bitmap);
  if (!b) {
    if (pic) DeleteObject(pic);
    return nullptr;
  }
  std::vector<uint8_t> andMask(static_cast<size_t>(w) * ht, 0);
  const uint8_t* andBits = img + h.biSize + tableBytes + xorStride * ht;
  bool hasAlpha = false;
  if (h.biBitCount == 32)
    for (int y = 0; y < ht && !hasAlpha; ++y)
      for (int x = 0; x < w; ++x)
        if (b->Row(y)[x * 4 + 3] != 255) hasAlpha = true;
  for (int y = 0; y < ht; ++y) {
    const uint8_t* row = andBits + andStride * static_cast<size_t>(ht - 1 - y);  // bottom-up like the colours
    for (int x = 0; x < w; ++x) {
      bool clear = (row[x >> 3] >> (7 - (x & 7))) & 1;
      if (hasAlpha) clear = b->Row(y)[x * 4 + 3] < 128;
      andMask[static_cast<size_t>(y) * w + x] = clear ? 1 : 0;
    }
  }
  HICON icon = MakeIcon(*b, &andMask, type == 2, hotX, hotY);
  DeleteObject(pic);
  return icon;
}

}  // namespace platform::gdi
