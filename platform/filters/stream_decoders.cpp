// "Qn MPEG Video Decoder" and "Qn Audio Decoder": the layer's decoder on mpeg2video to YV12 or
// YUY2 pictures and MPEG audio to 48 kHz 16-bit stereo PCM, from elementary-stream samples of any cut.
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/com/out_param.h"
#include "platform/dshow/av_decoder.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"

namespace platform::filters {
namespace {

using dshow::CTransformFilter;
using dshow::MediaSample;
using dshow::TypePattern;

// Picture size of an MPEG2VIDEOINFO or VIDEOINFOHEADER input.
void InputSize(const CMediaType& mt, LONG* width, LONG* height) {
  *width = 1440;
  *height = 1080;
  if (mt.formattype == FORMAT_MPEG2Video && mt.cbFormat >= 84) {
    std::memcpy(width, mt.pbFormat + 76, 4);
    std::memcpy(height, mt.pbFormat + 80, 4);
  } else if (const auto* vih = mt.Format<VIDEOINFOHEADER>(); vih && mt.formattype == FORMAT_VideoInfo) {
    *width = vih->bmiHeader.biWidth;
    *height = std::abs(vih->bmiHeader.biHeight);
  }
}

class MpegVideoDecoder : public CTransformFilter, public IQnVideoDecoderOption {
 public:
  MpegVideoDecoder()
      : CTransformFilter(CLSID_QnMpegVideoDecoder, "Qn MPEG Video Decoder",
                         {TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO)}) {
    decoder_.Open(AV_CODEC_ID_MPEG2VIDEO, true);
  }
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    LONG w, h;
    InputSize(in, &w, &h);
    // YUY2 first, as every road has taken it; YV12 for a graph that asks for the codec's own planes
    // and so spares a full-size conversion to YUY2 and back.
    const CMediaType yuy2 = dshow::MakeVideoType(MEDIASUBTYPE_YUY2, w, h, 333667);
    if (w % 2 || h % 2) return {yuy2};
    return {yuy2, dshow::MakeVideoType(MEDIASUBTYPE_YV12, w, h, 333667)};
  }
  void Receive(dshow::CBaseInputPin*, const MediaSample& in) override {
    std::lock_guard lock(mutex_);
    decoder_.Decode(in, Output()->ConnectedType(), [this](MediaSample& out) { Output()->Deliver(out); });
  }
  STDMETHODIMP Reserved3() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved12() override { return E_NOTIMPL; }
  STDMETHODIMP SetOption(const int* value) override { return value ? S_OK : E_POINTER; }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IQnVideoDecoderOption>(this, riid); }
  void OnStop() override {
    std::lock_guard lock(mutex_);
    decoder_.Reset();
  }

 private:
  std::mutex mutex_;
  dshow::AvDecoder decoder_;
};

class MpegAudioDecoder : public CTransformFilter {
 public:
  MpegAudioDecoder()
      : CTransformFilter(CLSID_QnAudioDecoder, "Qn Audio Decoder",
                         {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_AUDIO)}) {
    decoder_.Open(AV_CODEC_ID_MP2, true);
  }
  std::vector<CMediaType> OutputTypes(const CMediaType&) override { return {dshow::MakeAudioType(2, 48000, 16)}; }
  void Receive(dshow::CBaseInputPin*, const MediaSample& in) override {
    std::lock_guard lock(mutex_);
    decoder_.Decode(in, Output()->ConnectedType(), [this](MediaSample& out) { Output()->Deliver(out); });
  }

 protected:
  void OnStop() override {
    std::lock_guard lock(mutex_);
    decoder_.Reset();
  }

 private:
  std::mutex mutex_;
  dshow::AvDecoder decoder_;
};

}  // namespace

HRESULT CreateMpegVideoDecoder(REFIID riid, void** ppv) { return com::HandOver(new MpegVideoDecoder, riid, ppv); }
HRESULT CreateMpegAudioDecoder(REFIID riid, void** ppv) { return com::HandOver(new MpegAudioDecoder, riid, ppv); }

}  // namespace platform::filters
