#include "platform/media/encoder.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace media {
namespace {

struct ContextFree {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
using ContextPtr = std::unique_ptr<AVCodecContext, ContextFree>;

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

bool OpenContext(AVCodecContext* context, const AVCodec* codec, const Options& options, std::string* error) {
  AVDictionary* dictionary = nullptr;
  for (const auto& [key, value] : options) av_dict_set(&dictionary, key.c_str(), value.c_str(), 0);
  const int result = avcodec_open2(context, codec, &dictionary);
  av_dict_free(&dictionary);
  if (result < 0) return Fail(error, std::string(codec->name) + ": " + ErrorText(result));
  return true;
}

// The codec's sample format of choice: planar float and 16-bit first, as the stock encoders
// list them.
AVSampleFormat FirstSampleFormat(const AVCodec* codec) {
  return codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
}

}  // namespace

Encoder::Encoder(AVCodecContext* context) : context_(context), packet_(MakePacket()) {}

Encoder::~Encoder() { avcodec_free_context(&context_); }

std::unique_ptr<Encoder> Encoder::OpenVideo(const VideoSettings& s, std::string* error) {
  const AVCodec* codec = avcodec_find_encoder_by_name(s.codec.c_str());
  if (!codec) return Fail(error, "no encoder " + s.codec), nullptr;
  ContextPtr context(avcodec_alloc_context3(codec));
  if (!context) return Fail(error, "out of memory"), nullptr;
  context->width = s.width;
  context->height = s.height;
  context->pix_fmt = s.pixelFormat;
  context->framerate = s.frameRate;
  context->time_base = av_inv_q(s.frameRate);
  context->bit_rate = s.bitRate;
  context->rc_max_rate = s.maxRate;
  context->rc_min_rate = s.minRate;
  context->rc_buffer_size = s.bufferSize;
  context->gop_size = s.gopSize;
  context->max_b_frames = s.maxBFrames;
  if (s.aspect.num > 0) {
    context->sample_aspect_ratio = av_mul_q(s.aspect, AVRational{s.height, s.width});  // display aspect over the size
    av_reduce(&context->sample_aspect_ratio.num, &context->sample_aspect_ratio.den, context->sample_aspect_ratio.num,
              context->sample_aspect_ratio.den, 255);
  }
  Options options = s.options;
  if (s.closedGop) {
    context->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    // libavcodec closes GOPs only at the fixed spacing, never at a scene change.
    options.emplace_back("sc_threshold", "1000000000");
  }
  if (s.globalHeader) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (!OpenContext(context.get(), codec, options, error)) return nullptr;
  return std::unique_ptr<Encoder>(new Encoder(context.release()));
}

std::unique_ptr<Encoder> Encoder::OpenAudio(const AudioSettings& s, std::string* error) {
  const AVCodec* codec = avcodec_find_encoder_by_name(s.codec.c_str());
  if (!codec) return Fail(error, "no encoder " + s.codec), nullptr;
  ContextPtr context(avcodec_alloc_context3(codec));
  if (!context) return Fail(error, "out of memory"), nullptr;
  context->sample_rate = s.sampleRate;
  context->time_base = AVRational{1, s.sampleRate};
  context->bit_rate = s.bitRate;
  context->sample_fmt = FirstSampleFormat(codec);
  av_channel_layout_default(&context->ch_layout, s.channels);
  if (s.globalHeader) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (!OpenContext(context.get(), codec, {}, error)) return nullptr;
  return std::unique_ptr<Encoder>(new Encoder(context.release()));
}

bool Encoder::Encode(const AVFrame* frame, const PacketSink& sink) {
  int result = avcodec_send_frame(context_, frame);
  if (result < 0 && result != AVERROR_EOF) return false;
  for (;;) {
    result = avcodec_receive_packet(context_, packet_.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) return false;
    const bool kept = sink(packet_.get());
    av_packet_unref(packet_.get());
    if (!kept) return false;
  }
}

}  // namespace media
