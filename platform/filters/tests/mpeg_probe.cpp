#include "platform/filters/tests/mpeg_probe.h"

#include "platform/dshow/sim_pattern.h"
#include "platform/media/av_types.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace platform::filters::test {

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
  if (decode && videoIndex >= 0) {
    const AVCodecParameters* p = input->streams[videoIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(p->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, p);
    if (avcodec_open2(ctx, codec, nullptr) == 0) {
      auto packet = media::MakePacket();
      media::FramePtr frame(av_frame_alloc());
      auto drain = [&] {
        while (avcodec_receive_frame(ctx, frame.get()) == 0)
          facts.codes.push_back(
              dshow::sim::ReadFrameCode(frame->data[0], frame->width, frame->height, frame->linesize[0]));
      };
      while (av_read_frame(input, packet.get()) >= 0) {
        if (packet->stream_index == videoIndex && avcodec_send_packet(ctx, packet.get()) == 0) drain();
        av_packet_unref(packet.get());
      }
      avcodec_send_packet(ctx, nullptr);
      drain();
    }
    avcodec_free_context(&ctx);
  }
  avformat_close_input(&input);
  return facts;
}

}  // namespace platform::filters::test
