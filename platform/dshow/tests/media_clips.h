// Short clips made by ffmpeg for playback tests, and what ffprobe and ffmpeg read from them.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

namespace media_clips {

struct Clip {
  std::string name;  // file name, its extension the container's
  std::string args;  // ffmpeg output options
  bool dv = false;   // DV takes its own picture size
};

// Video clips of every family the clip list renders, one second or less of moving pictures.
inline std::vector<Clip> VideoClips() {
  return {
      {"mpeg2_lpcm.m2ts", "-c:v mpeg2video -c:a pcm_bluray -f mpegts -mpegts_m2ts_mode 1"},
      {"mpeg2_ac3.m2ts", "-c:v mpeg2video -c:a ac3 -f mpegts -mpegts_m2ts_mode 1"},
      {"h264.mts", "-c:v libx264 -preset ultrafast -c:a ac3 -f mpegts -mpegts_m2ts_mode 1"},
      {"wmv2.wmv", "-c:v wmv2 -c:a wmav2"},
      {"wmv1.asf", "-c:v wmv1 -c:a wmav2"},
      {"mpeg4.avi", "-c:v mpeg4 -c:a mp2"},
      {"dv.avi", "-c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ar 48000", true},
      {"raw.avi", "-c:v rawvideo -pix_fmt bgr24 -an"},
      {"h264.mp4", "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac"},
      {"mpeg4.mov", "-c:v mpeg4 -c:a aac"},
      {"mpeg2.mpg", "-c:v mpeg2video -c:a mp2 -f vob"},
  };
}

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

inline bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

inline std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* p = popen((command + " 2>/dev/null").c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// Makes the clip in dir; returns its path, empty when ffmpeg failed.
inline std::string Make(const std::filesystem::path& dir, const Clip& clip) {
  const std::string path = (dir / clip.name).string();
  const std::string size = clip.dv ? "720x576" : "160x120";
  const std::string cmd = "ffmpeg -y -v error -f lavfi -i testsrc=size=" + size +
                          ":rate=25:duration=0.6 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=0.6 " +
                          clip.args + " " + Quote(path);
  return Run(cmd) ? path : std::string();
}

inline std::string MakeAudio(const std::filesystem::path& dir, const std::string& name, const std::string& args) {
  const std::string path = (dir / name).string();
  return Run("ffmpeg -y -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=0.5 -ac 2 " + args + " " +
             Quote(path))
             ? path
             : std::string();
}

// The container's duration in seconds as ffprobe reads it; negative when it cannot.
inline double ProbeDuration(const std::string& path) {
  const std::string text =
      Capture("ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 " + Quote(path));
  return text.empty() || text.find("N/A") != std::string::npos ? -1 : std::atof(text.c_str());
}

// Picture n (from 0) decoded by ffmpeg as BGR24 rows at width x height (the source size when 0).
inline std::vector<unsigned char> DecodeFrame(const std::string& path, int n, int width = 0, int height = 0) {
  std::string filter = "select=eq(n\\," + std::to_string(n) + ")";
  if (width > 0) filter += ",scale=" + std::to_string(width) + ":" + std::to_string(height) + ":flags=area";
  const std::string text =
      Capture("ffmpeg -v error -i " + Quote(path) + " -vf '" + filter + "' -frames:v 1 -pix_fmt bgr24 -f rawvideo -");
  return {text.begin(), text.end()};
}

// A scratch folder of its own for each test process, removed at the end.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) {
    path_ = std::filesystem::temp_directory_path() / (tag + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace media_clips
