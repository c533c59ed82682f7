#include <algorithm>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include "platform/com/out_param.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/transform_filter.h"
#include "platform/media/resampler.h"
#include "platform/media/scaler.h"

namespace platform::dshow {

namespace {

struct CodecClose {
  void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
struct ParamsFree {
  void operator()(AVCodecParameters* par) const { avcodec_parameters_free(&par); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecClose>;
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
class MediaDecoder : public CTransformFilter {
 public:
  MediaDecoder()
      : CTransformFilter(CLSID_MediaDecoder, "Media Decoder",
                         {TypePattern(MEDIATYPE_Video), TypePattern(MEDIATYPE_Audio)}) {}

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
    media::PacketPtr packet = media::MakePacket();
    if (!packet || av_new_packet(packet.get(), static_cast<int>(sample.data.size())) < 0) return;
    if (!sample.data.empty()) std::memcpy(packet->data, sample.data.data(), sample.data.size());
    packet->pts = sample.start >= 0 ? sample.start : AV_NOPTS_VALUE;
    if (sample.syncPoint) packet->flags |= AV_PKT_FLAG_KEY;
    // A damaged packet is skipped; the stream goes on with the next.
    if (avcodec_send_packet(codec_.get(), packet.get()) == AVERROR(EAGAIN)) {
      Drain();
      avcodec_send_packet(codec_.get(), packet.get());
    }
    Drain();
  }

  void EndOfStream(CBaseInputPin*) override {
    {
      std::lock_guard lock(mutex_);
      if (codec_ && avcodec_send_packet(codec_.get(), nullptr) >= 0) Drain();
    }
    Output()->DeliverEndOfStream();
  }

  long long Pictures() const { return pictures_.load(); }

 protected:
  void OnStop() override {
    std::lock_guard lock(mutex_);
    failed_ = false;
    codec_.reset();
    scaler_.reset();
    resampler_.reset();
    pictures_ = 0;
  }

 private:
  static AVRational FrameRateOf(const CMediaType& in) {
    AVRational rate{0, 1};
    CompressedFrameRate(in, &rate.num, &rate.den);
    return rate;
  }

  bool Open() {
    if (codec_) return true;
    if (failed_) return false;
    ParamsPtr par = ParamsOf(Input()->ConnectedType());
    const AVCodec* decoder = par ? avcodec_find_decoder(par->codec_id) : nullptr;
    CodecPtr ctx(decoder ? avcodec_alloc_context3(decoder) : nullptr);
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par.get()) < 0) {
      failed_ = true;
      return false;
    }
    ctx->pkt_timebase = AVRational{1, static_cast<int>(UNITS)};
    ctx->thread_type = FF_THREAD_SLICE;
    if (avcodec_open2(ctx.get(), decoder, nullptr) < 0) {
      failed_ = true;
      return false;
    }
    codec_ = std::move(ctx);
    return true;
  }

  void Drain() {
    media::FramePtr frame(av_frame_alloc());
    if (!frame) return;
    while (avcodec_receive_frame(codec_.get(), frame.get()) >= 0) {
      MediaSample out;
      const std::int64_t pts = frame->best_effort_timestamp;
      out.start = pts == AV_NOPTS_VALUE ? 0 : pts;
      const bool ok =
          codec_->codec_type == AVMEDIA_TYPE_VIDEO ? ConvertPicture(*frame, out) : ConvertSound(*frame, out);
      av_frame_unref(frame.get());
      if (!ok) continue;
      out.index = delivered_++;
      Output()->Deliver(out);
      if (codec_->codec_type == AVMEDIA_TYPE_VIDEO) ++pictures_;
    }
  }

