// Thumbnails for a 50-clip list of MPEG program streams, transport streams and PNG pictures:
// the clip list's own route per extension (the MPEG picture decoder, the frame grabber, the
// picture loader) against one ffmpeg process per file making the same 80 x 60 picture; same
// files, same run.
// Usage: bench_clips [work folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "clip_thumbnail.h"
#include "platform/gdi/objects.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Kind {
  const char* ext;
  const char* args;
};

// Ten seconds of a test picture each, so the MPEG decoder and the grabber read a real stream.
const Kind kKinds[] = {
    {".mpg", "-f lavfi -i testsrc=size=720x480:rate=25:duration=10 -c:v mpeg2video -b:v 6M -f vob"},
    {".m2ts", "-f lavfi -i testsrc=size=720x480:rate=25:duration=10 -c:v mpeg2video -b:v 6M -f mpegts"},
    {".png", "-f lavfi -i testsrc=size=1280x720 -frames:v 1"},
};

bool Make(const std::string& path, const Kind& kind) {
  if (std::filesystem::exists(path)) return true;
  const std::string cmd = std::string("ffmpeg -nostdin -v error -y ") + kind.args + " '" + path + "'";
  return std::system(cmd.c_str()) == 0;
}

bool OurThumbnail(const std::string& path) {
  HBITMAP picture = nullptr;
  const std::string ext = std::filesystem::path(path).extension().string();
  if (studio::MakeClipThumbnail(path, ext, &picture) != studio::ThumbnailResult::kMade || !picture) return false;
  DeleteObject(picture);
  return true;
}

bool FfmpegThumbnail(const std::string& path, const std::string& out) {
  const std::string cmd = "ffmpeg -nostdin -v error -y -i '" + path +
                          "' -frames:v 1 -vf scale=80:60:force_original_aspect_ratio=decrease '" + out + "'";
  return std::system(cmd.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path work =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path() / "bench_clips";
  std::filesystem::create_directories(work);
  std::vector<std::string> files;
  for (int i = 0; i < 50; ++i) {
    const Kind& kind = kKinds[i % 3];
    const std::string path = (work / ("clip" + std::to_string(i) + kind.ext)).string();
    if (!Make(path, kind)) {
      std::fprintf(stderr, "ffmpeg could not make %s\n", path.c_str());
      return 1;
    }
    files.push_back(path);
  }
  int failed[2] = {0, 0};
  const auto t0 = Clock::now();
  for (const std::string& f : files)
    if (!OurThumbnail(f)) ++failed[0];
  const auto t1 = Clock::now();
  for (size_t i = 0; i < files.size(); ++i)
    if (!FfmpegThumbnail(files[i], (work / ("thumb" + std::to_string(i) + ".png")).string())) ++failed[1];
  const auto t2 = Clock::now();
  const double n = static_cast<double>(files.size());
  const double ours = std::chrono::duration<double, std::milli>(t1 - t0).count() / n;
  const double peer = std::chrono::duration<double, std::milli>(t2 - t1).count() / n;
  std::printf("thumbnails of a %zu-clip list (MPEG, transport stream, PNG), 80x60, ms per clip (failures)\n",
              files.size());
  std::printf("  clip list                  %8.2f (%d)\n", ours, failed[0]);
  std::printf("  ffmpeg -frames:v 1         %8.2f (%d)\n", peer, failed[1]);
  std::printf("  clip list / ffmpeg         %8.2fx\n", ours / peer);
  return failed[0] == 0 ? 0 : 2;
}
