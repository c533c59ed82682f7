#include "platform/gdi/icon.h"

#include <map>
#include <mutex>

#include "platform/base/module_resources.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc_object.h"
#include "platform/gdi/image_file.h"
#include "platform/gdi/objects.h"

using namespace platform::gdi;

namespace {

std::shared_ptr<BitmapObj> Clone(const BitmapObj& src) {
  auto b = MakeBitmap(src.width, src.height, src.bpp == 1 ? 1 : 32, false, true);
  if (!b) return nullptr;
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) b->Set(x, y, src.Get(x, y));
  return b;
}

std::shared_ptr<IconObj> LookupIcon(HICON icon) { return LookupAs<IconObj>(icon, Kind::Icon); }

// A simple 32x32 picture for each stock name: a dark shape on a transparent ground.
HICON MakeStock(int id, bool cursor) {
  const int n = 32;
  HBITMAP mask = CreateBitmap(n, n, 1, 1, nullptr);
  HBITMAP color = CreateBitmap(n, n, 1, 32, nullptr);
  auto m = LookupAs<BitmapObj>(mask, Kind::Bitmap);
  auto c = LookupAs<BitmapObj>(color, Kind::Bitmap);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      bool on;
      if (cursor) on = x <= y / 2 && y < 20;                      // an arrow-like wedge
      else on = (x - 16) * (x - 16) + (y - 16) * (y - 16) < 196;  // a disc
      m->Set(x, y, on ? 0 : 1);
      uint32_t fill = cursor ? 0x000000 : (id == 32513 ? 0xD02020 : id == 32515 ? 0xE0C000 : 0x2060D0);
      c->Set(x, y, on ? fill : 0);
    }
  ICONINFO ii;
  ii.fIcon = cursor ? FALSE : TRUE;
  ii.hbmMask = mask;
  ii.hbmColor = color;
  HICON h = CreateIconIndirect(&ii);
  DeleteObject(mask);
  DeleteObject(color);
  if (auto obj = LookupIcon(h)) obj->stock = true;
  return h;
}

HICON Stock(LPCSTR name, bool cursor) {
  ULONG_PTR id = reinterpret_cast<ULONG_PTR>(name);
  if (id == 0 || id > 0xFFFF) return nullptr;
  static std::mutex m;
  static std::map<std::pair<ULONG_PTR, bool>, HICON> made;
  std::lock_guard lock(m);
  auto& slot = made[{id, cursor}];
  if (!slot) slot = MakeStock(static_cast<int>(id), cursor);  // cursor shapes kept for DrawIcon of cursors
  return slot;
}

}  // namespace

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info) return nullptr;
  auto mask = LookupAs<BitmapObj>(info->hbmMask, Kind::Bitmap);
  if (!mask) return nullptr;
  auto icon = std::make_shared<IconObj>();
  icon->info = *info;
  icon->mask = Clone(*mask);
  if (info->hbmColor) {
    auto color = LookupAs<BitmapObj>(info->hbmColor, Kind::Bitmap);
    if (!color) return nullptr;
    icon->color = Clone(*color);
    icon->width = color->width;
    icon->height = color->height;
  } else {
    icon->width = mask->width;
    icon->height = mask->height / 2;
    if (icon->height <= 0) return nullptr;
  }
  if (!icon->mask || (info->hbmColor && !icon->color)) return nullptr;
  icon->info.hbmMask = nullptr;
  icon->info.hbmColor = nullptr;
  return reinterpret_cast<HICON>(Register(icon));
}

BOOL GetIconInfo(HICON h, ICONINFO* info) {
  auto icon = LookupIcon(h);
  if (!icon || !info) return FALSE;
  *info = icon->info;
  info->hbmMask = reinterpret_cast<HBITMAP>(Register(Clone(*icon->mask)));
  info->hbmColor = icon->color ? reinterpret_cast<HBITMAP>(Register(Clone(*icon->color))) : nullptr;
  return TRUE;
}

HICON CopyIcon(HICON h) {
  ICONINFO ii;
  if (!GetIconInfo(h, &ii)) return nullptr;
  HICON copy = CreateIconIndirect(&ii);
  DeleteObject(ii.hbmMask);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  return copy;
}

BOOL DestroyIcon(HICON h) {
  auto icon = LookupIcon(h);
  if (!icon) return FALSE;
  if (icon->stock) return TRUE;
  return Unregister(h) ? TRUE : FALSE;
}

BOOL DestroyCursor(HCURSOR cursor) { return DestroyIcon(cursor); }

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL); }

BOOL DrawIconEx(HDC dc, int x, int y, HICON h, int width, int height, UINT, HBRUSH, UINT flags) {
  auto d = LookupDc(dc);
  auto icon = LookupIcon(h);
  if (!d || !icon || !d->Target()) return FALSE;
  if (width <= 0) width = icon->width;
  if (height <= 0) height = icon->height;
  if (!(flags & DI_NORMAL)) flags = DI_NORMAL;
  BitmapObj* t = d->Target();
  uint32_t mask = t->bpp == 1 ? 1u : 0xFFFFFFu;
  POINT p = d->ToTarget(x, y);
  int xorOffset = icon->color ? 0 : icon->height;
  for (const RECT& c : d->ClipRects()) {
    int x0 = std::max<int>(p.x, c.left), x1 = std::min<int>(p.x + width, c.right);
    int y0 = std::max<int>(p.y, c.top), y1 = std::min<int>(p.y + height, c.bottom);
    for (int yy = y0; yy < y1; ++yy)
      for (int xx = x0; xx < x1; ++xx) {
        int sx = (xx - p.x) * icon->width / width, sy = (yy - p.y) * icon->height / height;
        uint32_t dst = t->Get(xx, yy);
        // Destination = (destination AND mask) XOR image.
        if (flags & DI_MASK) dst = icon->mask->Get(sx, sy) ? dst : 0;
        if (flags & DI_IMAGE) {
          uint32_t img = icon->color ? icon->color->Get(sx, sy) : (icon->mask->Get(sx, sy + xorOffset) ? 0xFFFFFF : 0);
          if (t->bpp == 1) img = Luma(ColorFromPixel(img)) >= 128 ? 1 : 0;
          if (!(flags & DI_MASK)) dst = img;
          else dst ^= img;
        }
        t->Set(xx, yy, dst & mask);
      }
  }
  return TRUE;
}

HICON LoadIcon(HINSTANCE instance, LPCSTR name) {
  if (!instance) return Stock(name, false);
  // The system icon size (SM_CXICON).
  constexpr int kIconSize = 32;
  auto file = platform::ResourceBytes(instance, name, RT_GROUP_ICON);
  return file ? DecodeIcon(file->data(), file->size(), kIconSize, kIconSize) : nullptr;
}
