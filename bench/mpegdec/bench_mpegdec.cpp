// Thumbnail latency, intra decode rate and picture-count scan rate of the MPEG decoder,
// each beside its peer (libavcodec + swscale, libmpeg2, reading the file) and the ratio.
// Usage: bench_mpegdec [work folder] [program stream size in MB, default 1024]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
#include <mpeg2dec/mpeg2.h>
}

#include "mpegdec/video_decoder.h"

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

int64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

bool Make(const std::string& path, const std::string& args) {
  if (FileSize(path) > 0) return true;
  std::printf("making %s ...\n", path.c_str());
  std::fflush(stdout);
  std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " " + path;
  return std::system(cmd.c_str()) == 0;
}

// Reads the whole file once so that every contender finds it in the page cache.
double ReadRate(const std::string& path) {
  std::vector<char> buf(1 << 20);
  auto t0 = Clock::now();
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return 0;
  int64_t total = 0;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), f)) > 0) total += int64_t(n);
  fclose(f);
  return double(total) / Seconds(t0, Clock::now());
}

bool OurThumbnail(const std::string& path) {
  MpegThumbnail t;
  return DecodeMpegThumbnail(path.c_str(), t) == 1;
}

bool AvThumbnail(const std::string& path) {
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return false;
  bool ok = false;
  if (avformat_find_stream_info(fmt, nullptr) >= 0) {
    int vs = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (vs >= 0) {
      const AVCodec* codec = avcodec_find_decoder(fmt->streams[vs]->codecpar->codec_id);
      AVCodecContext* ctx = avcodec_alloc_context3(codec);
      avcodec_parameters_to_context(ctx, fmt->streams[vs]->codecpar);
      ctx->thread_count = 1;
      if (avcodec_open2(ctx, codec, nullptr) == 0) {
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        while (!ok && av_read_frame(fmt, pkt) >= 0) {
          if (pkt->stream_index == vs && avcodec_send_packet(ctx, pkt) == 0 && avcodec_receive_frame(ctx, frame) == 0) {
            SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                             frame->height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
            std::vector<uint8_t> rgb(size_t(frame->width) * frame->height * 3);
            uint8_t* dst[1] = {rgb.data()};
            int stride[1] = {frame->width * 3};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
            sws_freeContext(sws);
            ok = true;
          }
          av_packet_unref(pkt);
        }
        av_frame_free(&frame);
        av_packet_free(&pkt);
      }
      avcodec_free_context(&ctx);
    }
  }
  avformat_close_input(&fmt);
  return ok;
}

template <typename F>
double Average(F f, int runs) {
  f();  // warm
  auto t0 = Clock::now();
  for (int i = 0; i < runs; ++i)
    if (!f()) return -1;
  return Seconds(t0, Clock::now()) / runs;
}

int OurPictureCount(const std::string& path) {
  CMpegVideoDecoder d;
  if (d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048) != 1) return -1;
  int n = 0;
  CMpegStreamReader& r = *d.baseReader();
  do {
    d.picture.Prepare();
    ++n;
    if (r.FindNextPicture(0, 0, r.pictureNumber + 1) != 1) break;
    d.picture.SelectCurrentFrame(true);
  } while (true);
  return n;
}

int AvPictureCount(const std::string& path) {
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return -1;
  avformat_find_stream_info(fmt, nullptr);
  int vs = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const AVCodec* codec = avcodec_find_decoder(fmt->streams[vs]->codecpar->codec_id);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(ctx, fmt->streams[vs]->codecpar);
  ctx->thread_count = 1;
  avcodec_open2(ctx, codec, nullptr);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int n = 0;
  while (av_read_frame(fmt, pkt) >= 0) {
    if (pkt->stream_index == vs && avcodec_send_packet(ctx, pkt) == 0)
      while (avcodec_receive_frame(ctx, frame) == 0) ++n;
    av_packet_unref(pkt);
  }
  avcodec_send_packet(ctx, nullptr);
  while (avcodec_receive_frame(ctx, frame) == 0) ++n;
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  avformat_close_input(&fmt);
  return n;
}

