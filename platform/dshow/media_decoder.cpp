#include <algorithm>
#include <atomic>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include "platform/com/out_param.h"
#include "platform/dshow/av_decoder.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/transform_filter.h"

namespace platform::dshow {

namespace {

struct ParamsFree {
  void operator()(AVCodecParameters* par) const { avcodec_parameters_free(&par); }
};
using ParamsPtr = std::unique_ptr<AVCodecParameters, ParamsFree>;

ParamsPtr ParamsOf(const AM_MEDIA_TYPE& mt) {
  ParamsPtr par(avcodec_parameters_alloc());
  if (!par || !ReadCompressedType(mt, par.get())) return nullptr;
  return par;
}

bool IsPlanar420(AVPixelFormat f) {
  return f == AV_PIX_FMT_YUV420P || f == AV_PIX_FMT_YUVJ420P || f == AV_PIX_FMT_NV12 || f == AV_PIX_FMT_NV21;
}
bool Is422(AVPixelFormat f) {
  return f == AV_PIX_FMT_YUV422P || f == AV_PIX_FMT_YUVJ422P || f == AV_PIX_FMT_YUYV422 || f == AV_PIX_FMT_UYVY422 ||
         f == AV_PIX_FMT_YUV411P;
}

CMediaType DecodedVideoType(const GUID& subtype, int width, int height, REFERENCE_TIME frame) {
  if (subtype != MEDIASUBTYPE_YV12) return MakeVideoType(subtype, width, height, frame);
  CMediaType mt = MakeVideoType(MEDIASUBTYPE_YUY2, width, height, frame);
  auto vih = *mt.Format<VIDEOINFOHEADER>();
  mt.subtype = MEDIASUBTYPE_YV12;
  vih.bmiHeader.biBitCount = 12;
  vih.bmiHeader.biCompression = MakeFourCC('Y', 'V', '1', '2');
  vih.bmiHeader.biSizeImage = static_cast<DWORD>(width * height * 3 / 2);
  mt.lSampleSize = vih.bmiHeader.biSizeImage;
  mt.SetFormat(FORMAT_VideoInfo, vih);
  return mt;
}

// Decodes the compressed streams of the file source: pictures as YV12, YUY2 or RGB32, sound as
// 16-bit PCM at the stream's own rate and channels, or else as 44.1 kHz stereo.
// Told that the graph wants only its first picture, it hands out a key picture at once.
class MediaDecoder : public CTransformFilter, public IFirstPictureSource {
 public:
  MediaDecoder()
      : CTransformFilter(CLSID_MediaDecoder, "Media Decoder",
                         {TypePattern(MEDIATYPE_Video), TypePattern(MEDIATYPE_Audio)}) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)

  STDMETHODIMP ReadForFirstPictureOnly() override {
    std::lock_guard lock(mutex_);
    decoder_.WantFirstPictureOnly();
    return S_OK;
  }

  HRESULT CheckInputType(const CMediaType& mt) override {
    ParamsPtr par = ParamsOf(mt);
    if (!par || !avcodec_find_decoder(par->codec_id)) return VFW_E_TYPE_NOT_ACCEPTED;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO && (par->width <= 0 || par->height <= 0)) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
  }

  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    ParamsPtr par = ParamsOf(in);
    if (!par) return {};
    if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
      const int channels = std::clamp(par->ch_layout.nb_channels, 1, 8);
      const int rate = par->sample_rate > 0 ? par->sample_rate : 48000;
      std::vector<CMediaType> types = {MakeAudioType(static_cast<WORD>(channels), static_cast<DWORD>(rate), 16)};
      // CD audio as well, for writers that take nothing else.
      if (channels != 2 || rate != 44100) types.push_back(MakeAudioType(2, 44100, 16));
      return types;
    }
    const int w = par->width, h = par->height;
    REFERENCE_TIME frame = 400000;
    if (const auto rate = FrameRateOf(in); rate.num > 0 && rate.den > 0) frame = av_rescale(UNITS, rate.den, rate.num);
    std::vector<CMediaType> types;
    const auto format = static_cast<AVPixelFormat>(par->format);
    const bool even = w % 2 == 0 && h % 2 == 0;
    if (even && IsPlanar420(format)) types.push_back(DecodedVideoType(MEDIASUBTYPE_YV12, w, h, frame));
    if (even && Is422(format)) types.push_back(DecodedVideoType(MEDIASUBTYPE_YUY2, w, h, frame));
    types.push_back(DecodedVideoType(MEDIASUBTYPE_RGB32, w, h, frame));
    return types;
  }

  void Receive(CBaseInputPin*, const MediaSample& sample) override {
    std::lock_guard lock(mutex_);
    if (!Open()) return;
    decoder_.Decode(sample, Output()->ConnectedType(), [this](MediaSample& out) { Deliver(out); });
  }

  void EndOfStream(CBaseInputPin*) override {
    {
      std::lock_guard lock(mutex_);
      if (decoder_.IsOpen()) decoder_.Flush(Output()->ConnectedType(), [this](MediaSample& out) { Deliver(out); });
    }
    Output()->DeliverEndOfStream();
  }

  long long Pictures() const { return pictures_.load(); }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = Offer<IFirstPictureSource>(this, riid)) return p;
    return CTransformFilter::GetFilterInterface(riid);
  }

  void OnStop() override {
    std::lock_guard lock(mutex_);
    failed_ = false;
    decoder_.Close();
    pictures_ = 0;
  }

 private:
  static AVRational FrameRateOf(const CMediaType& in) {
    AVRational rate{0, 1};
    CompressedFrameRate(in, &rate.num, &rate.den);
    return rate;
  }

  bool Open() {
    if (decoder_.IsOpen()) return true;
    if (failed_) return false;
    ParamsPtr par = ParamsOf(Input()->ConnectedType());
    failed_ = !par || !decoder_.Open(par.get(), false);
    return !failed_;
  }

  void Deliver(MediaSample& out) {
    Output()->Deliver(out);
    if (Output()->ConnectedType().majortype == MEDIATYPE_Video) ++pictures_;
  }

  std::mutex mutex_;
  AvDecoder decoder_;
  bool failed_ = false;
  std::atomic<long long> pictures_{0};
};

}  // namespace

long long PicturesDelivered(CBaseFilter* filter) {
  auto* decoder = dynamic_cast<MediaDecoder*>(filter);
  return decoder ? decoder->Pictures() : -1;
}

HRESULT CreateMediaDecoder(REFIID riid, void** ppv) { return com::HandOver(new MediaDecoder, riid, ppv); }

}  // namespace platform::dshow
