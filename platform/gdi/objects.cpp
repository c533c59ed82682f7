#include "platform/gdi/objects.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/base/strings.h"
#include "platform/gdi/gdi_object.h"
#include "platform/gdi/sys_colors.h"

namespace platform::gdi {
namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>> objects;
  uintptr_t next = 0x10000;
};

Table& TheTable() {
  static Table* table = new Table;  // outlives static destructors of callers
  return *table;
}

HGDIOBJ RegisterStock(std::shared_ptr<GdiObject> obj) {
  obj->stock = true;
  HGDIOBJ h = Register(obj);
  return h;
}

HGDIOBJ MakeStockBrush(UINT style, COLORREF color) {
  auto b = std::make_shared<BrushObj>();
  b->lb.lbStyle = style;
  b->lb.lbColor = color;
  return RegisterStock(b);
}

HGDIOBJ MakeStockPen(UINT style, COLORREF color) {
  auto p = std::make_shared<PenObj>();
  p->lp.lopnStyle = style;
  p->lp.lopnWidth = {1, 0};
  p->lp.lopnColor = color;
  return RegisterStock(p);
}

HGDIOBJ MakeStockFont(const char* face, LONG height, LONG weight, BYTE pitch) {
  auto f = std::make_shared<FontObj>();
  f->lf.lfHeight = height;
  f->lf.lfWeight = weight;
  f->lf.lfCharSet = DEFAULT_CHARSET;
  f->lf.lfPitchAndFamily = pitch;
  platform::CopyToBuffer(face, f->lf.lfFaceName, LF_FACESIZE);
  return RegisterStock(f);
}

struct StockObjects {
  HGDIOBJ objects[20] = {};
  StockObjects() {
    objects[WHITE_BRUSH] = MakeStockBrush(BS_SOLID, RGB(255, 255, 255));
    objects[LTGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(192, 192, 192));
    objects[GRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(128, 128, 128));
    objects[DKGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(64, 64, 64));
    objects[BLACK_BRUSH] = MakeStockBrush(BS_SOLID, RGB(0, 0, 0));
    objects[NULL_BRUSH] = MakeStockBrush(BS_NULL, 0);
    objects[WHITE_PEN] = MakeStockPen(PS_SOLID, RGB(255, 255, 255));
    objects[BLACK_PEN] = MakeStockPen(PS_SOLID, RGB(0, 0, 0));
    objects[NULL_PEN] = MakeStockPen(PS_NULL, 0);
    objects[OEM_FIXED_FONT] = MakeStockFont("Courier New", 12, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    objects[ANSI_FIXED_FONT] = MakeStockFont("Courier New", 13, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    objects[ANSI_VAR_FONT] = MakeStockFont("MS Sans Serif", 13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
    objects[SYSTEM_FONT] = MakeStockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
    objects[DEVICE_DEFAULT_FONT] = objects[SYSTEM_FONT];
    objects[SYSTEM_FIXED_FONT] = MakeStockFont("Courier New", 16, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    objects[DEFAULT_GUI_FONT] = MakeStockFont("MS Shell Dlg", -11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
    objects[DC_BRUSH] = MakeStockBrush(BS_SOLID, RGB(255, 255, 255));
    objects[DC_PEN] = MakeStockPen(PS_SOLID, RGB(0, 0, 0));
  }
};

StockObjects& Stock() {
  static StockObjects stock;
  return stock;
}

}  // namespace

std::shared_ptr<BitmapObj> MakeBitmap(int width, int height, int bpp, bool dib, bool topDown) {
  if (width <= 0 || height <= 0 || (bpp != 1 && bpp != 24 && bpp != 32)) return nullptr;
  if (static_cast<int64_t>(width) * height > (int64_t{1} << 28)) return nullptr;
  auto bmp = std::make_shared<BitmapObj>();
  bmp->width = width;
  bmp->height = height;
  bmp->bpp = bpp;
  bmp->dib = dib;
  bmp->topDown = topDown;
  if (bpp == 1) bmp->stride = dib ? ((width + 31) / 32) * 4 : ((width + 15) / 16) * 2;
  else if (bpp == 24) bmp->stride = (width * 3 + 3) & ~3;
  else bmp->stride = width * 4;
  bmp->storage.assign(static_cast<size_t>(bmp->stride) * height, 0);
  return bmp;
}

HGDIOBJ Register(std::shared_ptr<GdiObject> obj) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  uintptr_t value = t.next;
  t.next += 4;
  obj->handle = reinterpret_cast<HGDIOBJ>(value);
  t.objects.emplace(value, std::move(obj));
  return reinterpret_cast<HGDIOBJ>(value);
}

std::shared_ptr<GdiObject> Lookup(const void* handle) {
  if (!handle) return nullptr;
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

bool Unregister(const void* handle) {
  Table& t = TheTable();
  std::shared_ptr<GdiObject> doomed;  // released outside the lock
  std::lock_guard lock(t.mutex);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end() || it->second->stock) return false;
  doomed = std::move(it->second);
  t.objects.erase(it);
  return true;
}

std::shared_ptr<BrushObj> LookupBrush(HBRUSH brush) {
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v >= 1 && v <= 31) return LookupAs<BrushObj>(GetSysColorBrush(static_cast<int>(v - 1)), Kind::Brush);
  return LookupAs<BrushObj>(brush, Kind::Brush);
}

size_t LiveObjectCount() {
  Stock();
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  size_t n = 0;
  for (const auto& [h, obj] : t.objects) n += obj->stock ? 0 : 1;
  return n;
}

}  // namespace platform::gdi

using namespace platform::gdi;

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index >= 20) return nullptr;
  return Stock().objects[index];
}