  bool ConvertPicture(const AVFrame& frame, MediaSample& out) {
    const CMediaType& mt = Output()->ConnectedType();
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    if (!vih) return false;
    const int w = vih->bmiHeader.biWidth, h = std::abs(vih->bmiHeader.biHeight);
    const AVPixelFormat target = mt.subtype == MEDIASUBTYPE_YV12   ? AV_PIX_FMT_YUV420P
                                 : mt.subtype == MEDIASUBTYPE_YUY2 ? AV_PIX_FMT_YUYV422
                                                                   : AV_PIX_FMT_BGRA;
    const auto from = static_cast<AVPixelFormat>(frame.format);
    const AVFrame* source = &frame;
    // Pictures already in the delivered layout are copied as they are.
    const bool direct = from == target && frame.width == w && frame.height == h;
    if (!direct) {
      if (!scaler_ || from != scaledFrom_ || frame.width != scaledWidth_ || frame.height != scaledHeight_) {
        scaler_ = media::Scaler::Open(from, frame.width, frame.height, target, w, h);
        picture_ = media::MakeVideoFrame(target, w, h);
        scaledFrom_ = from, scaledWidth_ = frame.width, scaledHeight_ = frame.height;
      }
      if (!scaler_ || !picture_ || !scaler_->Scale(frame.data, frame.linesize, picture_.get())) return false;
      source = picture_.get();
    }
    const AVFrame& p = *source;
    const std::size_t size = target == AV_PIX_FMT_YUV420P
                                 ? static_cast<std::size_t>(w) * h * 3 / 2
                                 : static_cast<std::size_t>(w) * h * (target == AV_PIX_FMT_BGRA ? 4 : 2);
    out.data.resize(size);
    std::size_t at = 0;
    const auto rows = [&out, &at](const std::uint8_t* src, int stride, int bytes, int lines, bool bottomUp) {
      for (int y = 0; y < lines; ++y)
        std::memcpy(out.data.data() + at + static_cast<std::size_t>(bytes) * (bottomUp ? lines - 1 - y : y),
                    src + static_cast<std::ptrdiff_t>(stride) * y, bytes);
      at += static_cast<std::size_t>(bytes) * lines;
    };
    if (target == AV_PIX_FMT_YUV420P) {
      rows(p.data[0], p.linesize[0], w, h, false);
      rows(p.data[2], p.linesize[2], w / 2, h / 2, false);  // YV12 keeps V before U
      rows(p.data[1], p.linesize[1], w / 2, h / 2, false);
    } else {
      rows(p.data[0], p.linesize[0], w * (target == AV_PIX_FMT_BGRA ? 4 : 2), h, target == AV_PIX_FMT_BGRA);
    }
    out.stop = out.start + (vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 1);
    return true;
  }

  bool ConvertSound(const AVFrame& frame, MediaSample& out) {
    const auto* wfx = Output()->ConnectedType().Format<WAVEFORMATEX>();
    if (!wfx || frame.nb_samples <= 0) return false;
    const int channels = wfx->nChannels;
    if (!resampler_)
      resampler_ =
          media::Resampler::Open(static_cast<AVSampleFormat>(frame.format), frame.ch_layout.nb_channels,
                                 frame.sample_rate, AV_SAMPLE_FMT_S16, channels, static_cast<int>(wfx->nSamplesPerSec));
    if (!resampler_) return false;
    const int room = resampler_->OutputRoom(frame.nb_samples);
    out.data.resize(static_cast<std::size_t>(room) * channels * 2);
    std::uint8_t* planes[1] = {out.data.data()};
    const int made = resampler_->Convert(frame.extended_data, frame.nb_samples, planes, room);
    if (made <= 0) return false;
    out.data.resize(static_cast<std::size_t>(made) * channels * 2);
    out.stop = out.start + av_rescale(made, UNITS, wfx->nSamplesPerSec);
    return true;
  }

  std::mutex mutex_;
  CodecPtr codec_;
  bool failed_ = false;
  std::unique_ptr<media::Scaler> scaler_;
  media::FramePtr picture_;
  AVPixelFormat scaledFrom_ = AV_PIX_FMT_NONE;
  int scaledWidth_ = 0, scaledHeight_ = 0;
  std::unique_ptr<media::Resampler> resampler_;
  long long delivered_ = 0;
  std::atomic<long long> pictures_{0};
};

}  // namespace

long long PicturesDelivered(CBaseFilter* filter) {
  auto* decoder = dynamic_cast<MediaDecoder*>(filter);
  return decoder ? decoder->Pictures() : -1;
}

HRESULT CreateMediaDecoder(REFIID riid, void** ppv) { return com::HandOver(new MediaDecoder, riid, ppv); }

}  // namespace platform::dshow
