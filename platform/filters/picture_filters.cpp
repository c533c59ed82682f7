#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/com/out_param.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/maker_interfaces.h"
#include "platform/filters/small_filters.h"
#include "platform/dshow/spare_picture.h"
#include "platform/media/scaler.h"

namespace platform::filters {
namespace {

using dshow::CTransformFilter;
using dshow::MediaSample;
using dshow::TypePattern;

std::vector<CMediaType> Uncompressed(bool withYv12) {
  std::vector<CMediaType> types;
  for (const GUID& sub : {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32})
    types.push_back(TypePattern(MEDIATYPE_Video, sub));
  if (withYv12) types.push_back(TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_YV12));
  return types;
}

struct Geometry {
  int width = 0, height = 0, bytes = 2;
  REFERENCE_TIME frame = 333667;
  bool rgb = false;
};

Geometry GeometryOf(const CMediaType& mt) {
  Geometry g;
  if (const auto* vih = mt.Format<VIDEOINFOHEADER>()) {
    g.width = vih->bmiHeader.biWidth;
    g.height = std::abs(vih->bmiHeader.biHeight);
    g.bytes = std::max<int>(vih->bmiHeader.biBitCount / 8, 1);
    g.frame = vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 333667;
  }
  g.rgb = mt.subtype == MEDIASUBTYPE_RGB24 || mt.subtype == MEDIASUBTYPE_RGB32 || mt.subtype == MEDIASUBTYPE_RGB555 ||
          mt.subtype == MEDIASUBTYPE_RGB8 || mt.subtype == MEDIASUBTYPE_ARGB32;
  return g;
}

CMediaType VideoType(const GUID& subtype, int width, int height, REFERENCE_TIME frame) {
  return dshow::MakeVideoType(subtype, width, height, frame);
}

// Blanks the top lines: what a VCR's head switching leaves unusable.
class EraseLine : public CTransformFilter, public IQnEraseLine {
 public:
  EraseLine() : CTransformFilter(CLSID_QnEraseLine, "Erase Line", Uncompressed(false)) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  STDMETHODIMP SetEraseLines(int lines) override {
    if (lines < 0) return E_INVALIDARG;
    lines_ = lines;
    return S_OK;
  }
  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    out = in;
    const Geometry g = GeometryOf(Input()->ConnectedType());
    const std::size_t stride = static_cast<std::size_t>(g.width) * g.bytes;
    const int lines = std::min(lines_.load(), g.height);
    if (out.data.size() < stride * g.height) return S_OK;
    const bool uyvy = Input()->ConnectedType().subtype == MEDIASUBTYPE_UYVY;
    for (int y = 0; y < lines; ++y) {
      // RGB rows are stored bottom-up: the top line is the last row.
      BYTE* row = out.data.data() + stride * static_cast<std::size_t>(g.rgb ? g.height - 1 - y : y);
      if (g.rgb) {
        std::memset(row, 0, stride);
        continue;
      }
      for (std::size_t x = 0; x + 1 < stride; x += 2) {
        row[x + (uyvy ? 1 : 0)] = 16;
        row[x + (uyvy ? 0 : 1)] = 128;
      }
    }
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IQnEraseLine>(this, riid); }

 private:
  std::atomic<int> lines_{0};
};

// Keeps every other line: half the height, the first field.
class DownSampler : public CTransformFilter {
 public:
  DownSampler() : CTransformFilter(CLSID_QnVideoDownSampler, "Qn Video DownSampler", Uncompressed(false)) {}
  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    const Geometry g = GeometryOf(in);
    return {VideoType(in.subtype, g.width, g.height / 2, g.frame)};
  }
  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    const Geometry g = GeometryOf(Input()->ConnectedType());
    const std::size_t stride = static_cast<std::size_t>(g.width) * g.bytes;
    if (in.data.size() < stride * g.height) return S_FALSE;
    out = in;
    const int half = g.height / 2;
    out.data.resize(stride * half);
    for (int y = 0; y < half; ++y)
      std::memcpy(out.data.data() + stride * y, in.data.data() + stride * (2 * static_cast<std::size_t>(y)), stride);
    return S_OK;
  }
};

AVPixelFormat PixelFormatOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_UYVY) return AV_PIX_FMT_UYVY422;
  if (subtype == MEDIASUBTYPE_RGB24) return AV_PIX_FMT_BGR24;
  if (subtype == MEDIASUBTYPE_RGB32) return AV_PIX_FMT_BGRA;
  if (subtype == MEDIASUBTYPE_YV12) return AV_PIX_FMT_YUV420P;
  if (subtype == MEDIASUBTYPE_ARGB32) return AV_PIX_FMT_BGRA;
  if (subtype == MEDIASUBTYPE_RGB555) return AV_PIX_FMT_RGB555LE;
  if (subtype == MEDIASUBTYPE_RGB8) return AV_PIX_FMT_PAL8;
  return AV_PIX_FMT_YUYV422;
}