DWORD GetSysColor(int index) {
  static const COLORREF kColors[31] = {RGB(200, 200, 200), RGB(0, 78, 152),    RGB(10, 36, 106),   RGB(128, 128, 128),
                                       RGB(240, 240, 240), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
                                       RGB(0, 0, 0),       RGB(255, 255, 255), RGB(212, 208, 200), RGB(212, 208, 200),
                                       RGB(128, 128, 128), RGB(0, 117, 210),   RGB(255, 255, 255), RGB(240, 240, 240),
                                       RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(212, 208, 200),
                                       RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),
                                       RGB(255, 255, 225), RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(166, 202, 240),
                                       RGB(192, 192, 192), RGB(0, 120, 215),   RGB(240, 240, 240)};
  if (index < 0 || index > 30) return 0;
  return kColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index > 30) return nullptr;
  static HGDIOBJ brushes[31] = {};
  static std::once_flag once;
  std::call_once(once, [] {
    for (int i = 0; i <= 30; ++i) brushes[i] = MakeStockBrush(BS_SOLID, GetSysColor(i));
  });
  return reinterpret_cast<HBRUSH>(brushes[index]);
}

BOOL DeleteObject(HGDIOBJ object) {
  auto obj = Lookup(object);
  if (!obj || obj->kind == Kind::Dc) return FALSE;
  if (obj->stock) return TRUE;  // deleting a stock object is harmless
  // A selected object stays alive inside its DC until deselected; the handle dies now.
  return Unregister(object) ? TRUE : FALSE;
}

int GetObject(HANDLE object, int size, LPVOID buffer) {
  auto obj = Lookup(object);
  if (!obj) return 0;
  switch (obj->kind) {
    case Kind::Bitmap: {
      auto bmp = std::static_pointer_cast<BitmapObj>(obj);
      DIBSECTION ds;
      ds.dsBm.bmType = 0;
      ds.dsBm.bmWidth = bmp->width;
      ds.dsBm.bmHeight = bmp->height;
      ds.dsBm.bmWidthBytes = bmp->dib ? bmp->stride : (bmp->bpp == 1 ? bmp->stride : bmp->width * 4);
      ds.dsBm.bmPlanes = 1;
      ds.dsBm.bmBitsPixel = static_cast<WORD>(bmp->bpp);
      ds.dsBm.bmBits = bmp->dib ? bmp->storage.data() : nullptr;
      ds.dsBmih.biWidth = bmp->width;
      ds.dsBmih.biHeight = bmp->topDown ? -bmp->height : bmp->height;
      ds.dsBmih.biBitCount = static_cast<WORD>(bmp->bpp);
      ds.dsBmih.biSizeImage = static_cast<DWORD>(bmp->stride * bmp->height);
      int full = bmp->dib ? static_cast<int>(sizeof(DIBSECTION)) : static_cast<int>(sizeof(BITMAP));
      if (!buffer) return full;
      if (bmp->dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
        std::memcpy(buffer, &ds, sizeof(DIBSECTION));
        return sizeof(DIBSECTION);
      }
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      std::memcpy(buffer, &ds.dsBm, sizeof(BITMAP));
      return sizeof(BITMAP);
    }
    case Kind::Brush: {
      if (!buffer) return sizeof(LOGBRUSH);
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      std::memcpy(buffer, &std::static_pointer_cast<BrushObj>(obj)->lb, sizeof(LOGBRUSH));
      return sizeof(LOGBRUSH);
    }
    case Kind::Pen: {
      if (!buffer) return sizeof(LOGPEN);
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      std::memcpy(buffer, &std::static_pointer_cast<PenObj>(obj)->lp, sizeof(LOGPEN));
      return sizeof(LOGPEN);
    }
    case Kind::Font: {
      if (!buffer) return sizeof(LOGFONT);
      if (size < static_cast<int>(sizeof(LOGFONT))) return 0;
      std::memcpy(buffer, &std::static_pointer_cast<FontObj>(obj)->lf, sizeof(LOGFONT));
      return sizeof(LOGFONT);
    }
    case Kind::Region: return 0;
    default: return 0;
  }
}
