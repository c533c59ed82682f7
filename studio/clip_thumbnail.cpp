#include "clip_thumbnail.h"

#include <cstring>

#include "mpegdec/video_decoder.h"
#include "platform/base/strings.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/window/paint.h"
#include "platform/filters/filter_classes.h"
#include "platform/gdi/gdiplus.h"
#include "thumbs/thumbnail_grabber.h"

namespace studio {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kHeadersSize = kFileHeaderSize + sizeof(BITMAPINFOHEADER);

bool OneOf(const std::string& extension, std::initializer_list<const char*> known) {
  for (const char* k : known)
    if (platform::EqualsNoCase(extension, k)) return true;
  return false;
}

HBITMAP NewThumbnailBitmap(HDC* memory) {
  HDC screen = ::GetDC(nullptr);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, kThumbWidth, kThumbHeight);
  *memory = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  return bitmap;
}

HBITMAP MpegThumbnail(const std::string& path) {
  // The picture comes at the thumbnail's size, averaged down from its planes as the HALFTONE
  // shrink of the full bitmap would: converting the whole picture first cost a third of the time.
  thread_local ::MpegThumbnail picture;
  if (DecodeMpegThumbnailSized(path.c_str(), picture, kThumbWidth, kThumbHeight) != 1) return nullptr;
  return ThumbnailFromBitmapImage(picture.bitmap);
}

}  // namespace

RECT FitIntoThumbnail(int width, int height) {
  const int w = width < 1 ? 1 : width, h = height < 1 ? 1 : height;
  const long long r = static_cast<long long>(w) * 100 / h;
  const long long boxRatio = kThumbWidth * 100 / kThumbHeight;
  int fitW, fitH;
  if (r > boxRatio) {
    fitW = w < kThumbWidth ? w : kThumbWidth;
    fitH = static_cast<int>((fitW * 100LL * 2 + r) / (2 * r));
  } else {
    fitH = h < kThumbHeight ? h : kThumbHeight;
    fitW = static_cast<int>((fitH * r + 50) / 100);
  }
  if (fitW < 1) fitW = 1;
  if (fitH < 1) fitH = 1;
  const int x = kThumbWidth / 2 - fitW / 2, y = kThumbHeight / 2 - fitH / 2;
  return RECT{x, y, x + fitW, y + fitH};
}

HBITMAP ThumbnailFromBitmapImage(const std::vector<uint8_t>& image) {
  if (image.size() < kHeadersSize) return nullptr;
  BITMAPINFOHEADER header;
  std::memcpy(&header, image.data() + kFileHeaderSize, sizeof(header));
  const long long width = header.biWidth, height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (header.biBitCount != 24 || header.biPlanes != 1 || width < 1 || height < 1) return nullptr;
  // Rows are padded to four bytes; a header promising more than the buffer holds is refused.
  const long long stride = (width * 3 + 3) / 4 * 4;
  if (stride * height > static_cast<long long>(image.size() - kHeadersSize)) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader = header;
  info.bmiHeader.biCompression = BI_RGB;
  HDC memory = nullptr;
  HBITMAP thumb = NewThumbnailBitmap(&memory);
  HGDIOBJ old = ::SelectObject(memory, thumb);
  ::SetStretchBltMode(memory, HALFTONE);
  ::StretchDIBits(memory, 0, 0, kThumbWidth, kThumbHeight, 0, 0, static_cast<int>(width), static_cast<int>(height),
                  image.data() + kHeadersSize, &info, DIB_RGB_COLORS, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  return thumb;
}

HBITMAP PictureThumbnail(const std::string& path) {
  Gdiplus::Image picture(path);
  if (picture.GetLastStatus() != Gdiplus::Ok || picture.GetFlags() == 0) return nullptr;
  Gdiplus::Bitmap box(kThumbWidth, kThumbHeight, Gdiplus::PixelFormat24bppRGB);
  {
    Gdiplus::Graphics graphics(&box);
    graphics.Clear(Gdiplus::Color(255, 0, 0, 0));
    const RECT fit = FitIntoThumbnail(static_cast<int>(picture.GetWidth()), static_cast<int>(picture.GetHeight()));
    if (graphics.DrawImage(&picture, fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top) != Gdiplus::Ok)
      return nullptr;
  }
  HBITMAP out = nullptr;
  if (box.GetHBITMAP(Gdiplus::Color(255, 0, 0, 0), &out) != Gdiplus::Ok) return nullptr;
  return out;
}

int GrabFrameThumbnail(const std::string& path, HBITMAP* out, int width, int height) {
  CThumbnailGrabber grabber;
  // A failed open leaves nothing to grab, so the grab reports it.
  grabber.OpenByRendering(path);
  return grabber.GrabFrame(out, width, height);
}

ThumbnailResult MakeClipThumbnail(const std::string& path, const std::string& extension, HBITMAP* out) {
  *out = nullptr;
  if (OneOf(extension, {".mpg", ".mpeg", ".mpv", ".m1v"})) {
    *out = MpegThumbnail(path);
    if (!*out) GrabFrameThumbnail(path, out, kThumbWidth, kThumbHeight);
  } else if (OneOf(extension, {".bmp", ".jpeg", ".jpg", ".gif", ".png"})) {
    *out = PictureThumbnail(path);
  } else if (OneOf(extension, {".m2ts", ".mts", ".wmv", ".avi", ".asf"})) {
    GrabFrameThumbnail(path, out, kThumbWidth, kThumbHeight);
  } else if (OneOf(extension, {".mov", ".mp4"})) {
    CThumbnailGrabber grabber;
    const int opened = grabber.OpenWithSourceFilter(path);
    if (opened == -1) return ThumbnailResult::kQuickTimeMissing;
    if (opened == 1) grabber.GrabFrame(out, kThumbWidth, kThumbHeight);
  }
  return *out ? ThumbnailResult::kMade : ThumbnailResult::kFailed;
}

}  // namespace studio
