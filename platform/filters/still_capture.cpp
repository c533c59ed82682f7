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
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)

  STDMETHODIMP GetFrame(HBITMAP* out, int width, int height) override {
    if (!out) return E_POINTER;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (frame_.empty()) return E_FAIL;
    const int fromWidth = width_, fromHeight = height_, bytes = bytes_;
    auto scaler = media::Scaler::Open(bytes == 4 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24, fromWidth, fromHeight,
                                      AV_PIX_FMT_BGR24, width, height, media::Scaler::Filter::Area);
    media::FramePtr scaled = media::MakeVideoFrame(AV_PIX_FMT_BGR24, width, height);
    // The held picture is a bottom-up DIB: read it from its last row up.
    if (!scaler || !scaled || !scaler->ScalePacked(frame_.data(), -fromWidth * bytes, scaled.get())) return E_FAIL;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return E_OUTOFMEMORY;
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    for (int y = 0; y < height; ++y)
      std::memcpy(static_cast<BYTE*>(bits) + stride * (height - 1 - y), scaled->data[0] + scaled->linesize[0] * y,
                  static_cast<std::size_t>(width) * 3);
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
    frame_.assign(sample.data.begin(), sample.data.begin() + static_cast<std::ptrdiff_t>(w) * h * bytes);
    width_ = w, height_ = h, bytes_ = bytes;
  }

 private:
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
