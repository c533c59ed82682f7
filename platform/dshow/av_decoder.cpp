#include "platform/dshow/av_decoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mathematics.h>
}

#include "platform/media/av_types.h"
#include "platform/media/resampler.h"
#include "platform/media/scaler.h"

namespace platform::dshow {

struct AvDecoder::Impl {
  ~Impl() { Close(); }
  void Close() {
    if (parser) av_parser_close(parser);
    parser = nullptr;
    avcodec_free_context(&codec);
    scaler.reset();
    picture.reset();
    resampler.reset();
    next = 0;
  }

  void Send(AVPacket* packet, const CMediaType& out, const Sink& sink) {
    if (avcodec_send_packet(codec, packet) == AVERROR(EAGAIN)) {
      Drain(out, sink);
      avcodec_send_packet(codec, packet);
    }
    Drain(out, sink);
  }

  void Drain(const CMediaType& out, const Sink& sink) {
    while (avcodec_receive_frame(codec, frame.get()) >= 0) {
      MediaSample sample;
      const std::int64_t pts = frame->best_effort_timestamp;
      sample.start = pts == AV_NOPTS_VALUE ? next : pts;
      const bool ok = codec->codec_type == AVMEDIA_TYPE_VIDEO ? ConvertPicture(*frame, out, sample)
                                                              : ConvertSound(*frame, out, sample);
      av_frame_unref(frame.get());
      if (!ok) continue;
      next = sample.stop;
      sample.index = delivered++;
      sink(sample);
    }
  }

