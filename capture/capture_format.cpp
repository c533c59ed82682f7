// The capture format of CCaptureGraph: a subtype the preview and writers take, and the
// requested size or the nearest one the device offers.
#include <algorithm>

#include "capture/capture_graph.h"
#include "platform/dshow/uuids.h"

namespace {

struct Size {
  long width, height;
};
constexpr Size k480Lines[] = {{720, 480}, {704, 480}, {640, 480}, {480, 480}, {352, 480},
                              {352, 240}, {320, 240}, {176, 144}, {160, 120}};
constexpr Size k576Lines[] = {{720, 576}, {704, 576}, {640, 576}, {640, 480}, {480, 576},
                              {352, 576}, {352, 288}, {320, 240}, {176, 144}, {160, 120}};

// A changed size changes the bytes of every picture: the header and the sample size follow.
void Resize(AM_MEDIA_TYPE* mt, long width, long height) {
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat);
  vih->bmiHeader.biWidth = width;
  vih->bmiHeader.biHeight = height;
  vih->bmiHeader.biSizeImage =
      static_cast<DWORD>(width * std::abs(height) * std::max<int>(vih->bmiHeader.biBitCount, 8) / 8);
  mt->lSampleSize = vih->bmiHeader.biSizeImage;
}

}  // namespace

BOOL CCaptureGraph::SetCaptureFormat(long* width, long* height, BOOL anyWidth) {
  if (!streamConfig_ || !width || !height) return FALSE;
  SetTvFormat(videoStandard_);
  AM_MEDIA_TYPE* mt = nullptr;
  if (FAILED(streamConfig_->GetFormat(&mt)) || !mt) return FALSE;
  if (mt->formattype != FORMAT_VideoInfo || !mt->pbFormat || mt->cbFormat < sizeof(VIDEOINFOHEADER)) {
    DeleteMediaType(mt);
    return FALSE;
  }
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat);
  const GUID oldSubtype = mt->subtype;
  const WORD oldBits = vih->bmiHeader.biBitCount;
  const DWORD oldCompression = vih->bmiHeader.biCompression;
  struct Choice {
    GUID subtype;
    WORD bits;
    DWORD compression;
  };
  const Choice choices[] = {{MEDIASUBTYPE_YUY2, 16, MakeFourCC('Y', 'U', 'Y', '2')},
                            {MEDIASUBTYPE_UYVY, 16, MakeFourCC('U', 'Y', 'V', 'Y')},
                            {MEDIASUBTYPE_RGB24, 24, 0}};
  bool chosen = false;
  for (const Choice& c : choices) {
    mt->subtype = c.subtype;
    vih->bmiHeader.biBitCount = c.bits;
    vih->bmiHeader.biCompression = c.compression;
    Resize(mt, vih->bmiHeader.biWidth, vih->bmiHeader.biHeight);
    if (SUCCEEDED(streamConfig_->SetFormat(mt))) {
      chosen = true;
      break;
    }
  }
  if (!chosen) {
    mt->subtype = oldSubtype;
    vih->bmiHeader.biBitCount = oldBits;
    vih->bmiHeader.biCompression = oldCompression;
    Resize(mt, vih->bmiHeader.biWidth, vih->bmiHeader.biHeight);
  }
  Resize(mt, *width, *height);
  if (FAILED(streamConfig_->SetFormat(mt))) {
    const bool lines480 = (videoStandard_ & (0x1 | 0x2 | 0x4 | 0x200)) != 0;
    const Size* table = lines480 ? k480Lines : k576Lines;
    const int rows = lines480 ? static_cast<int>(std::size(k480Lines)) : static_cast<int>(std::size(k576Lines));
    int start = 0;
    for (int i = 0; i < rows; ++i)
      if (table[i].height == *height && (anyWidth || table[i].width == *width)) {
        start = i;
        break;
      }
    for (int i = start; i < rows; ++i) {
      Resize(mt, table[i].width, table[i].height);
      if (SUCCEEDED(streamConfig_->SetFormat(mt))) break;
    }
  }
  DeleteMediaType(mt);
  mt = nullptr;
  if (FAILED(streamConfig_->GetFormat(&mt)) || !mt) return FALSE;
  if (const auto* actual = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
      actual && mt->cbFormat >= sizeof(VIDEOINFOHEADER)) {
    *width = actual->bmiHeader.biWidth;
    *height = std::abs(actual->bmiHeader.biHeight);
  }
  DeleteMediaType(mt);
  downSamplerOn_ = *height >= 480;
  return TRUE;
}

BOOL CCaptureGraph::ChangeCaptureFormat(long* width, long* height, BOOL anyWidth) {
  if (!videoCapture_ || !streamConfig_ || interleaved_ || !StopCapture()) return FALSE;
  SetCaptureFormat(width, height, anyWidth);
  return TRUE;
}