int Libmpeg2PictureCount(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return -1;
  mpeg2dec_t* dec = mpeg2_init();
  const mpeg2_info_t* info = mpeg2_info(dec);
  std::vector<uint8_t> buf(1 << 16);
  int n = 0;
  bool eof = false;
  for (;;) {
    mpeg2_state_t s = mpeg2_parse(dec);
    if (s == STATE_BUFFER) {
      if (eof) break;
      size_t got = fread(buf.data(), 1, buf.size(), f);
      if (got == 0) {
        static uint8_t end[4] = {0, 0, 1, 0xB7};
        mpeg2_buffer(dec, end, end + 4);
        eof = true;
      } else {
        mpeg2_buffer(dec, buf.data(), buf.data() + got);
      }
    } else if ((s == STATE_SLICE || s == STATE_END || s == STATE_INVALID_END) && info->display_fbuf) {
      ++n;
    }
  }
  mpeg2_close(dec);
  fclose(f);
  return n;
}

void Row(const char* what, double ours, double peer, const char* unit, const char* peerName, bool higherIsBetter) {
  double ratio = higherIsBetter ? ours / peer : peer / ours;
  std::printf("%-34s ours %10.3f %-6s %-10s %10.3f %-6s ratio %.2f (%s)\n", what, ours, unit, peerName, peer, unit,
              ratio, ratio >= 1.0 ? "ours better" : "peer better");
}
}  // namespace

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp/bench_mpegdec";
  int psMegabytes = argc > 2 ? std::atoi(argv[2]) : 1024;
  std::system(("mkdir -p " + dir).c_str());
  av_log_set_level(AV_LOG_QUIET);

  std::string ps = dir + "/ps_720x576_" + std::to_string(psMegabytes) + "MB.mpg";
  std::string hd = dir + "/es_1440x1080.m2v";
  std::string intra = dir + "/intra_720x576.m2v";
  // About psMegabytes of 15 Mbit/s video: 8 x MB / 15 seconds.
  int seconds = psMegabytes * 8 / 15 + 1;
  if (!Make(ps, "-f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=sample_rate=48000 -t " +
                    std::to_string(seconds) +
                    " -c:v mpeg2video -b:v 15M -minrate 15M -maxrate 15M -bufsize 1835k "
                    "-flags +ilme+ildct -c:a mp2 -f vob") ||
      !Make(hd,
            "-f lavfi -i testsrc2=size=1440x1080:rate=25 -frames:v 250 -c:v mpeg2video -b:v 25M -flags +ilme+ildct") ||
      !Make(intra, "-f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 500 -c:v mpeg2video -g 1 -q:v 3")) {
    std::fprintf(stderr, "could not make the test files with ffmpeg\n");
    return 1;
  }

  std::printf(
      "\nThumbnail latency (Open, CountPictures, Prepare, DecodeToRgb, Close) vs libavcodec first frame + swscale "
      "BGR24\n");
  for (const std::string& f : {ps, hd}) {
    ReadRate(f);
    double ours = Average([&] { return OurThumbnail(f); }, 20) * 1000.0;
    double peer = Average([&] { return AvThumbnail(f); }, 20) * 1000.0;
    std::string name = f.substr(f.rfind('/') + 1);
    Row(name.c_str(), ours, peer, "ms", "libavcodec", false);
  }

  std::printf("\nIntra picture decode rate, one thread, %s\n", intra.c_str());
  ReadRate(intra);
  auto t0 = Clock::now();
  int n1 = OurPictureCount(intra);
  double ours = n1 / Seconds(t0, Clock::now());
  t0 = Clock::now();
  int n2 = AvPictureCount(intra);
  double ff = n2 / Seconds(t0, Clock::now());
  t0 = Clock::now();
  int n3 = Libmpeg2PictureCount(intra);
  double lm = n3 / Seconds(t0, Clock::now());
  Row("pictures per second", ours, ff, "pic/s", "ffmpeg", true);
  Row("pictures per second", ours, lm, "pic/s", "libmpeg2", true);
  std::printf("(pictures decoded: ours %d, ffmpeg %d, libmpeg2 %d)\n", n1, n2, n3);

  std::printf("\nCountPictures scan rate vs reading the file from the page cache\n");
  for (const std::string& f : {ps, hd}) {
    double read = ReadRate(f);
    CMpegVideoDecoder d;
    if (d.Open(f.c_str(), nullptr, 0, 0, 2048, 2048) != 1) continue;
    auto c0 = Clock::now();
    d.baseReader()->CountPictures();
    double rate = double(FileSize(f)) / Seconds(c0, Clock::now());
    std::string name = f.substr(f.rfind('/') + 1);
    Row(name.c_str(), rate / 1e6, read / 1e6, "MB/s", "read", true);
    std::printf("  (%d pictures; the count reads the stream's ends, not all of it)\n", d.baseReader()->PictureCount());
  }
  return 0;
}