  bool ConvertPicture(const AVFrame& f, const CMediaType& mt, MediaSample& out) {
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    if (!vih) return false;
    const int w = vih->bmiHeader.biWidth, h = std::abs(vih->bmiHeader.biHeight);
    const AVPixelFormat target = mt.subtype == MEDIASUBTYPE_YV12   ? AV_PIX_FMT_YUV420P
                                 : mt.subtype == MEDIASUBTYPE_YUY2 ? AV_PIX_FMT_YUYV422
                                                                   : AV_PIX_FMT_BGRA;
    const auto from = static_cast<AVPixelFormat>(f.format);
    const AVFrame* source = &f;
    // Pictures already in the delivered layout are copied as they are.
    if (from != target || f.width != w || f.height != h) {
      if (!scaler || from != scaledFrom || f.width != scaledWidth || f.height != scaledHeight || w != toWidth ||
          h != toHeight || target != toFormat) {
        scaler = media::Scaler::Open(from, f.width, f.height, target, w, h);
        picture = media::MakeVideoFrame(target, w, h);
        scaledFrom = from, scaledWidth = f.width, scaledHeight = f.height;
        toWidth = w, toHeight = h, toFormat = target;
      }
      if (!scaler || !picture || !scaler->Scale(f.data, f.linesize, picture.get())) return false;
      source = picture.get();
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

  bool ConvertSound(const AVFrame& f, const CMediaType& mt, MediaSample& out) {
    const auto* wfx = mt.Format<WAVEFORMATEX>();
    if (!wfx || f.nb_samples <= 0 || wfx->nSamplesPerSec == 0) return false;
    const int channels = wfx->nChannels;
    const int rate = static_cast<int>(wfx->nSamplesPerSec);
    if (!resampler || f.format != resampledFrom || f.sample_rate != resampledRate ||
        f.ch_layout.nb_channels != resampledChannels || channels != toChannels || rate != toRate) {
      resampler = media::Resampler::Open(static_cast<AVSampleFormat>(f.format), f.ch_layout.nb_channels, f.sample_rate,
                                         AV_SAMPLE_FMT_S16, channels, rate);
      resampledFrom = f.format, resampledRate = f.sample_rate, resampledChannels = f.ch_layout.nb_channels;
      toChannels = channels, toRate = rate;
    }
    if (!resampler) return false;
    const int room = resampler->OutputRoom(f.nb_samples);
    out.data.resize(static_cast<std::size_t>(room) * channels * 2);
    std::uint8_t* planes[1] = {out.data.data()};
    const int made = resampler->Convert(f.extended_data, f.nb_samples, planes, room);
    if (made <= 0) return false;
    out.data.resize(static_cast<std::size_t>(made) * channels * 2);
    out.stop = out.start + av_rescale(made, UNITS, rate);
    return true;
  }

  AVCodecContext* codec = nullptr;
  AVCodecParserContext* parser = nullptr;
  media::FramePtr frame{av_frame_alloc()};
  std::unique_ptr<media::Scaler> scaler;
  media::FramePtr picture;
  AVPixelFormat scaledFrom = AV_PIX_FMT_NONE, toFormat = AV_PIX_FMT_NONE;
  int scaledWidth = 0, scaledHeight = 0, toWidth = 0, toHeight = 0;
  std::unique_ptr<media::Resampler> resampler;
  int resampledFrom = -1, resampledRate = 0, resampledChannels = 0, toChannels = 0, toRate = 0;
  REFERENCE_TIME next = 0;
  long long delivered = 0;
};

AvDecoder::AvDecoder() : impl_(std::make_unique<Impl>()) {}
AvDecoder::~AvDecoder() = default;

bool AvDecoder::Open(const AVCodecParameters* params, bool parse) {
  Close();
  const AVCodec* decoder = params ? avcodec_find_decoder(params->codec_id) : nullptr;
  if (!decoder || !impl_->frame) return false;
  AVCodecContext* ctx = avcodec_alloc_context3(decoder);
  if (!ctx || avcodec_parameters_to_context(ctx, params) < 0) {
    avcodec_free_context(&ctx);
    return false;
  }
  ctx->pkt_timebase = AVRational{1, static_cast<int>(UNITS)};
  ctx->thread_type = FF_THREAD_SLICE;
  if (avcodec_open2(ctx, decoder, nullptr) < 0) {
    avcodec_free_context(&ctx);
    return false;
  }
  if (parse && !(impl_->parser = av_parser_init(params->codec_id))) {
    avcodec_free_context(&ctx);
    return false;
  }
  impl_->codec = ctx;
  return true;
}

bool AvDecoder::Open(AVCodecID id, bool parse) {
  AVCodecParameters* params = avcodec_parameters_alloc();
  if (!params) return false;
  params->codec_id = id;
  params->codec_type = avcodec_get_type(id);
  const bool opened = Open(params, parse);
  avcodec_parameters_free(&params);
  return opened;
}

bool AvDecoder::IsOpen() const { return impl_->codec != nullptr; }

void AvDecoder::Close() { impl_->Close(); }

void AvDecoder::Decode(const MediaSample& in, const CMediaType& out, const Sink& sink) {
  if (!impl_->codec) return;
  const std::int64_t pts = in.start >= 0 ? in.start : AV_NOPTS_VALUE;
  media::PacketPtr packet = media::MakePacket();
  if (!packet) return;
  if (!impl_->parser) {
    if (av_new_packet(packet.get(), static_cast<int>(in.data.size())) < 0) return;
    if (!in.data.empty()) std::memcpy(packet->data, in.data.data(), in.data.size());
    packet->pts = pts;
    if (in.syncPoint) packet->flags |= AV_PKT_FLAG_KEY;
    impl_->Send(packet.get(), out, sink);
    return;
  }
  const std::uint8_t* p = in.data.data();
  int left = static_cast<int>(in.data.size());
  while (left > 0) {
    std::uint8_t* frame = nullptr;
    int size = 0;
    const int used = av_parser_parse2(impl_->parser, impl_->codec, &frame, &size, p, left, pts, pts, 0);
    if (used < 0) return;
    p += used;
    left -= used;
    if (size <= 0) continue;
    if (av_new_packet(packet.get(), size) < 0) return;
    std::memcpy(packet->data, frame, static_cast<std::size_t>(size));
    packet->pts = impl_->parser->pts;
    impl_->Send(packet.get(), out, sink);
    av_packet_unref(packet.get());
  }
}

void AvDecoder::Flush(const CMediaType& out, const Sink& sink) {
  if (!impl_->codec) return;
  if (avcodec_send_packet(impl_->codec, nullptr) >= 0) impl_->Drain(out, sink);
  // Drained, the codec takes packets again only once flushed.
  avcodec_flush_buffers(impl_->codec);
}

void AvDecoder::Reset() {
  if (impl_->codec) avcodec_flush_buffers(impl_->codec);
  impl_->next = 0;
}

}  // namespace platform::dshow
