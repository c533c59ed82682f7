#include "platform/gdi/dc.h"

#include <algorithm>

#include "platform/gdi/dc_object.h"
#include "platform/gdi/objects.h"

namespace platform::gdi {

DcObj::~DcObj() {
  if (st.bitmap) --st.bitmap->selectedIn;
  for (DcState& s : saved)
    if (s.bitmap) --s.bitmap->selectedIn;
  if (onDelete) onDelete();
}

RegionShape DcObj::ClipShape() {
  const BitmapObj* t = Target();
  if (!t) return {};
  RegionShape shape = RegionShape::FromRect(0, 0, t->width, t->height);
  if (!memory && visible) {
    RegionShape v = *visible;
    v.Offset(origin.x, origin.y);
    shape = RegionShape::Combine(shape, v, RGN_AND);
  }
  if (st.clip) {
    RegionShape c = *st.clip;
    c.Offset(origin.x, origin.y);
    shape = RegionShape::Combine(shape, c, RGN_AND);
  }
  return shape;
}

const std::vector<RECT>& DcObj::ClipRects() {
  if (!clipValid_) {
    clipRects_ = ClipShape().Rects();
    clipValid_ = true;
  }
  return clipRects_;
}

std::shared_ptr<DcObj> LookupDc(HDC dc) { return LookupAs<DcObj>(dc, Kind::Dc); }

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

std::shared_ptr<BitmapObj> DefaultBitmap() {
  static std::shared_ptr<BitmapObj> bmp = [] {
    auto b = MakeBitmap(1, 1, 1, false, true);
    b->stock = true;
    Register(b);
    return b;
  }();
  return bmp;
}

void InitState(DcState& st) {
  auto brush = LookupAs<BrushObj>(GetStockObject(WHITE_BRUSH), Kind::Brush);
  auto pen = LookupAs<PenObj>(GetStockObject(BLACK_PEN), Kind::Pen);
  auto font = LookupAs<FontObj>(GetStockObject(SYSTEM_FONT), Kind::Font);
  st.brush = brush;
  st.hbrush = brush->handle;
  st.pen = pen;
  st.hpen = pen->handle;
  st.font = font;
  st.hfont = font->handle;
}

template <typename T>
T Swap(T& slot, T value) {
  T old = slot;
  slot = value;
  return old;
}

}  // namespace

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !LookupDc(dc)) return nullptr;
  auto obj = std::make_shared<DcObj>();
  obj->memory = true;
  InitState(obj->st);
  obj->st.bitmap = DefaultBitmap();
  obj->st.hbitmap = obj->st.bitmap->handle;
  ++obj->st.bitmap->selectedIn;
  return reinterpret_cast<HDC>(Register(obj));
}

HDC platform::gdi::CreateSurfaceDC(HBITMAP surface, POINT origin, HRGN visible) {
  auto bmp = LookupAs<BitmapObj>(surface, Kind::Bitmap);
  if (!bmp || bmp->bpp == 1) return nullptr;
  auto obj = std::make_shared<DcObj>();
  obj->memory = false;
  InitState(obj->st);
  obj->surface = bmp;
  obj->origin = origin;
  if (visible) {
    auto rgn = LookupAs<RegionObj>(visible, Kind::Region);
    if (!rgn) return nullptr;
    obj->visible = rgn->shape;
  }
  return reinterpret_cast<HDC>(Register(obj));
}

HBITMAP platform::gdi::GetTargetBitmap(HDC dc) {
  auto d = LookupDc(dc);
  if (!d || !d->Target()) return nullptr;
  return reinterpret_cast<HBITMAP>(d->Target()->handle);
}

