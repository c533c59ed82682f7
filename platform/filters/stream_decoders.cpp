// "Qn MPEG Video Decoder" and "Qn Audio Decoder": libavcodec mpeg2video to YUY2 pictures and
// MPEG audio to 48 kHz 16-bit stereo PCM, from elementary-stream samples of any cut (a parser
// finds the frames), stamped with the stream's times.
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/com/out_param.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"
#include "platform/media/av_types.h"
#include "platform/media/resampler.h"
#include "platform/media/scaler.h"

namespace platform::filters {
namespace {

using dshow::CTransformFilter;
using dshow::MediaSample;
using dshow::TypePattern;

constexpr REFERENCE_TIME kNoTime = -1;

// A libavcodec decoder behind a parser; frames come out through the callback.
class ParsedDecoder {
 public:
  explicit ParsedDecoder(AVCodecID id) {
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec) return;
    context_ = avcodec_alloc_context3(codec);
    parser_ = av_parser_init(id);
    if (context_ && avcodec_open2(context_, codec, nullptr) < 0) avcodec_free_context(&context_);
  }
  ~ParsedDecoder() {
    if (parser_) av_parser_close(parser_);
    avcodec_free_context(&context_);
  }
  ParsedDecoder(const ParsedDecoder&) = delete;
  ParsedDecoder& operator=(const ParsedDecoder&) = delete;

  template <typename Sink>
  void Feed(const std::vector<BYTE>& data, REFERENCE_TIME start, Sink sink) {
    if (!context_ || !parser_) return;
    const std::int64_t pts = start == kNoTime ? AV_NOPTS_VALUE : start;
    const std::uint8_t* p = data.data();
    int left = static_cast<int>(data.size());
    while (left > 0) {
      std::uint8_t* out = nullptr;
      int outSize = 0;
      const int used = av_parser_parse2(parser_, context_, &out, &outSize, p, left, pts, pts, 0);
      if (used < 0) return;
      p += used;
      left -= used;
      if (outSize > 0) Decode(out, outSize, parser_->pts, sink);
    }
  }
  void Reset() {
    if (context_) avcodec_flush_buffers(context_);
  }

 private:
  template <typename Sink>
  void Decode(const std::uint8_t* data, int size, std::int64_t pts, Sink& sink) {
    media::PacketPtr packet = media::MakePacket();
    if (av_new_packet(packet.get(), size) < 0) return;
    std::memcpy(packet->data, data, static_cast<std::size_t>(size));
    packet->pts = pts;
    if (avcodec_send_packet(context_, packet.get()) < 0) return;
    while (avcodec_receive_frame(context_, frame_.get()) == 0) sink(frame_.get());
  }
  AVCodecContext* context_ = nullptr;
  AVCodecParserContext* parser_ = nullptr;
  media::FramePtr frame_{av_frame_alloc()};
};

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
                         {TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO)}) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    LONG w, h;
    InputSize(in, &w, &h);
    return {dshow::MakeVideoType(MEDIASUBTYPE_YUY2, w, h, 333667)};
  }
  void Receive(dshow::CBaseInputPin*, const MediaSample& in) override {
    const auto* vih = Output()->ConnectedType().Format<VIDEOINFOHEADER>();
    if (!vih) return;
    const int w = vih->bmiHeader.biWidth, h = std::abs(vih->bmiHeader.biHeight);
    std::lock_guard lock(mutex_);
    decoder_.Feed(in.data, in.start, [&](AVFrame* f) {
      if (!scaler_ || f->width != fromW_ || f->height != fromH_ || f->format != fromFormat_) {
        scaler_ =
            media::Scaler::Open(static_cast<AVPixelFormat>(f->format), f->width, f->height, AV_PIX_FMT_YUYV422, w, h);
        fromW_ = f->width, fromH_ = f->height, fromFormat_ = f->format;
      }
      auto yuy2 = media::MakeVideoFrame(AV_PIX_FMT_YUYV422, w, h);
      if (!scaler_ || !yuy2 || !scaler_->Scale(f->data, f->linesize, yuy2.get())) return;
      MediaSample out;
      out.data.resize(static_cast<std::size_t>(w) * h * 2);
      for (int y = 0; y < h; ++y)
        std::memcpy(out.data.data() + static_cast<std::size_t>(y) * w * 2,
                    yuy2->data[0] + static_cast<std::ptrdiff_t>(y) * yuy2->linesize[0],
                    static_cast<std::size_t>(w) * 2);
      const std::int64_t pts = f->best_effort_timestamp;
      out.start = pts == AV_NOPTS_VALUE ? next_ : pts;
      out.stop = out.start + 333667;
      next_ = out.stop;
      out.index = count_++;
      Output()->Deliver(out);
    });
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
    next_ = 0;
  }

 private:
  std::mutex mutex_;
  ParsedDecoder decoder_{AV_CODEC_ID_MPEG2VIDEO};
  std::unique_ptr<media::Scaler> scaler_;
  int fromW_ = 0, fromH_ = 0, fromFormat_ = -1;
  REFERENCE_TIME next_ = 0;
  long long count_ = 0;
};

