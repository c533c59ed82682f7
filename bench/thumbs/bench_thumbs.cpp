// Time to an 80 x 60 thumbnail, one figure per kind of clip: the grabber (OpenByRendering, or
// "QT Source" for .mov and .mp4, then GrabFrame) against the drained libav first picture, in
// interleaved rounds on the same files.
// Usage: bench_thumbs [rounds, at least 7] [clip folder]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "bench/common/av_first_picture.h"
#include "bench/common/bench_rounds.h"
#include "platform/gdi/objects.h"
#include "thumbs/thumbnail_grabber.h"

namespace {

struct Kind {
  const char* name;
  const char* ext;
  const char* args;
  const char* size;
};

const Kind kKinds[] = {
    {"DVD PS", "mpg", "-target ntsc-dvd", "720x480"},
    {"MPEG-2 M2TS", "m2ts", "-c:v mpeg2video -c:a ac3 -f mpegts -mpegts_m2ts_mode 1", "720x480"},
    {"H.264 MTS", "mts", "-c:v libx264 -preset veryfast -c:a ac3 -f mpegts -mpegts_m2ts_mode 1", "1280x720"},
    {"WMV", "wmv", "-c:v wmv2 -c:a wmav2", "640x480"},
    {"ASF", "asf", "-c:v wmv1 -c:a wmav2", "640x480"},
    {"AVI MPEG-4", "avi", "-c:v mpeg4 -c:a mp2", "720x480"},
    {"MP4 H.264", "mp4", "-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac", "1280x720"},
    {"MOV MPEG-4", "mov", "-c:v mpeg4 -c:a aac", "640x480"},
};
constexpr int kFilesPerKind = 3;

bool Make(const std::string& path, const Kind& kind) {
  if (std::filesystem::exists(path)) return true;
  const std::string cmd = std::string("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=") + kind.size +
                          ":rate=30000/1001:duration=5 -f lavfi -i sine=sample_rate=48000:duration=5 " + kind.args +
                          " '" + path + "'";
  return std::system(cmd.c_str()) == 0;
}

bool OurThumbnail(const std::string& path) {
  const std::string ext = std::filesystem::path(path).extension().string();
  CThumbnailGrabber grabber;
  const int open = ext == ".mov" || ext == ".mp4" ? grabber.OpenWithSourceFilter(path) : grabber.OpenByRendering(path);
  HBITMAP bitmap = nullptr;
  if (open != 1 || grabber.GrabFrame(&bitmap, 80, 60) != 1) return false;
  DeleteObject(bitmap);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  av_log_set_level(AV_LOG_QUIET);
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const std::filesystem::path dir = argc > 2 ? argv[2] : BENCH_CLIP_DIR;
  bench::RequirePrograms({"ffmpeg"});
  std::filesystem::create_directories(dir);
  std::vector<std::vector<std::string>> byKind;
  for (const Kind& kind : kKinds) {
    byKind.emplace_back();
    for (int i = 0; i < kFilesPerKind; ++i) {
      const std::string path = (dir / (std::string("clip") + std::to_string(i) + "." + kind.ext)).string();
      if (!Make(path, kind)) {
        std::fprintf(stderr, "ffmpeg could not make %s\n", path.c_str());
        return 1;
      }
      byKind.back().push_back(path);
      bench::AvFirstPicture(path, 80, 60);  // into the page cache
    }
  }
  bench::Session session("Thumbnail grabber against the drained libav first picture", rounds);
  bench::Section(
      "Thumbnail of 80x60, ms a file (" + std::to_string(kFilesPerKind) +
          " files a kind); project: the grabber, its first key picture decoded on one thread and "
          "shrunk from its planes (box means); the graph is built only for full pictures",
      "libavformat opened with the format named (no probing), libavcodec one thread drained after the "
      "first packet, swscale area to 80x60 BGR24",
      "row 'direct' lets the peer scale the decoded planes straight to 80x60; row 'via full size' converts "
      "to a full-size BGR24 picture first and scales that, as the grabber's graph road does; the peer builds no graph "
      "and makes no bitmap object");
  for (size_t k = 0; k < byKind.size(); ++k) {
    for (int viaFull = 0; viaFull < 2; ++viaFull) {
      bench::Figure fig{
          std::string(kKinds[k].name) + (viaFull ? ", via full size" : ", direct"), "ms", false, {}, {}, {}};
      bench::Interleave(
          rounds, fig, [&] { return bench::MsPerFile(byKind[k], OurThumbnail); },
          [&] {
            return bench::MsPerFile(
                byKind[k], [&](const std::string& f) { return bench::AvFirstPicture(f, 80, 60, nullptr, viaFull); });
          });
      bench::Print(fig);
    }
  }
  return 0;
}
