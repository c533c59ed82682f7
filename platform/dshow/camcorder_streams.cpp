#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/av_decoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/dshow/media_types.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/media/encoder.h"
#include "platform/media/muxer.h"
#include "platform/media/scaler.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace platform::dshow::sim {
namespace {

constexpr int kHdvFrames = 15;  // one GOP
constexpr int kRate = 48000;

using Bytes = std::vector<std::uint8_t>;

// Paints pattern frame n as YUY2 and converts it for the encoder.
bool PaintInto(int n, int width, int height, REFERENCE_TIME frame, media::Scaler& scaler, AVFrame* picture) {
  Bytes yuy2(static_cast<std::size_t>(width) * height * 2);
  PaintFrame(MEDIASUBTYPE_YUY2, width, height, n, frame, yuy2.data(), static_cast<std::size_t>(width) * 2);
  return scaler.ScalePacked(yuy2.data(), width * 2, picture);
}

// Samples of the tone before frame n at the frame rate num/den.
std::int64_t SamplesBefore(std::int64_t n, int num, int den) { return n * kRate * den / num; }

bool WriteTone(media::Muxer& muxer, int stream, std::int64_t first, std::int64_t count) {
  auto packet = media::MakePacket();
  if (av_new_packet(packet.get(), static_cast<int>(count * 4)) < 0) return false;
  FillTone(reinterpret_cast<std::int16_t*>(packet->data), 2, kRate, first, static_cast<std::size_t>(count));
  packet->pts = packet->dts = first;
  packet->duration = count;
  return muxer.WritePacket(packet.get(), stream, {1, kRate});
}

std::vector<Bytes> MakeDvLoop(bool pal) {
  const int width = 720, height = pal ? 576 : 480;
  const AVRational rate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
  const int frames = pal ? 25 : 30;
  media::VideoSettings vs;
  vs.codec = "dvvideo";
  vs.width = width;
  vs.height = height;
  vs.frameRate = rate;
  vs.pixelFormat = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
  vs.aspect = {4, 3};
  auto encoder = media::Encoder::OpenVideo(vs, nullptr);
  auto scaler = media::Scaler::Open(AV_PIX_FMT_YUYV422, width, height, vs.pixelFormat, width, height);
  Bytes out;
  auto muxer = media::Muxer::Open(
      "dv",
      [&](const std::uint8_t* d, std::size_t n) {
        out.insert(out.end(), d, d + n);
        return true;
      },
      nullptr, nullptr);
  if (!encoder || !scaler || !muxer) return {};
  const int video = muxer->AddStream(*encoder);
  AVCodecParameters* audio = avcodec_parameters_alloc();
  audio->codec_type = AVMEDIA_TYPE_AUDIO;
  audio->codec_id = AV_CODEC_ID_PCM_S16LE;
  audio->sample_rate = kRate;
  av_channel_layout_default(&audio->ch_layout, 2);
  const int audioStream = muxer->AddStream(audio, {1, kRate});
  avcodec_parameters_free(&audio);
  if (video < 0 || audioStream < 0 || !muxer->WriteHeader()) return {};
  auto picture = media::MakeVideoFrame(vs.pixelFormat, width, height);
  const REFERENCE_TIME frameTime = pal ? 400000 : 333667;
  // One frame more than the loop: the dv muxer holds a frame back until its audio is complete.
  for (int n = 0; n <= frames; ++n) {
    if (!PaintInto(n % frames, width, height, frameTime, *scaler, picture.get())) return {};
    picture->pts = n;
    const std::int64_t first = SamplesBefore(n, rate.num, rate.den);
    if (!WriteTone(*muxer, audioStream, first, SamplesBefore(n + 1, rate.num, rate.den) - first)) return {};
    const bool ok =
        encoder->Encode(picture.get(), [&](AVPacket* p) { return muxer->WritePacket(p, video, encoder->TimeBase()); });
    if (!ok) return {};
  }
  encoder->Encode(nullptr, [&](AVPacket* p) { return muxer->WritePacket(p, video, encoder->TimeBase()); });
  muxer->Finish();
  const std::size_t frameBytes = pal ? kDvFramePal : kDvFrameNtsc;
  std::vector<Bytes> loop;
  for (std::size_t at = 0; at + frameBytes <= out.size() && loop.size() < static_cast<std::size_t>(frames);
       at += frameBytes)
    loop.emplace_back(out.begin() + static_cast<std::ptrdiff_t>(at),
                      out.begin() + static_cast<std::ptrdiff_t>(at + frameBytes));
  return loop;
}

Bytes MakeHdvLoop() {
  const int width = 1440, height = 1080;
  media::VideoSettings vs;
  vs.codec = "mpeg2video";
  vs.width = width;
  vs.height = height;
  vs.frameRate = {30000, 1001};
  vs.bitRate = 25000000;
  vs.maxRate = 25000000;
  vs.minRate = 25000000;  // constant rate, as the camcorder records it
  vs.bufferSize = 9781248;
  vs.gopSize = kHdvFrames;
  vs.maxBFrames = 2;
  vs.aspect = {16, 9};
  vs.closedGop = true;
  vs.options = {{"flags", "+ildct+ilme"}};
  auto encoder = media::Encoder::OpenVideo(vs, nullptr);
  media::AudioSettings as;
  as.codec = "mp2";
  as.bitRate = 384000;
  auto audioEncoder = media::Encoder::OpenAudio(as, nullptr);
  auto scaler = media::Scaler::Open(AV_PIX_FMT_YUYV422, width, height, AV_PIX_FMT_YUV420P, width, height);
  Bytes out;
  auto muxer = media::Muxer::Open(
      "mpegts",
      [&](const std::uint8_t* d, std::size_t n) {
        out.insert(out.end(), d, d + n);
        return true;
      },
      nullptr, nullptr);
  if (!encoder || !audioEncoder || !scaler || !muxer) return {};
  const int video = muxer->AddStream(*encoder);
  const int audio = muxer->AddStream(*audioEncoder);
  if (video < 0 || audio < 0) return {};
  muxer->Context()->streams[video]->id = kHdvVideoPid;
  muxer->Context()->streams[audio]->id = kHdvAudioPid;
  if (!muxer->WriteHeader({{"mpegts_flags", "+resend_headers"}, {"pcr_period", "30"}})) return {};
  auto picture = media::MakeVideoFrame(AV_PIX_FMT_YUV420P, width, height);
  picture->interlaced_frame = 1;  // 1080i, top field first
  picture->top_field_first = 1;
  const auto writeVideo = [&](AVPacket* p) { return muxer->WritePacket(p, video, encoder->TimeBase()); };
  const auto writeAudio = [&](AVPacket* p) { return muxer->WritePacket(p, audio, audioEncoder->TimeBase()); };
  const int frameSamples = audioEncoder->FrameSamples();
  std::int64_t audioDone = 0;
  for (int n = 0; n < kHdvFrames; ++n) {
    if (!PaintInto(n, width, height, 333667, *scaler, picture.get())) return {};
    picture->pts = n;
    if (!encoder->Encode(picture.get(), writeVideo)) return {};
    while (audioDone + frameSamples <= SamplesBefore(n + 1, 30000, 1001)) {
      auto sound = media::MakeAudioFrame(audioEncoder->SampleFormat(), 2, kRate, frameSamples);
      FillTone(reinterpret_cast<std::int16_t*>(sound->data[0]), 2, kRate, audioDone,
               static_cast<std::size_t>(frameSamples));
      sound->pts = audioDone;
      audioDone += frameSamples;
      if (!audioEncoder->Encode(sound.get(), writeAudio)) return {};
    }
  }
  encoder->Encode(nullptr, writeVideo);
  audioEncoder->Encode(nullptr, writeAudio);
  if (!muxer->Finish()) return {};
  out.resize(out.size() / kTsPacket * kTsPacket);
  return out;
}

std::int64_t ReadStamp(const std::uint8_t* p) {
  return (static_cast<std::int64_t>(p[0] & 0x0E) << 29) | (p[1] << 22) | ((p[2] & 0xFE) << 14) | (p[3] << 7) |
         (p[4] >> 1);
}
void WriteStamp(std::uint8_t* p, std::int64_t v) {
  v &= (std::int64_t{1} << 33) - 1;
  p[0] = static_cast<std::uint8_t>((p[0] & 0xF1) | ((v >> 29) & 0x0E));
  p[1] = static_cast<std::uint8_t>(v >> 22);
  p[2] = static_cast<std::uint8_t>(((v >> 14) & 0xFE) | 1);
  p[3] = static_cast<std::uint8_t>(v >> 7);
  p[4] = static_cast<std::uint8_t>(((v << 1) & 0xFE) | 1);
}

// Feeds one DIF frame to the dv demuxer from memory.
struct MemoryReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  static int Read(void* opaque, std::uint8_t* buf, int n) {
    auto* self = static_cast<MemoryReader*>(opaque);
    const std::size_t take = std::min(static_cast<std::size_t>(n), self->size - self->at);
    if (take == 0) return AVERROR_EOF;
    std::memcpy(buf, self->data + self->at, take);
    self->at += take;
    return static_cast<int>(take);
  }
};

}  // namespace

