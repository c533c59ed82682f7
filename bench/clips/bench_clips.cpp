// Thumbnails for a clip list of 200 MPEG clips (DVD and PAL program streams, a VCD MPEG-1 stream,
// transport streams): the clip list's own route (the MPEG picture decoder, the frame grabber when
// that fails) against the drained libav first picture, one picture per clip, in interleaved rounds.
// Usage: bench_clips [rounds, at least 7] [clip folder]
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
#include "clip_thumbnail.h"
#include "platform/gdi/objects.h"

namespace {

constexpr int kClips = 200;

struct Source {
  const char* ext;
  const char* args;
};

// Three seconds of moving pictures each; the list holds copies of these in turn.
const Source kSources[] = {
    {".mpg",
     "-f lavfi -i testsrc2=size=720x480:rate=30000/1001:duration=3 -f lavfi -i sine=duration=3 -target ntsc-dvd"},
    {".mpg", "-f lavfi -i testsrc2=size=720x576:rate=25:duration=3 -f lavfi -i sine=duration=3 -target pal-dvd"},
    {".mpg",
     "-f lavfi -i testsrc2=size=352x240:rate=30000/1001:duration=3 -f lavfi -i sine=duration=3 -target ntsc-vcd"},
    {".m2ts", "-f lavfi -i testsrc2=size=720x480:rate=30000/1001:duration=3 -c:v mpeg2video -b:v 6M -f mpegts"},
};

bool Make(const std::filesystem::path& path, const Source& source) {
  if (std::filesystem::exists(path)) return true;
  const std::string cmd = std::string("ffmpeg -nostdin -v error -y ") + source.args + " '" + path.string() + "'";
  return std::system(cmd.c_str()) == 0;
}

bool OurThumbnail(const std::string& path) {
  HBITMAP picture = nullptr;
  const std::string ext = std::filesystem::path(path).extension().string();
  if (studio::MakeClipThumbnail(path, ext, &picture) != studio::ThumbnailResult::kMade || !picture) return false;
  DeleteObject(picture);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  av_log_set_level(AV_LOG_QUIET);
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const std::filesystem::path work = argc > 2 ? std::filesystem::path(argv[2]) : BENCH_CLIP_DIR;
  bench::RequirePrograms({"ffmpeg"});
  std::filesystem::create_directories(work);
  std::vector<std::filesystem::path> sources;
  for (size_t i = 0; i < std::size(kSources); ++i) {
    sources.push_back(work / ("source" + std::to_string(i) + kSources[i].ext));
    if (!Make(sources.back(), kSources[i])) {
      std::fprintf(stderr, "ffmpeg could not make %s\n", sources.back().c_str());
      return 1;
    }
  }
  std::vector<std::string> files;
  for (int i = 0; i < kClips; ++i) {
    const std::filesystem::path& from = sources[static_cast<size_t>(i) % sources.size()];
    const std::filesystem::path clip = work / ("clip" + std::to_string(i) + from.extension().string());
    if (!std::filesystem::exists(clip)) std::filesystem::create_hard_link(from, clip);  // no disk spent
    files.push_back(clip.string());
    bench::AvFirstPicture(files.back(), 80, 60);  // into the page cache
  }
  bench::Session session("Clip list thumbnails against the drained libav first picture", rounds);
  bench::Figure fig{std::to_string(kClips) + " MPEG clips", "ms a clip", false, {}, {}, {}};
  bench::Interleave(
      rounds, fig, [&] { return bench::MsPerFile(files, OurThumbnail); },
      [&] { return bench::MsPerFile(files, [](const std::string& f) { return bench::AvFirstPicture(f, 80, 60); }); });
  bench::Section("Thumbnails of a " + std::to_string(kClips) +
                     "-clip list (NTSC and PAL DVD PS, VCD MPEG-1, MPEG-2 TS), ms a clip (lower is better); project: "
                     "the clip list's route by extension, the picture fitted into 80x60 as a bitmap",
                 "libavformat opened with the format named (no probing), libavcodec one thread drained after the "
                 "first packet, swscale area to 80x60 BGR24",
                 "the peer stretches to 80x60 rather than fitting the picture, and makes no bitmap object");
  bench::Print(fig);
  return 0;
}