class MpegAudioDecoder : public CTransformFilter {
 public:
  MpegAudioDecoder()
      : CTransformFilter(CLSID_QnAudioDecoder, "Qn Audio Decoder",
                         {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_AUDIO)}) {}
  std::vector<CMediaType> OutputTypes(const CMediaType&) override { return {dshow::MakeAudioType(2, 48000, 16)}; }
  void Receive(dshow::CBaseInputPin*, const MediaSample& in) override {
    std::lock_guard lock(mutex_);
    decoder_.Feed(in.data, in.start, [&](AVFrame* f) {
      if (!resampler_ || f->format != fromFormat_ || f->sample_rate != fromRate_ ||
          f->ch_layout.nb_channels != fromChannels_) {
        resampler_ = media::Resampler::Open(static_cast<AVSampleFormat>(f->format), f->ch_layout.nb_channels,
                                            f->sample_rate, AV_SAMPLE_FMT_S16, 2, 48000);
        fromFormat_ = f->format, fromRate_ = f->sample_rate, fromChannels_ = f->ch_layout.nb_channels;
      }
      if (!resampler_) return;
      MediaSample out;
      const int room = resampler_->OutputRoom(f->nb_samples);
      out.data.resize(static_cast<std::size_t>(room) * 4);
      std::uint8_t* planes[1] = {out.data.data()};
      const int got = resampler_->Convert(f->extended_data, f->nb_samples, planes, room);
      if (got <= 0) return;
      out.data.resize(static_cast<std::size_t>(got) * 4);
      const std::int64_t pts = f->best_effort_timestamp;
      out.start = pts == AV_NOPTS_VALUE ? next_ : pts;
      out.stop = out.start + static_cast<REFERENCE_TIME>(got) * UNITS / 48000;
      next_ = out.stop;
      out.index = count_++;
      Output()->Deliver(out);
    });
  }

 protected:
  void OnStop() override {
    std::lock_guard lock(mutex_);
    decoder_.Reset();
    next_ = 0;
  }

 private:
  std::mutex mutex_;
  ParsedDecoder decoder_{AV_CODEC_ID_MP2};
  std::unique_ptr<media::Resampler> resampler_;
  int fromFormat_ = -1, fromRate_ = 0, fromChannels_ = 0;
  REFERENCE_TIME next_ = 0;
  long long count_ = 0;
};

}  // namespace

HRESULT CreateMpegVideoDecoder(REFIID riid, void** ppv) { return com::HandOver(new MpegVideoDecoder, riid, ppv); }
HRESULT CreateMpegAudioDecoder(REFIID riid, void** ppv) { return com::HandOver(new MpegAudioDecoder, riid, ppv); }

}  // namespace platform::filters