const std::vector<Bytes>& DvLoop(bool pal) {
  static std::once_flag once[2];
  static std::vector<Bytes> loops[2];
  std::call_once(once[pal ? 1 : 0], [pal] { loops[pal ? 1 : 0] = MakeDvLoop(pal); });
  return loops[pal ? 1 : 0];
}

const Bytes& HdvLoop() {
  static std::once_flag once;
  static Bytes loop;
  std::call_once(once, [] { loop = MakeHdvLoop(); });
  return loop;
}

int HdvLoopFrames() { return kHdvFrames; }

TsLoopRebaser::TsLoopRebaser() : counters_(8192, 0) {}

void TsLoopRebaser::Rebase(std::uint8_t* packets, std::size_t size, std::int64_t ticks) {
  for (std::size_t at = 0; at + kTsPacket <= size; at += kTsPacket) {
    std::uint8_t* p = packets + at;
    if (p[0] != 0x47) continue;
    const int pid = ((p[1] & 0x1F) << 8) | p[2];
    const int control = (p[3] >> 4) & 3;
    std::size_t payload = 4;
    if (control & 2) {
      const std::size_t length = p[4];
      if (length >= 7 && (p[5] & 0x10)) {  // PCR: 33-bit base, 6 reserved bits, 9-bit extension
        std::uint8_t* pcr = p + 6;
        std::int64_t base =
            (static_cast<std::int64_t>(pcr[0]) << 25) | (pcr[1] << 17) | (pcr[2] << 9) | (pcr[3] << 1) | (pcr[4] >> 7);
        base = (base + ticks) & ((std::int64_t{1} << 33) - 1);
        pcr[0] = static_cast<std::uint8_t>(base >> 25);
        pcr[1] = static_cast<std::uint8_t>(base >> 17);
        pcr[2] = static_cast<std::uint8_t>(base >> 9);
        pcr[3] = static_cast<std::uint8_t>(base >> 1);
        pcr[4] = static_cast<std::uint8_t>((pcr[4] & 0x7F) | ((base & 1) << 7));
      }
      payload = 5 + length;
    }
    if (control & 1) {
      p[3] = static_cast<std::uint8_t>((p[3] & 0xF0) | (counters_[static_cast<std::size_t>(pid)] & 0x0F));
      ++counters_[static_cast<std::size_t>(pid)];
    }
    // A PES start with its stamps.
    if ((control & 1) && (p[1] & 0x40) && payload + 14 <= kTsPacket && p[payload] == 0 && p[payload + 1] == 0 &&
        p[payload + 2] == 1 && p[payload + 3] >= 0xBD) {
      std::uint8_t* pes = p + payload;
      const int flags = pes[7] >> 6;
      if (flags & 2) WriteStamp(pes + 9, ReadStamp(pes + 9) + ticks);
      if (flags == 3 && payload + 19 <= kTsPacket) WriteStamp(pes + 14, ReadStamp(pes + 14) + ticks);
    }
  }
}