BOOL DeleteDC(HDC dc) {
  if (!LookupDc(dc)) return FALSE;
  return Unregister(dc) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ object) {
  auto obj = Lookup(object);
  if (!obj) return 0;
  switch (obj->kind) {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Region: return OBJ_REGION;
    case Kind::Dc: return std::static_pointer_cast<DcObj>(obj)->memory ? OBJ_MEMDC : OBJ_DC;
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  auto d = LookupDc(dc);
  auto obj = Lookup(object);
  if (!d || !obj) return nullptr;
  DcState& st = d->st;
  switch (obj->kind) {
    case Kind::Brush: st.brush = std::static_pointer_cast<BrushObj>(obj); return Swap(st.hbrush, object);
    case Kind::Pen: st.pen = std::static_pointer_cast<PenObj>(obj); return Swap(st.hpen, object);
    case Kind::Font: st.font = std::static_pointer_cast<FontObj>(obj); return Swap(st.hfont, object);
    case Kind::Bitmap: {
      if (!d->memory) return nullptr;
      auto bmp = std::static_pointer_cast<BitmapObj>(obj);
      if (bmp == st.bitmap) return object;
      if (bmp->selectedIn > 0 && !bmp->stock) return nullptr;  // already in another DC
      ++bmp->selectedIn;
      --st.bitmap->selectedIn;
      st.bitmap = bmp;
      d->InvalidateClip();
      return Swap(st.hbitmap, object);
    }
    case Kind::Region: {
      int result = SelectClipRgn(dc, reinterpret_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(result));
    }
    default: return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  auto d = LookupDc(dc);
  if (!d) return nullptr;
  switch (type) {
    case OBJ_PEN: return d->st.hpen;
    case OBJ_BRUSH: return d->st.hbrush;
    case OBJ_FONT: return d->st.hfont;
    case OBJ_BITMAP: return d->Target() ? d->Target()->handle : nullptr;
    default: return nullptr;
  }
}

int SaveDC(HDC dc) {
  auto d = LookupDc(dc);
  if (!d) return 0;
  d->saved.push_back(d->st);
  if (d->st.bitmap) ++d->st.bitmap->selectedIn;
  return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int savedDc) {
  auto d = LookupDc(dc);
  if (!d) return FALSE;
  int n = static_cast<int>(d->saved.size());
  int level = savedDc < 0 ? n + savedDc + 1 : savedDc;
  if (level < 1 || level > n) return FALSE;
  while (static_cast<int>(d->saved.size()) > level) {
    if (d->saved.back().bitmap) --d->saved.back().bitmap->selectedIn;
    d->saved.pop_back();
  }
  if (d->st.bitmap) --d->st.bitmap->selectedIn;
  d->st = std::move(d->saved.back());
  d->saved.pop_back();
  d->InvalidateClip();
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  auto d = LookupDc(dc);
  if (!d) return 0;
  const BitmapObj* t = d->Target();
  switch (index) {
    case HORZRES: return t ? t->width : 0;
    case VERTRES: return t ? t->height : 0;
    case BITSPIXEL: return t && t->bpp == 1 ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    default: return 0;
  }
}

#define DC_OR(fail)      \
  auto d = LookupDc(dc); \
  if (!d) return fail

COLORREF SetTextColor(HDC dc, COLORREF c) {
  DC_OR(CLR_INVALID);
  return Swap(d->st.textColor, c & 0xFFFFFF);
}
COLORREF GetTextColor(HDC dc) {
  DC_OR(CLR_INVALID);
  return d->st.textColor;
}
COLORREF SetBkColor(HDC dc, COLORREF c) {
  DC_OR(CLR_INVALID);
  return Swap(d->st.bkColor, c & 0xFFFFFF);
}
COLORREF GetBkColor(HDC dc) {
  DC_OR(CLR_INVALID);
  return d->st.bkColor;
}
int SetBkMode(HDC dc, int mode) {
  DC_OR(0);
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return Swap(d->st.bkMode, mode);
}
int GetBkMode(HDC dc) {
  DC_OR(0);
  return d->st.bkMode;
}
int SetROP2(HDC dc, int rop2) {
  DC_OR(0);
  if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  return Swap(d->st.rop2, rop2);
}
int GetROP2(HDC dc) {
  DC_OR(0);
  return d->st.rop2;
}
int SetStretchBltMode(HDC dc, int mode) {
  DC_OR(0);
  if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return Swap(d->st.stretchMode, mode);
}
int GetStretchBltMode(HDC dc) {
  DC_OR(0);
  return d->st.stretchMode;
}
UINT SetTextAlign(HDC dc, UINT align) {
  DC_OR(0xFFFFFFFF);
  return Swap(d->st.textAlign, align);
}
UINT GetTextAlign(HDC dc) {
  DC_OR(0xFFFFFFFF);
  return d->st.textAlign;
}
COLORREF SetDCBrushColor(HDC dc, COLORREF c) {
  DC_OR(CLR_INVALID);
  return Swap(d->st.dcBrushColor, c & 0xFFFFFF);
}
COLORREF SetDCPenColor(HDC dc, COLORREF c) {
  DC_OR(CLR_INVALID);
  return Swap(d->st.dcPenColor, c & 0xFFFFFF);
}
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
  DC_OR(FALSE);
  if (old) *old = d->st.brushOrg;
  d->st.brushOrg = {x, y};
  return TRUE;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
  DC_OR(FALSE);
  if (old) *old = d->st.viewportOrg;
  d->st.viewportOrg = {x, y};
  return TRUE;
}
BOOL GetViewportOrgEx(HDC dc, POINT* org) {
  DC_OR(FALSE);
  if (!org) return FALSE;
  *org = d->st.viewportOrg;
  return TRUE;
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  DC_OR(FALSE);
  if (old) *old = d->st.viewportOrg;
  d->st.viewportOrg.x += dx;
  d->st.viewportOrg.y += dy;
  return TRUE;
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
  DC_OR(FALSE);
  if (old) *old = d->st.windowOrg;
  d->st.windowOrg = {x, y};
  return TRUE;
}
BOOL GetWindowOrgEx(HDC dc, POINT* org) {
  DC_OR(FALSE);
  if (!org) return FALSE;
  *org = d->st.windowOrg;
  return TRUE;
}
BOOL LPtoDP(HDC dc, POINT* points, int count) {
  DC_OR(FALSE);
  if (!points || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = d->ToDevice(points[i].x, points[i].y);
  return TRUE;
}
BOOL DPtoLP(HDC dc, POINT* points, int count) {
  DC_OR(FALSE);
  if (!points || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) {
    points[i].x += d->st.windowOrg.x - d->st.viewportOrg.x;
    points[i].y += d->st.windowOrg.y - d->st.viewportOrg.y;
  }
  return TRUE;
}

namespace {

int ClipResult(DcObj& d) {
  RegionShape s = d.ClipShape();
  return s.Complexity();
}

}  // namespace

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
  DC_OR(ERROR);
  if (!region) {
    if (mode != RGN_COPY) return ERROR;
    d->st.clip.reset();
    d->InvalidateClip();
    return ClipResult(*d);
  }
  auto rgn = LookupAs<RegionObj>(region, Kind::Region);
  if (!rgn || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY || !d->st.clip) {
    if (mode == RGN_COPY || mode == RGN_AND || mode == RGN_OR || mode == RGN_XOR) {
      d->st.clip = rgn->shape;
    } else {  // RGN_DIFF with no clip yet: everything but the region
      const BitmapObj* t = d->Target();
      RegionShape all = RegionShape::FromRect(-d->origin.x, -d->origin.y, t ? t->width : 0, t ? t->height : 0);
      d->st.clip = RegionShape::Combine(all, rgn->shape, RGN_DIFF);
    }
  } else {
    d->st.clip = RegionShape::Combine(*d->st.clip, rgn->shape, mode);
  }
  d->InvalidateClip();
  return ClipResult(*d);
}

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  DC_OR(ERROR);
  POINT a = d->ToDevice(left, top), b = d->ToDevice(right, bottom);
  RegionShape r = RegionShape::FromRect(a.x, a.y, b.x, b.y);
  if (d->st.clip) d->st.clip = RegionShape::Combine(*d->st.clip, r, RGN_AND);
  else d->st.clip = r;
  d->InvalidateClip();
  return ClipResult(*d);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  DC_OR(ERROR);
  POINT a = d->ToDevice(left, top), b = d->ToDevice(right, bottom);
  RegionShape r = RegionShape::FromRect(a.x, a.y, b.x, b.y);
  if (!d->st.clip) {
    const BitmapObj* t = d->Target();
    d->st.clip = RegionShape::FromRect(-d->origin.x, -d->origin.y, t ? t->width : 0, t ? t->height : 0);
  }
  d->st.clip = RegionShape::Combine(*d->st.clip, r, RGN_DIFF);
  d->InvalidateClip();
  return ClipResult(*d);
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
  DC_OR(ERROR);
  if (d->st.clip) d->st.clip->Offset(dx, dy);
  d->InvalidateClip();
  return ClipResult(*d);
}

