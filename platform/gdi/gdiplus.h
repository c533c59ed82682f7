// The small part of GDI+ the suite uses: start-up, loading a picture from a file and drawing it
// scaled into a bitmap (thumbnails), then handing the result out as an HBITMAP.
#pragma once

#include <memory>
#include <string>

#include "platform/gdi/gdi_types.h"

namespace Gdiplus {

enum Status {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
};

using ARGB = DWORD;
using PixelFormat = INT;
constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;
constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;

// Image flags (GetFlags): 0 means the picture could not be read.
constexpr UINT ImageFlagsNone = 0;
constexpr UINT ImageFlagsHasAlpha = 0x0002;
constexpr UINT ImageFlagsColorSpaceRGB = 0x0010;
constexpr UINT ImageFlagsHasRealPixelSize = 0x2000;
constexpr UINT ImageFlagsReadOnly = 0x00010000;

enum InterpolationMode { InterpolationModeDefault = 0, InterpolationModeHighQualityBicubic = 7 };

class Color {
 public:
  Color() = default;
  Color(BYTE r, BYTE g, BYTE b) : argb_(0xFF000000u | (static_cast<ARGB>(r) << 16) | (g << 8) | b) {}
  Color(BYTE a, BYTE r, BYTE g, BYTE b)
      : argb_((static_cast<ARGB>(a) << 24) | (static_cast<ARGB>(r) << 16) | (g << 8) | b) {}
  ARGB GetValue() const { return argb_; }
  BYTE GetA() const { return static_cast<BYTE>(argb_ >> 24); }
  BYTE GetR() const { return static_cast<BYTE>(argb_ >> 16); }
  BYTE GetG() const { return static_cast<BYTE>(argb_ >> 8); }
  BYTE GetB() const { return static_cast<BYTE>(argb_); }
  COLORREF ToCOLORREF() const { return RGB(GetR(), GetG(), GetB()); }

 private:
  ARGB argb_ = 0xFF000000u;
};

struct GdiplusStartupInput {
  UINT GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
struct GdiplusStartupOutput {
  void* NotificationHook = nullptr;
  void* NotificationUnhook = nullptr;
};

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void GdiplusShutdown(ULONG_PTR token);

class Image {
 public:
  // A picture file (BMP, PNG, JPEG); an unreadable one gives an image whose flags are 0 and
  // whose status is not Ok, as GDI+ does.
  explicit Image(const wchar_t* path);
  explicit Image(const std::string& path);
  static Image* FromFile(const wchar_t* path) { return new Image(path); }
  virtual ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  UINT GetWidth() const;
  UINT GetHeight() const;
  UINT GetFlags() const;
  float GetHorizontalResolution() const { return 96.0f; }
  float GetVerticalResolution() const { return 96.0f; }
  Status GetLastStatus() const { return status_; }
  HBITMAP Pixels() const { return bitmap_; }  // 32-bit, alpha premultiplied

 protected:
  Image() = default;
  HBITMAP bitmap_ = nullptr;
  Status status_ = Ok;
  bool alpha_ = false;
};

class Bitmap : public Image {
 public:
  Bitmap(INT width, INT height, PixelFormat format);
  explicit Bitmap(const wchar_t* path) : Image(path) {}
  Status SetResolution(float, float) { return Ok; }
  // A new device bitmap of the picture over the background colour; the caller deletes it.
  Status GetHBITMAP(const Color& background, HBITMAP* out) const;
};

class Graphics {
 public:
  explicit Graphics(HDC dc);
  explicit Graphics(Image* image);
  static Graphics* FromImage(Image* image) { return new Graphics(image); }
  static Graphics* FromHDC(HDC dc) { return new Graphics(dc); }
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Status Clear(const Color& color);
  // Scales the whole image into the rectangle, blending by its alpha.
  Status DrawImage(Image* image, INT x, INT y, INT width, INT height);
  Status DrawImage(Image* image, INT x, INT y);
  Status SetInterpolationMode(InterpolationMode) { return Ok; }
  Status GetLastStatus() const { return status_; }

 private:
  HDC dc_ = nullptr;
  bool ownsDc_ = false;
  HGDIOBJ old_ = nullptr;
  Status status_ = Ok;
};

}  // namespace Gdiplus