bool DvFrameAudio(const std::uint8_t* frame, std::size_t size, std::vector<std::int16_t>* pcm) {
  pcm->clear();
  MemoryReader reader{frame, size};
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(32768));
  AVIOContext* io = avio_alloc_context(buffer, 32768, 0, &reader, &MemoryReader::Read, nullptr, nullptr);
  if (!io) {
    av_free(buffer);
    return false;
  }
  AVFormatContext* context = avformat_alloc_context();
  context->pb = io;
  bool found = false;
  if (avformat_open_input(&context, nullptr, av_find_input_format("dv"), nullptr) == 0) {
    auto packet = media::MakePacket();
    while (!found && av_read_frame(context, packet.get()) >= 0) {
      const AVStream* s = context->streams[packet->stream_index];
      if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && s->codecpar->ch_layout.nb_channels == 2) {
        const auto* samples = reinterpret_cast<const std::int16_t*>(packet->data);
        pcm->assign(samples, samples + packet->size / 2);
        found = true;
      }
      av_packet_unref(packet.get());
    }
    avformat_close_input(&context);
  } else {
    avformat_free_context(context);
  }
  av_freep(&io->buffer);
  avio_context_free(&io);
  return found;
}

struct DvPictureDecoder::Impl {
  AvDecoder decoder;
};

DvPictureDecoder::DvPictureDecoder() : impl_(new Impl) { impl_->decoder.Open(AV_CODEC_ID_DVVIDEO, false); }

DvPictureDecoder::~DvPictureDecoder() { delete impl_; }

bool DvPictureDecoder::Decode(const std::uint8_t* frame, std::size_t size, int width, int height, Bytes* yuy2) {
  MediaSample in;
  in.data.assign(frame, frame + size);
  bool decoded = false;
  impl_->decoder.Decode(in, MakeVideoType(MEDIASUBTYPE_YUY2, width, height, 333667), [&](MediaSample& out) {
    *yuy2 = std::move(out.data);
    decoded = true;
  });
  return decoded;
}

}  // namespace platform::dshow::sim
