#include "bench/mpegdec/decoders.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <mpeg2dec/mpeg2.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/mpegdec/lean_demux.h"
#include "mpegdec/video_decoder.h"

namespace {

// Steps the decoder through the stream in coded order as a player does and calls `frame` for each
// whole frame decoded (after its second field when coded as fields).
template <typename OnFrame>
int StepThrough(const std::string& path, OnFrame frame) {
  CMpegVideoDecoder d;
  if (d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048) != 1) return -1;
  CMpegStreamReader& r = *d.baseReader();
  int frames = 0;
  for (;;) {
    if (d.picture.Prepare() != 1) return -1;
    if (r.header.picture_structure == kFramePicture || r.secondField) {
      ++frames;
      frame(d);
    }
    const int fieldState = r.header.picture_structure != kFramePicture && !r.secondField ? 1 : 0;
    if (r.FindNextPicture(fieldState, 0, r.pictureNumber + 1) != 1) break;
    d.picture.SelectCurrentFrame(true);
  }
  return frames;
}

double Psnr(double sse, double samples) { return sse <= 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * samples / sse); }

}  // namespace

int ProjectDecodeAll(const std::string& path) {
  return StepThrough(path, [](CMpegVideoDecoder&) {});
}

int AvcodecDecodeAll(const std::string& path) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  AVCodecParserContext* parser = av_parser_init(AV_CODEC_ID_MPEG2VIDEO);
  ctx->thread_count = 1;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int frames = avcodec_open2(ctx, codec, nullptr) == 0 && parser ? 0 : -1;
  auto decode = [&](const uint8_t* data, int size) {
    packet->data = const_cast<uint8_t*>(data);
    packet->size = size;
    if (avcodec_send_packet(ctx, size ? packet : nullptr) < 0) return;
    while (avcodec_receive_frame(ctx, frame) == 0) ++frames;
  };
  auto parse = [&](const uint8_t* data, std::size_t size) {
    do {
      uint8_t* out = nullptr;
      int outSize = 0;
      const int used = av_parser_parse2(parser, ctx, &out, &outSize, data, static_cast<int>(size), AV_NOPTS_VALUE,
                                        AV_NOPTS_VALUE, 0);
      data += used;
      size -= static_cast<std::size_t>(used);
      if (outSize > 0) decode(out, outSize);
    } while (size > 0);
  };
  if (frames == 0 && FeedVideo(path, parse)) {
    parse(nullptr, 0);   // the parser's last picture
    decode(nullptr, 0);  // the decoder's held pictures
  } else {
    frames = -1;
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  av_parser_close(parser);
  avcodec_free_context(&ctx);
  return frames;
}

int Libmpeg2DecodeAll(const std::string& path) {
  mpeg2dec_t* dec = mpeg2_init();
  if (!dec) return -1;
  const mpeg2_info_t* info = mpeg2_info(dec);
  int frames = 0;
  auto parse = [&](const uint8_t* data, std::size_t size) {
    mpeg2_buffer(dec, const_cast<uint8_t*>(data), const_cast<uint8_t*>(data) + size);
    for (;;) {
      const mpeg2_state_t s = mpeg2_parse(dec);
      if (s == STATE_BUFFER) return;
      if ((s == STATE_SLICE || s == STATE_END || s == STATE_INVALID_END) && info->display_fbuf) ++frames;
    }
  };
  const bool ok = FeedVideo(path, parse);
  static const uint8_t kSequenceEnd[4] = {0, 0, 1, 0xB7};
  if (ok) parse(kSequenceEnd, sizeof kSequenceEnd);
  mpeg2_close(dec);
  return ok ? frames : -1;
}

bool CheckAgainstFfmpeg(const std::string& path, DecodeCheck& out) {
  CMpegVideoDecoder probe;
  if (probe.Open(path.c_str(), nullptr, 0, 0, 2048, 2048) != 1) return false;
  const int w = probe.baseHeader->horizontal_size, h = probe.baseHeader->vertical_size;
  probe.Close();
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  const std::size_t sizes[3] = {std::size_t(w) * h, std::size_t(cw) * ch, std::size_t(cw) * ch};
  const std::string command =
      "ffmpeg -nostdin -v error -i '" + path + "' -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt yuv420p -";
  FILE* ffmpeg = popen(command.c_str(), "r");
  if (!ffmpeg) return false;
  std::vector<uint8_t> theirs(sizes[0] + sizes[1] + sizes[2]);
  double sse[3] = {0, 0, 0};
  int compared = 0;
  out = DecodeCheck{};
  out.lowestLuma = 99;
  // Our frames leave in display order: a B frame at once, a reference one when the next comes.
  std::vector<uint8_t> held, current(theirs.size());
  auto compare = [&](const std::vector<uint8_t>& ours) {
    if (fread(theirs.data(), 1, theirs.size(), ffmpeg) != theirs.size()) return;
    ++out.ffmpegFrames;
    ++compared;
    std::size_t at = 0;
    for (int p = 0; p < 3; ++p) {
      double frameSse = 0;
      for (std::size_t i = at; i < at + sizes[p]; ++i) {
        const double d = double(ours[i]) - double(theirs[i]);
        frameSse += d * d;
      }
      sse[p] += frameSse;
      if (p == 0) out.lowestLuma = std::min(out.lowestLuma, Psnr(frameSse, double(sizes[0])));
      at += sizes[p];
    }
  };
  out.projectFrames = StepThrough(path, [&](CMpegVideoDecoder& d) {
    CMpegPictureDecoder& pic = d.picture;
    const int strides[3] = {pic.CodedWidth(), pic.ChromaWidth(), pic.ChromaWidth()};
    const int widths[3] = {w, cw, cw}, heights[3] = {h, ch, ch};
    uint8_t* to = current.data();
    for (int p = 0; p < 3; ++p)
      for (int y = 0; y < heights[p]; ++y, to += widths[p])
        std::memcpy(to, pic.CurrentPlane(p) + std::size_t(y) * strides[p], std::size_t(widths[p]));
    if (d.baseHeader->picture_coding_type == kPictureB) {
      compare(current);
    } else {
      if (!held.empty()) compare(held);
      held = current;
    }
  });
  if (!held.empty()) compare(held);
  while (fread(theirs.data(), 1, theirs.size(), ffmpeg) == theirs.size()) ++out.ffmpegFrames;
  pclose(ffmpeg);
  const double frames = std::max(1, compared);
  for (int p = 0; p < 3; ++p) out.psnr[p] = Psnr(sse[p], double(sizes[p]) * frames);
  return out.projectFrames > 0;
}
