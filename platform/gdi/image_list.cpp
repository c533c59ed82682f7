#include "platform/gdi/image_list.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/dc_object.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/objects.h"

using namespace platform::gdi;

namespace {

struct Image {
  std::shared_ptr<BitmapObj> color;
  std::vector<uint8_t> opaque;  // 1 where the image shows
};

struct ImageListObj : GdiObject {
  ImageListObj() : GdiObject(Kind::ImageList) {}
  int cx = 0, cy = 0;
  UINT flags = 0;
  COLORREF bk = CLR_NONE;
  std::vector<Image> images;
};

std::shared_ptr<ImageListObj> List(HIMAGELIST h) { return LookupAs<ImageListObj>(h, Kind::ImageList); }

// Splits the bitmap into images; keep(x, y, image) says which pixels show.
template <typename Keep>
std::vector<Image> Slice(const ImageListObj& list, const BitmapObj& src, Keep keep) {
  std::vector<Image> out;
  int count = std::max(1, src.width / list.cx);
  for (int i = 0; i < count; ++i) {
    Image img;
    img.color = MakeBitmap(list.cx, list.cy, 32, false, true);
    img.opaque.assign(static_cast<size_t>(list.cx) * list.cy, 0);
    for (int y = 0; y < list.cy && y < src.height; ++y)
      for (int x = 0; x < list.cx && i * list.cx + x < src.width; ++x) {
        int sx = i * list.cx + x;
        uint32_t p = src.bpp == 1 ? (src.Get(sx, y) ? 0xFFFFFFu : 0u) : src.Get(sx, y);
        bool show = keep(sx, y, p);
        img.color->Set(x, y, show ? p : 0);
        img.opaque[static_cast<size_t>(y) * list.cx + x] = show ? 1 : 0;
      }
    out.push_back(std::move(img));
  }
  return out;
}

int Append(ImageListObj& list, std::vector<Image> images) {
  if (images.empty()) return -1;
  int first = static_cast<int>(list.images.size());
  for (Image& i : images) list.images.push_back(std::move(i));
  return first;
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) return nullptr;
  auto l = std::make_shared<ImageListObj>();
  l->cx = cx;
  l->cy = cy;
  l->flags = flags;
  return reinterpret_cast<HIMAGELIST>(Register(l));
}

BOOL ImageList_Destroy(HIMAGELIST list) { return List(list) && Unregister(list) ? TRUE : FALSE; }

