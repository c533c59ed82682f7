#include "platform/dshow/av_decoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mathematics.h>
}

#include "platform/dshow/spare_picture.h"
#include "platform/media/av_types.h"
#include "platform/media/resampler.h"
#include "platform/media/scaler.h"

namespace platform::dshow {

struct AvDecoder::Impl {
  // The delivered picture's buffer goes on to the next decoder, with its pages.
  Impl() { reused.data = TakeSparePicture(SparePicture::kDecoded); }
  ~Impl() {
    Close();
    KeepSparePicture(SparePicture::kDecoded, std::move(reused.data));
  }
  void Close() {
    if (parser) av_parser_close(parser);
    parser = nullptr;
    avcodec_free_context(&codec);
    scaler.reset();
    resampler.reset();
    next = 0;
  }

  void Send(AVPacket* packet, const CMediaType& out, const Sink& sink) {
    if (avcodec_send_packet(codec, packet) == AVERROR(EAGAIN)) {
      Drain(out, sink);
      avcodec_send_packet(codec, packet);
    }
    Drain(out, sink);
    if (firstPictureOnly && delivered == 0 && (packet->flags & AV_PKT_FLAG_KEY) &&
        codec->codec_type == AVMEDIA_TYPE_VIDEO && avcodec_send_packet(codec, nullptr) >= 0) {
      Drain(out, sink);
      // Drained, the codec takes packets again only once flushed; a key picture that gave
      // nothing leaves the next one to try.
      avcodec_flush_buffers(codec);
    }
  }

  void Drain(const CMediaType& out, const Sink& sink) {
    while (avcodec_receive_frame(codec, frame.get()) >= 0) {
      // One sample carries every frame, its buffer written over: a fresh one cost its pages and a
      // clearing each picture. A sink that takes the buffer away leaves a new one to be made.
      MediaSample& sample = reused;
      sample.syncPoint = true;
      sample.decode = -1;
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
    const bool planar = target == AV_PIX_FMT_YUV420P;
    const int bytes = target == AV_PIX_FMT_BGRA ? 4 : 2;
    const std::size_t luma = static_cast<std::size_t>(w) * h;
    out.data.resize(planar ? luma * 3 / 2 : luma * bytes);
    // The delivered layout's planes in the sample: YV12 keeps V before U, and RGB is a bottom-up
    // DIB, written from its last row up.
    std::uint8_t* base = out.data.data();
    std::uint8_t* planes[4] = {base, nullptr, nullptr, nullptr};
    int strides[4] = {planar ? w : w * bytes, 0, 0, 0};
    if (planar) {
      planes[1] = base + luma * 5 / 4, planes[2] = base + luma;
      strides[1] = strides[2] = w / 2;
    } else if (target == AV_PIX_FMT_BGRA) {
      planes[0] = base + static_cast<std::size_t>(w) * 4 * (h - 1);
      strides[0] = -w * 4;
    }
    const auto from = static_cast<AVPixelFormat>(f.format);
    if (from != target || f.width != w || f.height != h) {
      // Scaled straight into the sample: no picture in between to copy from.
      if (!scaler || from != scaledFrom || f.width != scaledWidth || f.height != scaledHeight || w != toWidth ||
          h != toHeight || target != toFormat) {
        scaler = media::Scaler::Open(from, f.width, f.height, target, w, h);
        scaledFrom = from, scaledWidth = f.width, scaledHeight = f.height;
        toWidth = w, toHeight = h, toFormat = target;
      }
      if (!scaler || !scaler->ScaleInto(f.data, f.linesize, planes, strides)) return false;
    } else {
      // Pictures already in the delivered layout are copied as they are.
      for (int k = 0; k < (planar ? 3 : 1); ++k) {
        const int rowBytes = k == 0 ? strides[0] < 0 ? -strides[0] : strides[0] : w / 2;
        const int lines = k == 0 ? h : h / 2;
        for (int y = 0; y < lines; ++y)
          std::memcpy(planes[k] + static_cast<std::ptrdiff_t>(strides[k]) * y,
                      f.data[k] + static_cast<std::ptrdiff_t>(f.linesize[k]) * y, static_cast<std::size_t>(rowBytes));
      }
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
  AVPixelFormat scaledFrom = AV_PIX_FMT_NONE, toFormat = AV_PIX_FMT_NONE;
  int scaledWidth = 0, scaledHeight = 0, toWidth = 0, toHeight = 0;
  std::unique_ptr<media::Resampler> resampler;
  int resampledFrom = -1, resampledRate = 0, resampledChannels = 0, toChannels = 0, toRate = 0;
  REFERENCE_TIME next = 0;
  long long delivered = 0;
  bool firstPictureOnly = false;
  MediaSample reused;
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
  // One picture does not pay for starting and stopping a pool of slice threads.
  if (impl_->firstPictureOnly) ctx->thread_count = 1;
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

void AvDecoder::WantFirstPictureOnly() { impl_->firstPictureOnly = true; }

void AvDecoder::Reset() {
  if (impl_->codec) avcodec_flush_buffers(impl_->codec);
  impl_->next = 0;
}

}  // namespace platform::dshow
