// Time to an 80 x 60 thumbnail over a clip list of 20 files: the grabber (OpenByRendering or
// "QT Source" by extension, then GrabFrame), an in-process libavformat/libavcodec first frame
// scaled by swscale, and one ffmpeg process per file; same files, same run.
// Usage: bench_thumbs [work folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "platform/gdi/objects.h"
#include "thumbs/thumbnail_grabber.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Kind {
  const char* ext;
  const char* args;
  const char* size;
};

const Kind kKinds[] = {
    {"m2ts", "-c:v mpeg2video -c:a ac3 -f mpegts -mpegts_m2ts_mode 1", "720x480"},
    {"mts", "-c:v libx264 -preset veryfast -c:a ac3 -f mpegts -mpegts_m2ts_mode 1", "1280x720"},
    {"wmv", "-c:v wmv2 -c:a wmav2", "640x480"},
    {"asf", "-c:v wmv1 -c:a wmav2", "640x480"},
    {"avi", "-c:v mpeg4 -c:a mp2", "720x480"},
    {"mp4", "-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac", "1280x720"},
    {"mov", "-c:v mpeg4 -c:a aac", "640x480"},
};

bool Make(const std::string& path, const Kind& kind) {
  if (std::filesystem::exists(path)) return true;
  const std::string cmd = std::string("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=") + kind.size +
                          ":rate=25:duration=5 -f lavfi -i sine=duration=5 " + kind.args + " '" + path + "'";
  return std::system(cmd.c_str()) == 0;
}

// Where the grabber's time goes: opening (graph building) and grabbing (preroll and scaling).
double openMs = 0, grabMs = 0;

bool OurThumbnail(const std::string& path) {
  const std::string ext = std::filesystem::path(path).extension().string();
  const auto t0 = Clock::now();
  CThumbnailGrabber grabber;
  const int open = ext == ".mov" || ext == ".mp4" ? grabber.OpenWithSourceFilter(path) : grabber.OpenByRendering(path);
  const auto t1 = Clock::now();
  openMs += std::chrono::duration<double, std::milli>(t1 - t0).count();
  if (open != 1) return false;
  HBITMAP bitmap = nullptr;
  const int grabbed = grabber.GrabFrame(&bitmap, 80, 60);
  grabMs += std::chrono::duration<double, std::milli>(Clock::now() - t1).count();
  if (grabbed != 1) return false;
  DeleteObject(bitmap);
  return true;
}

bool AvThumbnail(const std::string& path) {
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return false;
  bool ok = false;
  const AVCodec* codec = nullptr;
  int stream = -1;
  AVCodecContext* ctx = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  if (avformat_find_stream_info(fmt, nullptr) >= 0 &&
      (stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0)) >= 0 &&
      (ctx = avcodec_alloc_context3(codec)) &&
      avcodec_parameters_to_context(ctx, fmt->streams[stream]->codecpar) >= 0 &&
      avcodec_open2(ctx, codec, nullptr) >= 0) {
    while (!ok && av_read_frame(fmt, packet) >= 0) {
      if (packet->stream_index == stream && avcodec_send_packet(ctx, packet) >= 0 &&
          avcodec_receive_frame(ctx, frame) >= 0) {
        SwsContext* sws = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), 80, 60,
                                         AV_PIX_FMT_BGR24, SWS_AREA, nullptr, nullptr, nullptr);
        std::vector<std::uint8_t> rgb(80 * 60 * 3);
        std::uint8_t* planes[1] = {rgb.data()};
        int strides[1] = {80 * 3};
        ok = sws && sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides) > 0;
        sws_freeContext(sws);
      }
      av_packet_unref(packet);
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&ctx);
  avformat_close_input(&fmt);
  return ok;
}

bool FfmpegThumbnail(const std::string& path) {
  const std::string cmd = "ffmpeg -nostdin -v error -y -i '" + path +
                          "' -frames:v 1 -vf scale=80:60:flags=area -pix_fmt bgr24 -f rawvideo /dev/null";
  return std::system(cmd.c_str()) == 0;
}

template <typename F>
double MsPerFile(const std::vector<std::string>& files, F take, int* failed) {
  const auto t0 = Clock::now();
  for (const auto& f : files)
    if (!take(f)) ++*failed;
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / static_cast<double>(files.size());
}

}  // namespace

int main(int argc, char** argv) {
  av_log_set_level(AV_LOG_QUIET);
  const std::filesystem::path dir =
      argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "vidarro-bench-thumbs";
  std::filesystem::create_directories(dir);
  std::vector<std::string> files;
  for (int i = 0; i < 20; ++i) {
    const Kind& kind = kKinds[i % (sizeof kKinds / sizeof kKinds[0])];
    const std::string path = (dir / ("clip" + std::to_string(i) + "." + kind.ext)).string();
    if (!Make(path, kind)) {
      std::fprintf(stderr, "ffmpeg could not make %s\n", path.c_str());
      return 1;
    }
    files.push_back(path);
  }
  int failed[3] = {0, 0, 0};
  // Once over every file first, so all three find them in the page cache.
  for (const auto& f : files) AvThumbnail(f);
  const double ours = MsPerFile(files, OurThumbnail, &failed[0]);
  const double lib = MsPerFile(files, AvThumbnail, &failed[1]);
  const double proc = MsPerFile(files, FfmpegThumbnail, &failed[2]);
  std::printf("thumbnails of %zu files, 80x60, ms per file (failures)\n", files.size());
  std::printf("  CThumbnailGrabber          %8.2f (%d)\n", ours, failed[0]);
  std::printf("    of which open %.2f, grab %.2f\n", openMs / static_cast<double>(files.size()),
              grabMs / static_cast<double>(files.size()));
  std::printf("  libavformat/libavcodec     %8.2f (%d)\n", lib, failed[1]);
  std::printf("  ffmpeg -frames:v 1         %8.2f (%d)\n", proc, failed[2]);
  std::printf("  grabber / in-process       %8.2fx (goal <= 1.5x)\n", ours / lib);
  std::printf("  grabber / ffmpeg process   %8.2fx\n", ours / proc);
  return failed[0] + failed[1] + failed[2] ? 1 : 0;
}