int ImageList_GetImageCount(HIMAGELIST list) {
  auto l = List(list);
  return l ? static_cast<int>(l->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  auto l = List(list);
  if (!l || !cx || !cy) return FALSE;
  *cx = l->cx;
  *cy = l->cy;
  return TRUE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  auto l = List(list);
  auto src = LookupAs<BitmapObj>(image, Kind::Bitmap);
  if (!l || !src) return -1;
  auto m = (l->flags & ILC_MASK) ? LookupAs<BitmapObj>(mask, Kind::Bitmap) : nullptr;
  return Append(*l, Slice(*l, *src, [&](int x, int y, uint32_t) {
    if (!m || x >= m->width || y >= m->height) return true;
    return m->Get(x, y) == 0 || (m->bpp != 1 && m->Get(x, y) != 0xFFFFFF);
  }));
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask) {
  auto l = List(list);
  auto src = LookupAs<BitmapObj>(image, Kind::Bitmap);
  if (!l || !src) return -1;
  uint32_t key = PixelFromColor(mask & 0xFFFFFF);
  bool masked = l->flags & ILC_MASK;
  return Append(*l, Slice(*l, *src, [&](int, int, uint32_t p) { return !masked || p != key; }));
}

int ImageList_AddIcon(HIMAGELIST list, HICON icon) {
  auto l = List(list);
  if (!l) return -1;
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP canvas = CreateBitmap(l->cx, l->cy, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(mem, canvas);
  BOOL ok = DrawIconEx(mem, 0, 0, icon, l->cx, l->cy, 0, nullptr, DI_IMAGE);
  HBITMAP maskBmp = CreateBitmap(l->cx, l->cy, 1, 1, nullptr);
  if (ok) {
    SelectObject(mem, maskBmp);
    DrawIconEx(mem, 0, 0, icon, l->cx, l->cy, 0, nullptr, DI_MASK);
  }
  SelectObject(mem, old);
  DeleteDC(mem);
  int index = -1;
  if (ok) {
    UINT saved = l->flags;
    l->flags |= ILC_MASK;
    index = ImageList_Add(list, canvas, maskBmp);
    l->flags = saved;
  }
  DeleteObject(canvas);
  DeleteObject(maskBmp);
  return index;
}

BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask) {
  auto l = List(list);
  if (!l || index < 0 || index >= static_cast<int>(l->images.size())) return FALSE;
  auto tmp = std::make_shared<ImageListObj>(*l);
  tmp->images.clear();
  HIMAGELIST th = reinterpret_cast<HIMAGELIST>(Register(tmp));
  int added = ImageList_Add(th, image, mask);
  if (added >= 0) l->images[static_cast<size_t>(index)] = std::move(tmp->images[0]);
  Unregister(th);
  return added >= 0 ? TRUE : FALSE;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  auto l = List(list);
  if (!l) return FALSE;
  if (index == -1) {
    l->images.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(l->images.size())) return FALSE;
  l->images.erase(l->images.begin() + index);
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color) {
  auto l = List(list);
  if (!l) return CLR_NONE;
  COLORREF old = l->bk;
  l->bk = color;
  return old;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
  auto l = List(list);
  auto d = LookupDc(dc);
  if (!l || !d || !d->Target() || index < 0 || index >= static_cast<int>(l->images.size())) return FALSE;
  const Image& img = l->images[static_cast<size_t>(index)];
  BitmapObj* t = d->Target();
  POINT p = d->ToTarget(x, y);
  bool transparent = (style & ILD_TRANSPARENT) || l->bk == CLR_NONE;
  uint32_t bk = PixelFromColor(l->bk == CLR_NONE ? 0 : l->bk);
  uint32_t hilite = PixelFromColor(RGB(0, 117, 210));
  for (const RECT& c : d->ClipRects()) {
    int x0 = std::max<int>(p.x, c.left), x1 = std::min<int>(p.x + l->cx, c.right);
    int y0 = std::max<int>(p.y, c.top), y1 = std::min<int>(p.y + l->cy, c.bottom);
    for (int yy = y0; yy < y1; ++yy)
      for (int xx = x0; xx < x1; ++xx) {
        int ix = xx - p.x, iy = yy - p.y;
        bool show = img.opaque[static_cast<size_t>(iy) * l->cx + ix];
        uint32_t px;
        if (show) px = (style & ILD_MASK) ? 0 : img.color->Get(ix, iy);
        else if (!transparent) px = bk;
        else continue;
        if (show && (style & (ILD_BLEND50 | ILD_BLEND25)))  // selected look: half the highlight colour
          px = ((px >> 1) & 0x7F7F7F) + ((hilite >> 1) & 0x7F7F7F);
        t->Set(xx, yy, t->bpp == 1 ? (Luma(ColorFromPixel(px)) >= 128 ? 1u : 0u) : px);
      }
  }
  return TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT) {
  auto l = List(list);
  if (!l || index < 0 || index >= static_cast<int>(l->images.size())) return nullptr;
  const Image& img = l->images[static_cast<size_t>(index)];
  HBITMAP color = CreateBitmap(l->cx, l->cy, 1, 32, nullptr);
  HBITMAP mask = CreateBitmap(l->cx, l->cy, 1, 1, nullptr);
  auto c = LookupAs<BitmapObj>(color, Kind::Bitmap);
  auto m = LookupAs<BitmapObj>(mask, Kind::Bitmap);
  for (int y = 0; y < l->cy; ++y)
    for (int x = 0; x < l->cx; ++x) {
      bool show = img.opaque[static_cast<size_t>(y) * l->cx + x];
      c->Set(x, y, show ? img.color->Get(x, y) : 0);
      m->Set(x, y, show ? 0 : 1);
    }
  ICONINFO ii;
  ii.hbmColor = color;
  ii.hbmMask = mask;
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}
