#include "platform/filters/tests/mpeg_probe.h"

#include "platform/dshow/sim_pattern.h"
#include "platform/media/av_types.h"

#include <cmath>
#include <cstdint>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

namespace platform::filters::test {
namespace {

struct StreamDecoder {
  StreamDecoder(AVFormatContext* input, int index) {
    if (index < 0) return;
    stream = input->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, stream->codecpar);
    if (avcodec_open2(ctx, codec, nullptr) != 0) avcodec_free_context(&ctx);
  }
  ~StreamDecoder() { avcodec_free_context(&ctx); }
  bool Send(const AVPacket* packet) { return ctx && avcodec_send_packet(ctx, packet) == 0; }
  bool Receive() { return ctx && avcodec_receive_frame(ctx, frame.get()) == 0; }
  double Seconds() const {
    const std::int64_t ts = frame->best_effort_timestamp;
    return ts == AV_NOPTS_VALUE ? 0 : static_cast<double>(ts) * av_q2d(stream->time_base);
  }
  AVStream* stream = nullptr;
  AVCodecContext* ctx = nullptr;
  media::FramePtr frame{av_frame_alloc()};
};

// The flash paints everything above the code band white; the bars average far darker.
bool IsWhiteAtTop(const AVFrame* f) {
  long long sum = 0;
  const int rows = f->height / 2;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < f->width; ++x) sum += f->data[0][y * f->linesize[0] + x];
  return rows > 0 && sum / (static_cast<long long>(rows) * f->width) > 200;
}

// Rising crossings of the first channel, with hysteresis so that priming silence and coding
// noise make none: 1 ms apart in the tone, 0.5 ms in the burst.
class BurstFinder {
 public:
  explicit BurstFinder(std::vector<double>* bursts) : bursts_(bursts) {}
  void Add(const AVFrame* f, double start) {
    for (int i = 0; i < f->nb_samples; ++i) {
      const double v = Sample(f, i);
      const double t = start + static_cast<double>(i) / f->sample_rate;
      if (v < -kThreshold) low_ = true;
      if (v > kThreshold && low_) {
        low_ = false;
        if (lastRise_ >= 0) {
          const bool fast = t - lastRise_ < 0.00075;
          if (fast && !inBurst_) bursts_->push_back(lastRise_);
          inBurst_ = fast;
        }
        lastRise_ = t;
      }
    }
  }

 private:
  static constexpr double kThreshold = 0.05;
  static double Sample(const AVFrame* f, int i) {
    switch (f->format) {
      case AV_SAMPLE_FMT_S16P: return reinterpret_cast<const std::int16_t*>(f->data[0])[i] / 32768.0;
      case AV_SAMPLE_FMT_S16:
        return reinterpret_cast<const std::int16_t*>(f->data[0])[i * f->ch_layout.nb_channels] / 32768.0;
      case AV_SAMPLE_FMT_FLTP: return reinterpret_cast<const float*>(f->data[0])[i];
      case AV_SAMPLE_FMT_FLT: return reinterpret_cast<const float*>(f->data[0])[i * f->ch_layout.nb_channels];
      default: return 0;
    }
  }
  std::vector<double>* bursts_;
  double lastRise_ = -1;
  bool low_ = false;
  bool inBurst_ = false;
};

}  // namespace

bool FlashesMeetBursts(const FileFacts& facts, double tolerance) {
  for (double flash : facts.flashes) {
    bool met = false;
    for (double burst : facts.bursts) met = met || std::fabs(burst - flash) <= tolerance;
    if (!met) return false;
  }
  return true;
}

FileFacts ProbeFile(const std::string& path, bool decode) {
  FileFacts facts;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return facts;
  facts.opened = avformat_find_stream_info(input, nullptr) >= 0;
  facts.format = input->iformat->name;
  int videoIndex = -1;
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVStream* st = input->streams[i];
    const AVCodecParameters* p = st->codecpar;
    StreamFacts s;
    s.codec = avcodec_get_name(p->codec_id);
    if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
      s.width = p->width, s.height = p->height;
      s.fpsNum = st->r_frame_rate.num, s.fpsDen = st->r_frame_rate.den;
      AVRational dar{0, 1};
      if (p->sample_aspect_ratio.num)
        av_reduce(&dar.num, &dar.den, static_cast<int64_t>(p->width) * p->sample_aspect_ratio.num,
                  static_cast<int64_t>(p->height) * p->sample_aspect_ratio.den, 1024);
      s.darNum = dar.num, s.darDen = dar.den;
      facts.video = s;
      videoIndex = static_cast<int>(i);
    } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
      s.sampleRate = p->sample_rate, s.channels = p->ch_layout.nb_channels;
      facts.audio = s;
    }
  }
  if (decode) {
    int audioIndex = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i)
      if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) audioIndex = static_cast<int>(i);
    StreamDecoder video(input, videoIndex), audio(input, audioIndex);
    BurstFinder finder(&facts.bursts);
    auto drainVideo = [&] {
      while (video.Receive()) {
        const AVFrame* f = video.frame.get();
        facts.codes.push_back(dshow::sim::ReadFrameCode(f->data[0], f->width, f->height, f->linesize[0]));
        if (IsWhiteAtTop(f)) facts.flashes.push_back(video.Seconds());
      }
    };
    auto drainAudio = [&] {
      while (audio.Receive()) finder.Add(audio.frame.get(), audio.Seconds());
    };
    auto packet = media::MakePacket();
    while (av_read_frame(input, packet.get()) >= 0) {
      if (packet->stream_index == videoIndex && video.Send(packet.get())) drainVideo();
      if (packet->stream_index == audioIndex && audio.Send(packet.get())) drainAudio();
      av_packet_unref(packet.get());
    }
    if (video.Send(nullptr)) drainVideo();
    if (audio.Send(nullptr)) drainAudio();
  }
  avformat_close_input(&input);
  return facts;
}

}  // namespace platform::filters::test
