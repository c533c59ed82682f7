#include "platform/gdi/gdiplus.h"

#include <algorithm>
#include <atomic>

#include "platform/gdi/afx_gdi.h"
#include "platform/gdi/dc_object.h"
#include "platform/gdi/image_file.h"

namespace Gdiplus {
namespace {

std::atomic<ULONG_PTR> g_nextToken{1};

std::string Narrow(const wchar_t* w) {
  std::string out;
  if (!w) return out;
  for (; *w; ++w) {
    uint32_t c = static_cast<uint32_t>(*w);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput*) {
  if (!token || !input || input->GdiplusVersion != 1) return InvalidParameter;
  *token = g_nextToken++;
  return Ok;
}

void GdiplusShutdown(ULONG_PTR) {}

Image::Image(const wchar_t* path) : Image(Narrow(path)) {}

Image::Image(const std::string& path) {
  bitmap_ = platform::gdi::LoadImageFile(path);
  status_ = bitmap_ ? Ok : (path.empty() ? InvalidParameter : UnknownImageFormat);
  if (!bitmap_) return;
  auto b = platform::gdi::LookupAs<platform::gdi::BitmapObj>(bitmap_, platform::gdi::Kind::Bitmap);
  for (int y = 0; b && y < b->height && !alpha_; ++y)
    for (int x = 0; x < b->width; ++x)
      if (b->Row(y)[x * 4 + 3] != 255) {
        alpha_ = true;
        break;
      }
}

Image::~Image() {
  if (bitmap_) DeleteObject(bitmap_);
}

UINT Image::GetWidth() const {
  BITMAP bm;
  return bitmap_ && GetObject(bitmap_, sizeof(bm), &bm) ? static_cast<UINT>(bm.bmWidth) : 0;
}

UINT Image::GetHeight() const {
  BITMAP bm;
  return bitmap_ && GetObject(bitmap_, sizeof(bm), &bm) ? static_cast<UINT>(bm.bmHeight) : 0;
}

UINT Image::GetFlags() const {
  if (!bitmap_) return ImageFlagsNone;
  return ImageFlagsColorSpaceRGB | ImageFlagsHasRealPixelSize | ImageFlagsReadOnly | (alpha_ ? ImageFlagsHasAlpha : 0);
}

Bitmap::Bitmap(INT width, INT height, PixelFormat) {
  bitmap_ = width > 0 && height > 0 ? CreateRgbDibSection(width, height, 32, true) : nullptr;
  status_ = bitmap_ ? Ok : InvalidParameter;
  // New GDI+ bitmaps are fully transparent until drawn on.
  alpha_ = true;
}

Status Bitmap::GetHBITMAP(const Color& background, HBITMAP* out) const {
  if (!out) return InvalidParameter;
  *out = nullptr;
  if (!bitmap_) return status_ == Ok ? GenericError : status_;
  UINT w = GetWidth(), h = GetHeight();
  HBITMAP result = CreateBitmap(static_cast<int>(w), static_cast<int>(h), 1, 32, nullptr);
  if (!result) return OutOfMemory;
  HDC dst = CreateCompatibleDC(nullptr), src = CreateCompatibleDC(nullptr);
  HGDIOBJ o1 = SelectObject(dst, result), o2 = SelectObject(src, bitmap_);
  RECT all{0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
  HBRUSH bg = CreateSolidBrush(background.ToCOLORREF());
  FillRect(dst, &all, bg);
  DeleteObject(bg);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dst, 0, 0, static_cast<int>(w), static_cast<int>(h), src, 0, 0, static_cast<int>(w), static_cast<int>(h),
             blend);
  SelectObject(dst, o1);
  SelectObject(src, o2);
  DeleteDC(dst);
  DeleteDC(src);
  *out = result;
  return Ok;
}

Graphics::Graphics(HDC dc) : dc_(dc) { status_ = dc ? Ok : InvalidParameter; }

Graphics::Graphics(Image* image) {
  if (!image || !image->Pixels()) {
    status_ = InvalidParameter;
    return;
  }
  dc_ = CreateCompatibleDC(nullptr);
  ownsDc_ = true;
  old_ = SelectObject(dc_, image->Pixels());
  if (!old_) status_ = ObjectBusy;  // the bitmap is selected elsewhere
}

Graphics::~Graphics() {
  if (ownsDc_) {
    if (old_) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
}

Status Graphics::Clear(const Color& color) {
  if (status_ != Ok) return status_;
  auto d = platform::gdi::LookupDc(dc_);
  if (!d || !d->Target()) return InvalidParameter;
  platform::gdi::BitmapObj* t = d->Target();
  RECT box;
  GetClipBox(dc_, &box);
  HBRUSH b = CreateSolidBrush(color.ToCOLORREF());
  FillRect(dc_, &box, b);
  DeleteObject(b);
  if (t->dib && t->bpp == 32) {  // keep the alpha of a GDI+ bitmap in step
    for (int y = std::max<int>(0, box.top); y < std::min<int>(t->height, box.bottom); ++y)
      for (int x = std::max<int>(0, box.left); x < std::min<int>(t->width, box.right); ++x)
        t->Row(y)[x * 4 + 3] = color.GetA();
  }
  return Ok;
}

Status Graphics::DrawImage(Image* image, INT x, INT y, INT width, INT height) {
  if (status_ != Ok) return status_;
  if (!image || !image->Pixels() || width <= 0 || height <= 0) return InvalidParameter;
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src, image->Pixels());
  if (!old) {
    DeleteDC(src);
    return ObjectBusy;
  }
  int w = static_cast<int>(image->GetWidth()), h = static_cast<int>(image->GetHeight());
  int oldMode = SetStretchBltMode(dc_, HALFTONE);
  BOOL ok;
  if (image->GetFlags() & ImageFlagsHasAlpha) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ok = AlphaBlend(dc_, x, y, width, height, src, 0, 0, w, h, blend);
  } else {
    ok = StretchBlt(dc_, x, y, width, height, src, 0, 0, w, h, SRCCOPY);
  }
  SetStretchBltMode(dc_, oldMode);
  SelectObject(src, old);
  DeleteDC(src);
  return ok ? Ok : GenericError;
}

Status Graphics::DrawImage(Image* image, INT x, INT y) {
  if (!image) return InvalidParameter;
  return DrawImage(image, x, y, static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()));
}

}  // namespace Gdiplus
