// Outside tools for the tests: running ffmpeg or ffprobe, and the clips of the kinds a capture
// makes.
#pragma once

#include <string>
#include <vector>

#include "platform/base/process.h"

namespace studio::packs {

inline bool RunTool(const std::vector<std::string>& args, std::string* out = nullptr) {
  std::string o, err;
  int code = -1;
  const bool ran = platform::RunProcess(args[0], {args.begin() + 1, args.end()}, &o, &err, &code, 120000);
  if (out) *out = o;
  return ran && code == 0;
}

// One second each of an MPEG-2 DVD program, a 16:9 PAL DV-AVI with PCM sound and an HDV-sized
// MPEG-2 .m2ts, all with sound; false when ffmpeg could not make one.
inline bool MakeCaptureKinds(const std::string& mpeg, const std::string& dv, const std::string& m2ts) {
  const std::vector<std::string> sound = {"-f", "lavfi", "-i", "sine=d=1:sample_rate=48000"};
  auto make = [&](const std::string& picture, std::vector<std::string> codecs) {
    std::vector<std::string> args = {"ffmpeg", "-y", "-loglevel", "error", "-f", "lavfi", "-i", picture};
    args.insert(args.end(), sound.begin(), sound.end());
    args.insert(args.end(), codecs.begin(), codecs.end());
    return RunTool(args);
  };
  return make("testsrc=size=720x480:rate=30000/1001:d=1",
              {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "dvd", "file:" + mpeg}) &&
         make("testsrc=size=720x576:rate=25:d=1", {"-c:v", "dvvideo", "-pix_fmt", "yuv420p", "-aspect", "16:9", "-c:a",
                                                   "pcm_s16le", "-ac", "2", "file:" + dv}) &&
         make("testsrc=size=1440x1080:rate=30000/1001:d=1",
              {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpegts", "-mpegts_m2ts_mode", "1", "file:" + m2ts});
}

}  // namespace studio::packs
