// Thumbnail latency and whole-stream decode rate of the MPEG decoder beside its peers, all in
// one process on the same streams. Each round times every contender once, in turn, and the
// ratio project / peer is taken round by round so that drift of the machine cancels out; the
// rows give the median ratio and its spread (min-max).
// Usage: bench_mpegdec [work folder] [program stream size in MB, default 1024] [rounds, default 7]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
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

double Since(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

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
void Warm(const std::string& path) {
  std::vector<char> buf(1 << 20);
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return;
  while (fread(buf.data(), 1, buf.size(), f) > 0) {
  }
  fclose(f);
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// ---- Thumbnail: open, count, first picture, full-size 24-bit bitmap.

MpegThumbnail thumbnail;  // one object across calls, as the clip list keeps its own

bool OurThumbnail(const std::string& path) { return DecodeMpegThumbnail(path.c_str(), thumbnail) == 1; }

// The lean libav first frame: open without probing the streams, decode the first picture and
// scale it to 80x60 BGR24.
bool AvLeanThumbnail(const std::string& path) {
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return false;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  AVCodecContext* ctx = nullptr;
  int vs = -1;
  bool ok = false, flushed = false;
  while (!ok && !flushed) {
    bool more = av_read_frame(fmt, pkt) >= 0;
    if (more && vs < 0 && fmt->streams[pkt->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      vs = pkt->stream_index;
      const AVCodec* codec = avcodec_find_decoder(fmt->streams[vs]->codecpar->codec_id);
      ctx = avcodec_alloc_context3(codec);
      avcodec_parameters_to_context(ctx, fmt->streams[vs]->codecpar);
      ctx->thread_count = 1;
      if (avcodec_open2(ctx, codec, nullptr) != 0) break;
    }
    if (!more) {
      if (!ctx) break;
      avcodec_send_packet(ctx, nullptr);
      flushed = true;
    } else if (pkt->stream_index != vs || avcodec_send_packet(ctx, pkt) != 0) {
      av_packet_unref(pkt);
      continue;
    }
    if (more) av_packet_unref(pkt);
    if (avcodec_receive_frame(ctx, frame) == 0) {
      SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), 80, 60,
                                       AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
      std::vector<uint8_t> rgb(80 * 60 * 3);
      uint8_t* dst[1] = {rgb.data()};
      int stride[1] = {80 * 3};
      sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
      sws_freeContext(sws);
      ok = true;
    }
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  avformat_close_input(&fmt);
  return ok;
}

// ---- Whole-stream decode, one thread; each returns the pictures decoded.

int OurDecodeAll(const std::string& path) {
  CMpegVideoDecoder d;
  if (d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048) != 1) return -1;
  int n = 0;
  CMpegStreamReader& r = *d.baseReader();
  for (;;) {
    d.picture.Prepare();
    ++n;
    if (r.FindNextPicture(0, 0, r.pictureNumber + 1) != 1) break;
    d.picture.SelectCurrentFrame(true);
  }
  return n;
}

int AvDecodeAll(const std::string& path) {
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

int Libmpeg2DecodeAll(const std::string& path) {
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

// libmpeg2 fixes its acceleration once a process, so its plain C mode runs in a child forked
// before this process first uses libmpeg2; the child decodes a file on request and answers with
// the seconds it took and the pictures it decoded.
class PlainCLibmpeg2 {
 public:
  PlainCLibmpeg2() {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(toChild[1]);
      close(fromChild[0]);
      mpeg2_accel(0);
      char path[4096];
      for (;;) {
        size_t len = 0;
        if (read(toChild[0], &len, sizeof len) != sizeof len || len >= sizeof path) _exit(0);
        if (read(toChild[0], path, len) != ssize_t(len)) _exit(0);
        path[len] = 0;
        auto t0 = Clock::now();
        int n = Libmpeg2DecodeAll(path);
        double s = Since(t0);
        if (write(fromChild[1], &s, sizeof s) != sizeof s || write(fromChild[1], &n, sizeof n) != sizeof n) _exit(1);
      }
    }
    close(toChild[0]);
    close(fromChild[1]);
    out_ = toChild[1];
    in_ = fromChild[0];
  }
  ~PlainCLibmpeg2() {
    if (out_ >= 0) close(out_);
    if (in_ >= 0) close(in_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  double Decode(const std::string& path, int& pictures) {
    size_t len = path.size();
    double s = -1;
    if (write(out_, &len, sizeof len) != sizeof len || write(out_, path.data(), len) != ssize_t(len) ||
        read(in_, &s, sizeof s) != sizeof s || read(in_, &pictures, sizeof pictures) != sizeof pictures)
      return -1;
    return s;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1, in_ = -1;
};

struct Spread {
  double median, min, max;
};

Spread Summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v.front(), v.back()};
}

void Row(const std::string& what, const std::vector<double>& ours, const std::vector<double>& peer,
         const std::vector<double>& ratios, const char* unit, const char* peerName, bool higherIsBetter) {
  Spread o = Summarise(ours), p = Summarise(peer), r = Summarise(ratios);
  bool better = higherIsBetter ? r.median >= 1.0 : r.median <= 1.0;
  std::printf("  %-22s project %9.2f %-5s | %-34s %9.2f %-5s | project/peer %5.2f (%.2f-%.2f) %s\n", what.c_str(),
              o.median, unit, peerName, p.median, unit, r.median, r.min, r.max,
              better ? "project better" : "peer better");
}

template <typename F>
double Time(F f) {
  auto t0 = Clock::now();
  if (!f()) {
    std::fprintf(stderr, "a contender failed\n");
    std::exit(1);
  }
  return Since(t0);
}
}  // namespace

int main(int argc, char** argv) {
  PlainCLibmpeg2 plainC;  // before anything touches libmpeg2
  std::string dir = argc > 1 ? argv[1] : "/tmp/bench_mpegdec";
  int psMegabytes = argc > 2 ? std::atoi(argv[2]) : 1024;
  int rounds = argc > 3 ? std::max(3, std::atoi(argv[3])) : 7;
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
  for (const std::string& f : {ps, hd, intra}) Warm(f);
  std::printf("%d rounds; medians, spreads (min-max) of the per-round ratio in brackets\n", rounds);

  std::printf(
      "\nThumbnail latency, lower is better: project = open, count (the file's ends only), first picture, full-size "
      "24-bit bitmap;\npeer = libavformat open without stream probing + libavcodec -threads 1 first frame + swscale "
      "bilinear 80x60 BGR24\n");
  for (const std::string& f : {intra, ps, hd}) {
    const int calls = 20;
    std::vector<double> ours, peer, ratio;
    OurThumbnail(f);
    AvLeanThumbnail(f);
    for (int r = 0; r < rounds; ++r) {
      double a = Time([&] {
        for (int i = 0; i < calls; ++i)
          if (!OurThumbnail(f)) return false;
        return true;
      });
      double b = Time([&] {
        for (int i = 0; i < calls; ++i)
          if (!AvLeanThumbnail(f)) return false;
        return true;
      });
      ours.push_back(a * 1000 / calls);
      peer.push_back(b * 1000 / calls);
      ratio.push_back(a / b);
    }
    Row(BaseName(f), ours, peer, ratio, "ms", "libav lean first frame", false);
  }

  std::printf(
      "\nDecode loop, every picture of the stream, one thread, higher is better (pictures per second);\n"
      "peers: libavcodec (ffmpeg -threads 1, demuxed by libavformat), libmpeg2 (mpeg2dec) with its SIMD, libmpeg2 "
      "plain C (mpeg2dec -c)\n");
  for (const std::string& f : {intra, hd}) {
    std::vector<double> ours, ff, lm, lc, rFf, rLm, rLc;
    int n1 = 0, n2 = 0, n3 = 0, n4 = 0;
    for (int r = 0; r < rounds; ++r) {
      double a = Time([&] { return (n1 = OurDecodeAll(f)) > 0; });
      double b = Time([&] { return (n2 = AvDecodeAll(f)) > 0; });
      double c = Time([&] { return (n3 = Libmpeg2DecodeAll(f)) > 0; });
      double d = plainC.Decode(f, n4);
      ours.push_back(n1 / a);
      ff.push_back(n2 / b);
      lm.push_back(n3 / c);
      lc.push_back(n4 / d);
      rFf.push_back(ours.back() / ff.back());
      rLm.push_back(ours.back() / lm.back());
      rLc.push_back(ours.back() / lc.back());
    }
    std::printf(" %s (pictures: project %d, ffmpeg %d, libmpeg2 %d, libmpeg2 -c %d)\n", BaseName(f).c_str(), n1, n2, n3,
                n4);
    Row("", ours, ff, rFf, "pic/s", "ffmpeg -threads 1", true);
    Row("", ours, lm, rLm, "pic/s", "mpeg2dec (SIMD)", true);
    Row("", ours, lc, rLc, "pic/s", "mpeg2dec -c", true);
  }
  return 0;
}