int GetClipRgn(HDC dc, HRGN region) {
  DC_OR(-1);
  auto rgn = LookupAs<RegionObj>(region, Kind::Region);
  if (!rgn) return -1;
  if (!d->st.clip) return 0;
  rgn->shape = *d->st.clip;
  return 1;
}

int GetClipBox(HDC dc, RECT* rect) {
  DC_OR(ERROR);
  if (!rect) return ERROR;
  RegionShape s = d->ClipShape();
  RECT box = s.Box();
  // Back to logical coordinates.
  int dx = d->origin.x + d->st.viewportOrg.x - d->st.windowOrg.x;
  int dy = d->origin.y + d->st.viewportOrg.y - d->st.windowOrg.y;
  *rect = {box.left - dx, box.top - dy, box.right - dx, box.bottom - dy};
  if (s.Empty()) *rect = {0, 0, 0, 0};
  return s.Complexity();
}

BOOL PtVisible(HDC dc, int x, int y) {
  DC_OR(FALSE);
  POINT p = d->ToTarget(x, y);
  return ClipContains(*d, p.x, p.y) ? TRUE : FALSE;
}

BOOL RectVisible(HDC dc, const RECT* rect) {
  DC_OR(FALSE);
  if (!rect) return FALSE;
  RECT r = d->ToTarget(*rect);
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  for (const RECT& c : d->ClipRects())
    if (c.left < r.right && c.right > r.left && c.top < r.bottom && c.bottom > r.top) return TRUE;
  return FALSE;
}
