#include "bench/common/av_first_picture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>

namespace bench {

const char* AvFormatFor(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return nullptr;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  struct Known {
    const char* ext;
    const char* format;
  };
  static const Known kKnown[] = {{"mpg", "mpeg"},      {"mpeg", "mpeg"},     {"vob", "mpeg"},      {"mod", "mpeg"},
                                 {"ts", "mpegts"},     {"m2ts", "mpegts"},   {"mts", "mpegts"},    {"m2t", "mpegts"},
                                 {"m2v", "mpegvideo"}, {"m1v", "mpegvideo"}, {"mpv", "mpegvideo"}, {"wmv", "asf"},
                                 {"asf", "asf"},       {"avi", "avi"},       {"mp4", "mov"},       {"mov", "mov"}};
  for (const Known& k : kKnown)
    if (ext == k.ext) return k.format;
  return nullptr;
}

namespace {

bool Scale(const std::uint8_t* const* data, const int* linesize, int fromWidth, int fromHeight, AVPixelFormat from,
           int width, int height, AvPicture& picture) {
  SwsContext* sws =
      sws_getContext(fromWidth, fromHeight, from, width, height, AV_PIX_FMT_BGR24, SWS_AREA, nullptr, nullptr, nullptr);
  if (!sws) return false;
  picture.width = width;
  picture.height = height;
  picture.bgr.resize(static_cast<size_t>(width) * height * 3);
  std::uint8_t* planes[1] = {picture.bgr.data()};
  int strides[1] = {width * 3};
  const bool ok = sws_scale(sws, data, linesize, 0, fromHeight, planes, strides) > 0;
  sws_freeContext(sws);
  return ok;
}

bool Convert(const AVFrame* frame, int width, int height, bool throughFullSize, AvPicture* out) {
  if (width <= 0 || height <= 0) {
    width = frame->width;
    height = frame->height;
  }
  AvPicture local;
  AvPicture& picture = out ? *out : local;
  const auto format = static_cast<AVPixelFormat>(frame->format);
  if (!throughFullSize)
    return Scale(frame->data, frame->linesize, frame->width, frame->height, format, width, height, picture);
  AvPicture full;
  if (!Scale(frame->data, frame->linesize, frame->width, frame->height, format, frame->width, frame->height, full))
    return false;
  const std::uint8_t* data[1] = {full.bgr.data()};
  const int linesize[1] = {full.width * 3};
  return Scale(data, linesize, full.width, full.height, AV_PIX_FMT_BGR24, width, height, picture);
}

}  // namespace

bool AvFirstPicture(const std::string& path, int width, int height, AvPicture* out, bool throughFullSize) {
  const char* name = AvFormatFor(path);
  const AVInputFormat* format = name ? av_find_input_format(name) : nullptr;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), format, nullptr) < 0) return false;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  AVCodecContext* ctx = nullptr;
  int stream = -1;
  bool ok = false;
  while (!ok && av_read_frame(fmt, packet) >= 0) {
    const AVCodecParameters* par = fmt->streams[packet->stream_index]->codecpar;
    if (stream < 0 && par->codec_type == AVMEDIA_TYPE_VIDEO) {
      const AVCodec* codec = avcodec_find_decoder(par->codec_id);
      ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
      if (!ctx || avcodec_parameters_to_context(ctx, par) < 0) break;
      ctx->thread_count = 1;
      if (avcodec_open2(ctx, codec, nullptr) < 0) break;
      stream = packet->stream_index;
    }
    if (packet->stream_index == stream && avcodec_send_packet(ctx, packet) >= 0) {
      avcodec_send_packet(ctx, nullptr);  // drain: the picture now, not after the next packet
      if (avcodec_receive_frame(ctx, frame) >= 0) ok = Convert(frame, width, height, throughFullSize, out);
      else avcodec_flush_buffers(ctx);  // leaves draining for the next packet
    }
    av_packet_unref(packet);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&ctx);
  avformat_close_input(&fmt);
  return ok;
}

}  // namespace bench
