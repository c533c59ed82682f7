#include "platform/filters/still_capture.h"

#include <cstring>
#include <mutex>
#include <string_view>

extern "C" {
#include <libavformat/avformat.h>
}

#include "platform/com/out_param.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/transform_filter.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/dshow/spare_picture.h"
#include "platform/media/scaler.h"

namespace platform::filters {
namespace {

using dshow::MediaSample;
using dshow::TypePattern;

class StillCapture : public dshow::CRendererFilter, public IFrameGrab {
 public:
  StillCapture()
      : CRendererFilter(
            CLSID_QnStillCapture, "Still Capture",
            {TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_RGB32), TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)},
            "Input") {}
  ~StillCapture() override { dshow::KeepSparePicture(dshow::SparePicture::kHeld, std::move(frame_)); }
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)

  STDMETHODIMP GetFrame(HBITMAP* out, int width, int height) override {
    if (!out) return E_POINTER;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (frame_.empty()) return E_FAIL;
    void* bits = nullptr;
    HBITMAP bitmap = CreateRgbDibSection(width, height, 24, false, &bits);
    if (!bitmap || !bits) return E_OUTOFMEMORY;
    // A thumbnail averages the held picture's pixels in boxes, read where they lie; other sizes
    // go through the scaler.
    const bool rowsAsDib = bytes_ == 4 || (width_ * 3) % 4 == 0;
    const bool shrink = width <= width_ && height <= height_ && rowsAsDib;
    if (!(shrink ? ShrinkInto(bitmap, width, height) : ScaleInto(static_cast<BYTE*>(bits), width, height))) {
      DeleteObject(bitmap);
      return E_FAIL;
    }
    *out = bitmap;
    return S_OK;
  }
  STDMETHODIMP IsFrameReady() override {
    std::lock_guard lock(mutex_);
    return frame_.empty() ? S_FALSE : S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IFrameGrab>(this, riid)) return p;
    return CRendererFilter::GetFilterInterface(riid);
  }
  void Render(const MediaSample& sample) override {
    const CMediaType& mt = Input()->ConnectedType();
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    if (!vih) return;
    const int w = vih->bmiHeader.biWidth, h = std::abs(vih->bmiHeader.biHeight);
    const int bytes = mt.subtype == MEDIASUBTYPE_RGB32 ? 4 : 3;
    if (w <= 0 || h <= 0 || sample.data.size() < static_cast<std::size_t>(w) * h * bytes) return;
    std::lock_guard lock(mutex_);
    if (frame_.capacity() == 0) frame_ = dshow::TakeSparePicture(dshow::SparePicture::kHeld);
    frame_.assign(sample.data.begin(), sample.data.begin() + static_cast<std::ptrdiff_t>(w) * h * bytes);
    width_ = w, height_ = h, bytes_ = bytes;
  }

 private:
  // HALFTONE's means of the held bottom-up DIB, into the bitmap.
  bool ShrinkInto(HBITMAP bitmap, int width, int height) {
    BITMAPINFO held{};
    held.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    held.bmiHeader.biWidth = width_;
    held.bmiHeader.biHeight = height_;
    held.bmiHeader.biPlanes = 1;
    held.bmiHeader.biBitCount = static_cast<WORD>(bytes_ * 8);
    held.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HGDIOBJ old = SelectObject(dc, bitmap);
    SetStretchBltMode(dc, HALFTONE);
    const int lines =
        StretchDIBits(dc, 0, 0, width, height, 0, 0, width_, height_, frame_.data(), &held, DIB_RGB_COLORS, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    return lines > 0;
  }
  // The scaler's area filter into the bitmap's bottom-up rows.
  bool ScaleInto(BYTE* bits, int width, int height) {
    auto scaler = media::Scaler::Open(bytes_ == 4 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24, width_, height_,
                                      AV_PIX_FMT_BGR24, width, height, media::Scaler::Filter::Area);
    if (!scaler) return false;
    const int fromStride = width_ * bytes_;
    const std::uint8_t* planes[4] = {frame_.data() + static_cast<std::size_t>(fromStride) * (height_ - 1), nullptr,
                                     nullptr, nullptr};
    const int strides[4] = {-fromStride, 0, 0, 0};
    const int stride = (width * 3 + 3) & ~3;
    std::uint8_t* target[4] = {bits + static_cast<std::size_t>(stride) * (height - 1), nullptr, nullptr, nullptr};
    const int targetStrides[4] = {-stride, 0, 0, 0};
    return scaler->ScaleInto(planes, strides, target, targetStrides);
  }

  std::mutex mutex_;
  std::vector<BYTE> frame_;
  int width_ = 0, height_ = 0, bytes_ = 4;
};

// QuickTime's own family, told by the content: the MOV/MP4 demuxer.
bool IsQuickTimeFile(const AVInputFormat& format) {
  return format.name && std::string_view(format.name).find("mov") != std::string_view::npos;
}

}  // namespace

HRESULT CreateStillCapture(REFIID riid, void** ppv) { return com::HandOver(new StillCapture, riid, ppv); }

HRESULT CreateQtSource(REFIID riid, void** ppv) {
  return dshow::CreateMediaFileSource(CLSID_QTSource, "QT Source", IsQuickTimeFile, riid, ppv);
}

}  // namespace platform::filters