// What the converter takes: every uncompressed subtype a decoder may deliver.
std::vector<CMediaType> ConverterInputs() {
  std::vector<CMediaType> types = Uncompressed(true);
  for (const GUID& sub : {MEDIASUBTYPE_RGB555, MEDIASUBTYPE_RGB8, MEDIASUBTYPE_ARGB32})
    types.push_back(TypePattern(MEDIATYPE_Video, sub));
  return types;
}

// Every uncompressed subtype to RGB32, which every renderer takes.
class SpaceColorConverter : public CTransformFilter {
 public:
  SpaceColorConverter()
      : CTransformFilter(CLSID_QnSpaceColorConverter, "Qn Space Color Converter", ConverterInputs()) {}
  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    const Geometry g = GeometryOf(in);
    return {dshow::MakeVideoType(MEDIASUBTYPE_RGB32, g.width, g.height, g.frame)};
  }
  // One sample carries every picture: the next of the same size is written over the last, where
  // a fresh sample's buffer cost its pages and a clearing each time (six megabytes a picture of
  // an HDV preview). What receives it copies what it keeps, as a sample lives for the call only.
  void Receive(dshow::CBaseInputPin*, const MediaSample& sample) override {
    std::lock_guard lock(sampleMutex_);
    if (sample_.data.capacity() == 0) sample_.data = dshow::TakeSparePicture(dshow::SparePicture::kConverted);
    if (Transform(sample, sample_) == S_OK) Output()->Deliver(sample_);
  }
  ~SpaceColorConverter() override { dshow::KeepSparePicture(dshow::SparePicture::kConverted, std::move(sample_.data)); }
  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    const CMediaType& mt = Input()->ConnectedType();
    const Geometry g = GeometryOf(mt);
    if (g.width <= 0 || g.height <= 0) return S_FALSE;
    std::lock_guard lock(mutex_);
    if (!scaler_) {
      scaler_ = media::Scaler::Open(PixelFormatOf(mt.subtype), g.width, g.height, AV_PIX_FMT_BGRA, g.width, g.height);
      if (!scaler_) return S_FALSE;
    }
    const bool yv12 = mt.subtype == MEDIASUBTYPE_YV12;
    const std::size_t needed = yv12 ? static_cast<std::size_t>(g.width) * g.height * 3 / 2
                                    : static_cast<std::size_t>(g.width) * g.height * g.bytes;
    if (in.data.size() < needed) return S_FALSE;
    const std::uint8_t* planes[4] = {nullptr, nullptr, nullptr, nullptr};
    int strides[4] = {0, 0, 0, 0};
    std::uint32_t palette[256] = {};
    if (yv12) {
      const std::uint8_t* d = in.data.data();
      const std::size_t luma = static_cast<std::size_t>(g.width) * g.height;
      planes[0] = d, planes[1] = d + luma * 5 / 4, planes[2] = d + luma;
      strides[0] = g.width, strides[1] = strides[2] = g.width / 2;
    } else if (mt.subtype == MEDIASUBTYPE_RGB8) {
      // Eight-bit pictures carry their palette after the header.
      if (mt.cbFormat > sizeof(VIDEOINFOHEADER))
        std::memcpy(palette, mt.pbFormat + sizeof(VIDEOINFOHEADER),
                    std::min<std::size_t>(sizeof palette, mt.cbFormat - sizeof(VIDEOINFOHEADER)));
      const int stride = (g.width + 3) & ~3;
      if (in.data.size() < static_cast<std::size_t>(stride) * g.height) return S_FALSE;
      planes[0] = in.data.data() + static_cast<std::size_t>(stride) * (g.height - 1);
      planes[1] = reinterpret_cast<const std::uint8_t*>(palette);
      strides[0] = -stride;
    } else {
      // RGB pictures are bottom-up DIBs, read from their last row up.
      const int stride = g.width * g.bytes;
      planes[0] = g.rgb ? in.data.data() + static_cast<std::size_t>(stride) * (g.height - 1) : in.data.data();
      strides[0] = g.rgb ? -stride : stride;
    }
    // Straight into the sample, as the bottom-up DIB it carries: no picture in between.
    const std::size_t stride = static_cast<std::size_t>(g.width) * 4;
    out.data.resize(stride * g.height);
    std::uint8_t* target[4] = {out.data.data() + stride * (g.height - 1), nullptr, nullptr, nullptr};
    const int targetStrides[4] = {-static_cast<int>(stride), 0, 0, 0};
    if (!scaler_->ScaleInto(planes, strides, target, targetStrides)) return S_FALSE;
    out.start = in.start, out.stop = in.stop, out.syncPoint = in.syncPoint, out.index = in.index;
    return S_OK;
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<media::Scaler> scaler_;
  std::mutex sampleMutex_;
  MediaSample sample_;
};

}  // namespace

HRESULT CreateEraseLine(REFIID riid, void** ppv) { return com::HandOver(new EraseLine, riid, ppv); }
HRESULT CreateDownSampler(REFIID riid, void** ppv) { return com::HandOver(new DownSampler, riid, ppv); }
HRESULT CreateSpaceColorConverter(REFIID riid, void** ppv) { return com::HandOver(new SpaceColorConverter, riid, ppv); }

}  // namespace platform::filters
